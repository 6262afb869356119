#version 150
// Product model: tangent-space bump mapping under a point light.
uniform mat4 ProjectionMatrix;
uniform mat4 ModelViewMatrix;
uniform vec3 LightSourcePosition;
in vec3 Position;
in vec2 TexCoord;
in vec3 Normal;
in vec4 Tangent;
out vec2 uv;
out vec3 lightDir;
out vec3 viewDir;

void main()
{
    vec4 eyePosition = ModelViewMatrix * vec4(Position, 1.0);
    mat3 normalMatrix = mat3(ModelViewMatrix);
    vec3 n = normalize(normalMatrix * Normal);
    vec3 t = normalize(normalMatrix * Tangent.xyz);
    vec3 b = cross(n, t) * (Tangent.w < 0.0 ? -1.0 : 1.0);
    vec3 toLight = LightSourcePosition - eyePosition.xyz;
    vec3 toEye = -eyePosition.xyz;
    lightDir = vec3(dot(toLight, t), dot(toLight, b), dot(toLight, n));
    viewDir = vec3(dot(toEye, t), dot(toEye, b), dot(toEye, n));
    uv = TexCoord;
    gl_Position = ProjectionMatrix * eyePosition;
}
