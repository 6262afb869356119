#version 150
// World normals of the base height image, with the terrain's height scale and texel size. (The
// key light derives the animated surface's own normals from height layer 0.)
uniform sampler2D samLinearClamp;
uniform float size;
out vec4 normal;

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    ivec2 lo = max(p - 1, ivec2(0));
    ivec2 hi = min(p + 1, ivec2(int(size) - 1));
    normal = vec4(normalFromHeights(texelFetch(samLinearClamp, ivec2(lo.x, p.y), 0).r,
                                    texelFetch(samLinearClamp, ivec2(hi.x, p.y), 0).r,
                                    texelFetch(samLinearClamp, ivec2(p.x, lo.y), 0).r,
                                    texelFetch(samLinearClamp, ivec2(p.x, hi.y), 0).r, vec2(hi - lo)),
                  1.0);
}
