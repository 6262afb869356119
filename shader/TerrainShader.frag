#version 150
uniform sampler2D keyLightSampler;
uniform sampler2D envLightSampler;
in vec2 uv;
in float height;
out vec4 color;

void main()
{
    vec3 albedo = mix(vec3(0.32, 0.30, 0.22), vec3(0.85, 0.86, 0.88), smoothstep(0.55, 0.8, height));
    vec3 light = texture(keyLightSampler, uv).rgb + texture(envLightSampler, uv).rgb;
    vec3 hdr = albedo * light;
    color = vec4(hdr / (hdr + 1.0), 1.0);
}
