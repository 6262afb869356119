// Shared by every program: the loader puts this after the version line, preceded by the scene
// constants as #defines (TERRAIN_SIZE, HEIGHT_TEXELS, HEIGHT_SCALE, EXPOSURE).

// Spherical-harmonic frame: SH z = world up (y), SH x = world x, SH y = world -z.
vec3 shFromWorld(vec3 w) { return vec3(w.x, -w.z, w.y); }
vec3 worldFromSh(vec3 s) { return vec3(s.x, s.z, -s.y); }

// Light stays linear until this last step: exposure, the ACES fit, then sRGB encoding.
vec3 toneMap(vec3 x)
{
    x = max(x, vec3(0.0));
    return clamp(x * (2.51 * x + 0.03) / (x * (2.43 * x + 0.59) + 0.14), 0.0, 1.0);
}

// Within one level in 255 of the exact curve, with a square root instead of a power: on a software
// rasteriser the power was half the sky's cost.
vec3 encodeSrgb(vec3 c)
{
    vec3 low = c * 12.92;
    vec3 high = 1.13005 * sqrt(max(c - 0.00228, 0.0)) - 0.13448 * c + 0.005719;
    return mix(low, high, step(vec3(0.0031308), c));
}

// sRGB code values to linear light, within one level in 255 of the exact curve: the exact
// power costs a software rasteriser two transcendentals a channel.
vec3 decodeSrgb(vec3 c)
{
    vec3 high = ((0.366011 * c + 0.617755) * c + 0.0225212) * c + 0.00120809;
    return mix(c * (1.0 / 12.92), high, step(vec3(0.04045), c));
}

vec3 displayColor(vec3 linearHdr) { return encodeSrgb(toneMap(linearHdr * EXPOSURE)); }

// ---- Sky display map -------------------------------------------------------------------------
// Every direction folded onto a square (octahedral layout): the upper half of the sky (world
// y >= 0) fills the inner diamond, the lower half the four corners. The sky's display colours are
// baked into it once (SkyDisplayMap), so a sky pixel costs one 2D fetch where a cube-map fetch
// costs the software rasteriser twice as much; the diamond's edges, the horizon, have no seam.
vec2 signNotZero(vec2 v) { return vec2(v.x >= 0.0 ? 1.0 : -1.0, v.y >= 0.0 ? 1.0 : -1.0); }

// Texture coordinates 0 ... 1 of direction d (any length but zero).
vec2 skyMapFromDirection(vec3 d)
{
    d /= abs(d.x) + abs(d.y) + abs(d.z);
    vec2 folded = d.y >= 0.0 ? d.xz : (1.0 - abs(d.zx)) * signNotZero(d.xz);
    return folded * 0.5 + 0.5;
}

// The unit direction at texture coordinates uv, the inverse of skyMapFromDirection.
vec3 directionFromSkyMap(vec2 uv)
{
    vec2 o = uv * 2.0 - 1.0;
    vec3 d = vec3(o.x, 1.0 - abs(o.x) - abs(o.y), o.y);
    if (d.y < 0.0)
        d.xz = (1.0 - abs(o.yx)) * signNotZero(o);
    return normalize(d);
}

// ---- Terrain height field (terrain lighting) ------------------------------------------------
// Layer 0 of the height array is the animated surface: h in [0, 1] at texel centres
// ((j + 0.5) / HEIGHT_TEXELS, (i + 0.5) / HEIGHT_TEXELS), world height h * HEIGHT_SCALE.

const float PI = 3.14159265;

// World units per height texel.
const float TERRAIN_TEXEL = TERRAIN_SIZE / HEIGHT_TEXELS;

// World normal from the heights a texel left, right, below and above, `span` texels apart along
// each axis (2 inside the field; 1 on its border, where the missing neighbour is the texel itself).
vec3 normalFromHeights(float left, float right, float down, float up, vec2 span)
{
    vec2 k = HEIGHT_SCALE / (span * TERRAIN_TEXEL);
    return normalize(vec3((left - right) * k.x, 1.0, (down - up) * k.y));
}

vec3 heightFieldNormal(sampler2DArray heights, ivec2 p)
{
    ivec2 lo = max(p - 1, ivec2(0));
    ivec2 hi = min(p + 1, ivec2(int(HEIGHT_TEXELS) - 1));
    return normalFromHeights(texelFetch(heights, ivec3(lo.x, p.y, 0), 0).r,
                             texelFetch(heights, ivec3(hi.x, p.y, 0), 0).r,
                             texelFetch(heights, ivec3(p.x, lo.y, 0), 0).r,
                             texelFetch(heights, ivec3(p.x, hi.y, 0), 0).r, vec2(hi - lo));
}

// Synthesized pyramid levels up to this one are all the key light reads (its farthest horizon
// step, 2^6.5 texels, with "offset" 6); the synthesis skips the coarser ones.
const int KEY_HIGHEST_LEVEL = 7;

// The key light's quadrature (keyLightShader.frag; the light at its nodes comes from the CPU).
const int KEY_AZIMUTHS = KEY_DIRECTIONS * KEY_SUBS;
// ---- end of terrain height field ------------------------------------------------------------
