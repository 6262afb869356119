#version 150
// Normals of the height field by central differences.
uniform sampler2D samLinearClamp;
uniform float size;
in vec2 texCoord;
out vec4 normal;

void main()
{
    float texel = 1.0 / size;
    float left = texture(samLinearClamp, texCoord - vec2(texel, 0.0)).r;
    float right = texture(samLinearClamp, texCoord + vec2(texel, 0.0)).r;
    float down = texture(samLinearClamp, texCoord - vec2(0.0, texel)).r;
    float up = texture(samLinearClamp, texCoord + vec2(0.0, texel)).r;
    vec3 n = normalize(vec3((left - right) * HEIGHT_SCALE * HEIGHT_TEXELS / TERRAIN_SIZE, 2.0, (down - up) * HEIGHT_SCALE * HEIGHT_TEXELS / TERRAIN_SIZE));
    normal = vec4(n, 1.0);
}
