#version 150
// World normals of the base height image by central differences over one texel each way, with
// the terrain's height scale and texel size. (The key light derives the animated surface's own
// normals from height layer 0.)
uniform sampler2D samLinearClamp;
uniform float size;
out vec4 normal;

void main()
{
    vec2 uv = gl_FragCoord.xy / size;
    vec2 d = vec2(1.0 / size, 0.0);
    float left = texture(samLinearClamp, uv - d.xy).r;
    float right = texture(samLinearClamp, uv + d.xy).r;
    float down = texture(samLinearClamp, uv - d.yx).r;
    float up = texture(samLinearClamp, uv + d.yx).r;
    float k = HEIGHT_SCALE / (2.0 * TERRAIN_TEXEL);
    normal = vec4(normalize(vec3((left - right) * k, 1.0, (down - up) * k)), 1.0);
}
