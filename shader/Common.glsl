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

// ---- Terrain height field (terrain lighting) ------------------------------------------------
// Layer 0 of the height array is the animated surface: h in [0, 1] at texel centres
// ((j + 0.5) / HEIGHT_TEXELS, (i + 0.5) / HEIGHT_TEXELS), world height h * HEIGHT_SCALE.

// World units per height texel.
const float TERRAIN_TEXEL = TERRAIN_SIZE / HEIGHT_TEXELS;

// World normal of the animated surface at texture coordinate uv, by central differences over
// one texel each way (one-sided at the border).
vec3 heightFieldNormal(sampler2DArray heights, vec2 uv)
{
    vec2 d = vec2(1.0 / HEIGHT_TEXELS, 0.0);
    float left = texture(heights, vec3(uv - d.xy, 0.0)).r;
    float right = texture(heights, vec3(uv + d.xy, 0.0)).r;
    float down = texture(heights, vec3(uv - d.yx, 0.0)).r;
    float up = texture(heights, vec3(uv + d.yx, 0.0)).r;
    float k = HEIGHT_SCALE / (2.0 * TERRAIN_TEXEL);
    return normalize(vec3((left - right) * k, 1.0, (down - up) * k));
}

// The key light's quadrature (keyLightShader.vert and .frag). Horizons are searched in
// KEY_DIRECTIONS azimuths j 2 pi / KEY_DIRECTIONS (SH frame, from x toward y); the light is
// integrated at KEY_SUBS azimuths between two of them, over KEY_RINGS equal-area rings of
// u = sine of the elevation, with two Gauss nodes per ring.
const int KEY_DIRECTIONS = 8;
const int KEY_SUBS = 2;
const int KEY_AZIMUTHS = KEY_DIRECTIONS * KEY_SUBS;
const int KEY_RINGS = 4;
const float KEY_PI = 3.14159265;

float keyNodeU(int ring, int node)
{
    return (float(ring) + 0.5 + (float(node) - 0.5) * 0.57735027) / float(KEY_RINGS);
}

vec2 keyAzimuth(int a) // cos, sin
{
    float psi = (float(a) + 0.5) * 2.0 * KEY_PI / float(KEY_AZIMUTHS);
    return vec2(cos(psi), sin(psi));
}

// max(L, 0) at each integration azimuth on the circle of sine u, for the light's coefficients c
// (band 0 ... 3, index l(l+1)+m): along a circle about z, L is a Fourier series of order 3.
void keyLightCircle(float c[16], float u, out float light[KEY_AZIMUTHS])
{
    float rho = sqrt(1.0 - u * u);
    float q = 5.0 * u * u - 1.0;
    float a0 = 0.282095 * c[0] + 0.488603 * u * c[2] + 0.315392 * (3.0 * u * u - 1.0) * c[6] +
               0.373176 * u * (5.0 * u * u - 3.0) * c[12];
    vec2 ab1 = -rho * (0.488603 * vec2(c[3], c[1]) + 1.092548 * u * vec2(c[7], c[5]) +
                       0.457046 * q * vec2(c[13], c[11]));
    vec2 ab2 = rho * rho * (0.546274 * vec2(c[8], c[4]) + 1.445306 * u * vec2(c[14], c[10]));
    vec2 ab3 = -0.590044 * rho * rho * rho * vec2(c[15], c[9]);
    for (int a = 0; a < KEY_AZIMUTHS; ++a) {
        vec2 m1 = keyAzimuth(a);
        vec2 m2 = vec2(m1.x * m1.x - m1.y * m1.y, 2.0 * m1.x * m1.y);
        vec2 m3 = vec2(m2.x * m1.x - m2.y * m1.y, m2.y * m1.x + m2.x * m1.y);
        light[a] = max(a0 + dot(ab1, m1) + dot(ab2, m2) + dot(ab3, m3), 0.0);
    }
}
// ---- end of terrain height field ------------------------------------------------------------

// ---- Ground material (terrain drawing) ------------------------------------------------------
// Value noise for the ground's material: smooth, repeatable, about one feature per unit of p.
float groundHash(vec2 p)
{
    // Multiplies and fract only: sin is slow on software rasterisers.
    vec3 q = fract(p.xyx * 0.1031);
    q += dot(q, q.yzx + 33.33);
    return fract((q.x + q.y) * q.z);
}

float groundNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    f = f * f * (3.0 - 2.0 * f);
    return mix(mix(groundHash(i), groundHash(i + vec2(1.0, 0.0)), f.x),
               mix(groundHash(i + vec2(0.0, 1.0)), groundHash(i + vec2(1.0, 1.0)), f.x), f.y);
}
