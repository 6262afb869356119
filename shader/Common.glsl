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

vec3 encodeSrgb(vec3 c)
{
    vec3 low = c * 12.92;
    vec3 high = 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055;
    return mix(low, high, step(vec3(0.0031308), c));
}

vec3 displayColor(vec3 linearHdr) { return encodeSrgb(toneMap(linearHdr * EXPOSURE)); }
