#version 150
// One pyramid reduction step: level i + 1 from level i (layer "level"; layer 0 for i = 0). Each
// coarser texel holds in red the area-weighted mean of the finer texels under its footprint (a
// smooth field keeps its values) and in green the highest value of those whose centre it holds
// (no occluder is lost). Levels
// sit in the lower-left corner of their layers; their sides are floor(size s^-i) with
// s = sqrt(2), and "scale" = s^-(i+2).
uniform sampler2DArray hfPyramid;
uniform float scale;
uniform float size;
uniform float level;
out vec4 reduced;

void main()
{
    float sourceSide = floor(2.0 * scale * size + 0.001);
    float targetSide = floor(sqrt(2.0) * scale * size + 0.001);
    float ratio = sourceSide / targetSide; // 1 ... 2: a footprint touches at most 3 x 3 texels
    vec2 low = floor(gl_FragCoord.xy) * ratio;
    vec2 high = low + ratio;
    ivec2 first = ivec2(floor(low + 0.0001));
    int layer = int(level + 0.5);
    float sum = 0.0;
    float highest = -3.0e38;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            vec2 texel = vec2(first + ivec2(x, y));
            vec2 overlap = max(min(texel + 1.0, high) - max(texel, low), 0.0);
            float weight = overlap.x * overlap.y;
            if (weight > 0.0) {
                vec2 h = texelFetch(hfPyramid, ivec3(first + ivec2(x, y), layer), 0).rg;
                sum += weight * h.r;
                highest = max(highest, h.g);
            }
        }
    float mean = sum / (ratio * ratio);
    reduced = vec4(mean, highest, mean, 1.0);
}
