#version 150
// One pyramid reduction step: the maximum of a 2 x 2 footprint of the finer level, so coarser
// levels never hide an occluder.
uniform sampler2DArray hfPyramid;
uniform float scale;
uniform float size;
uniform float level;
in vec2 texCoord;
out vec4 reduced;

void main()
{
    float texel = scale / size;
    vec2 base = texCoord * scale;
    float h0 = texture(hfPyramid, vec3(base + vec2(-0.25, -0.25) * texel, level)).r;
    float h1 = texture(hfPyramid, vec3(base + vec2(0.25, -0.25) * texel, level)).r;
    float h2 = texture(hfPyramid, vec3(base + vec2(-0.25, 0.25) * texel, level)).r;
    float h3 = texture(hfPyramid, vec3(base + vec2(0.25, 0.25) * texel, level)).r;
    float h = max(max(h0, h1), max(h2, h3));
    reduced = vec4(h, h, h, 1.0);
}
