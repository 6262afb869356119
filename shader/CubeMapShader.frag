#version 150
// HDR sky with exposure and filmic tone mapping.
uniform samplerCube cubeMapSampler;
in vec3 direction;
out vec4 color;

void main()
{
    vec3 hdr = texture(cubeMapSampler, direction).rgb;
    vec3 x = max(vec3(0.0), hdr * 0.8 - 0.004);
    vec3 mapped = (x * (6.2 * x + 0.5)) / (x * (6.2 * x + 1.7) + 0.06);
    color = vec4(mapped, 1.0);
}
