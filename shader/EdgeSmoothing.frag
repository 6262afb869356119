#version 150
// Softens the stair steps of the finished picture's edges (ridges against the sky, snow lines),
// from the picture alone: where the pixel and its four neighbours differ by enough contrast, the
// pixel is blended toward the neighbour across the edge, the more the further it stands from its
// neighbours' mean. A pixel on a step's corner stands far from that mean and takes up to half its
// neighbour; a pixel along a straight edge stays nearly as it is, and flat areas do not change.
// Only exact fetches: on a software rasteriser every filtered fetch of a full-screen pass costs
// about a millisecond, and a longer search along the edge (as fuller methods do) costs ten.
uniform sampler2D picture; // display-encoded colour
out vec4 color;

const float CONTRAST_LOW = 0.04;  // luma contrast below which nothing is blended
const float CONTRAST_HIGH = 0.12; // ... and from which it is blended fully

float luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    ivec2 last = textureSize(picture, 0) - 1;
    vec3 centre = texelFetch(picture, p, 0).rgb;
    vec3 north = texelFetch(picture, ivec2(p.x, min(p.y + 1, last.y)), 0).rgb;
    vec3 south = texelFetch(picture, ivec2(p.x, max(p.y - 1, 0)), 0).rgb;
    vec3 east = texelFetch(picture, ivec2(min(p.x + 1, last.x), p.y), 0).rgb;
    vec3 west = texelFetch(picture, ivec2(max(p.x - 1, 0), p.y), 0).rgb;
    float m = luma(centre), n = luma(north), s = luma(south), e = luma(east), w = luma(west);
    float contrast = max(max(max(n, s), max(e, w)), m) - min(min(min(n, s), min(e, w)), m);

    // The edge runs along the axis whose neighbours agree with the pixel more.
    bool acrossY = abs(n + s - 2.0 * m) >= abs(e + w - 2.0 * m);
    vec3 across = acrossY ? (abs(n - m) >= abs(s - m) ? north : south)
                          : (abs(e - m) >= abs(w - m) ? east : west);
    float deviation = clamp(abs(0.25 * (n + s + e + w) - m) / max(contrast, 1e-4), 0.0, 1.0);
    float blend = 0.5 * smoothstep(0.0, 1.0, deviation) * smoothstep(CONTRAST_LOW, CONTRAST_HIGH, contrast);
    color = vec4(mix(centre, across, blend), 1.0);
}
