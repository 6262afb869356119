#version 150
uniform sampler2D DiffuseColorMap;
uniform sampler2D NormalMap;
uniform vec3 LightSourceHalfVector;
uniform vec4 LightFrontAmbient;
uniform vec4 LightFrontDiffuse;
uniform vec4 LightFrontSpecular;
uniform float MaterialFrontShininess;
uniform vec4 SceneColor;
in vec2 uv;
in vec3 lightDir;
in vec3 viewDir;
out vec4 color;

void main()
{
    vec3 n = normalize(texture(NormalMap, uv).xyz * 2.0 - 1.0);
    vec3 l = normalize(lightDir);
    vec3 h = normalize(l + normalize(viewDir) + LightSourceHalfVector * 0.0);
    vec4 albedo = texture(DiffuseColorMap, uv);
    float diffuse = max(dot(n, l), 0.0);
    float specular = diffuse > 0.0 ? pow(max(dot(n, h), 0.0), max(MaterialFrontShininess, 1.0)) : 0.0;
    vec3 lit = SceneColor.rgb * albedo.rgb + LightFrontAmbient.rgb * albedo.rgb
             + LightFrontDiffuse.rgb * albedo.rgb * diffuse + LightFrontSpecular.rgb * specular;
    color = vec4(lit, albedo.a);
}
