#version 150
// The key light on the animated terrain, per height texel:
//     E = integral over the upper hemisphere of max(L(w), 0) V(w) max(n.w, 0) dw.
//
// L: the 16 spherical-harmonic coefficients in the SH frame of Common.glsl (z = world up, so a
//    circle of constant elevation is a short Fourier series in the azimuth). The light is white:
//    its shape comes from "RedLightKey", green and blue are scaled by their DC terms.
// V: the horizon in KEY_DIRECTIONS fixed azimuths over the whole circle, each searched at
//    sqrt(2)^k texels for k in STEPS (4 to 90 texels; nearer, the tangent plane says as much) in
//    the synthesized pyramid level k - "offset" (layer 2 level + 1), whose footprint grows with
//    the distance: a blend of the level's mean and highest height, so that walls between two
//    steps still count. Beyond the field nothing occludes. The nearest texel serves: the
//    synthesized levels are smooth, and interpolating costs the software rasteriser a quarter
//    of the pass for no measurable gain. The tangent plane clips each direction too, so n.w >= 0
//    wherever the sky is open and the cosine is linear in n. Between two directions the
//    horizon's tangent is interpolated.
//    (These choices are measured by the key-light gate test against a brute-force reference.)
// Integration (quadrature in Common.glsl): E = n . (the open hemisphere's integral, from the
//    vertex stage) minus, per azimuth, the part of each ring below its horizon, the integrand
//    taken as linear through the ring's two Gauss nodes. Rings above every horizon of a block of
//    texels cost nothing.
// n: the normal of the animated surface, from layer 0. "test" holds the normals of the static
//    base image, so it is not read.
// The wedge tables ("vis*", "vis1D*") hold projections of slices of an 18-degree polar cap (every
// 1D entry is the whole cap), not of horizon wedges, so they are bound but not read. "phi" and
// "swathWidth" are not needed either: the light's direction is in its coefficients, and the
// horizon directions cover the whole circle.
uniform sampler2DArray heightField;
uniform sampler2D test;
uniform sampler2D vis4;
uniform sampler2D vis8;
uniform sampler2D vis12;
uniform sampler2D vis16;
uniform sampler1D vis1D4;
uniform sampler1D vis1D8;
uniform sampler1D vis1D12;
uniform sampler1D vis1D16;
uniform int offset;
uniform float phi;
uniform float swathWidth;
uniform float RedLightKey[16];
uniform float GreenLightKey[16];
uniform float BlueLightKey[16];
flat in vec3 openSky;
flat in vec4 lowRing[KEY_AZIMUTHS * 2 / 4];
out vec4 keyLight;

const int STEP_COUNT = 8;
const int STEPS[STEP_COUNT] = int[STEP_COUNT](4, 6, 7, 8, 9, 10, 11, 13);
const float HIGHEST_SHARE = 0.85; // of the level's highest height in the blend with its mean
const float DIRECTION_ANGLE = 2.0 * KEY_PI / float(KEY_DIRECTIONS);

// Tangent of the lowest open elevation in each horizon direction.
void findHorizons(vec2 texel, vec3 n, out float rises[KEY_DIRECTIONS])
{
    float h0 = texture(heightField, vec3(texel / HEIGHT_TEXELS, 0.0)).r;
    for (int j = 0; j < KEY_DIRECTIONS; ++j) {
        vec2 dir = vec2(cos(float(j) * DIRECTION_ANGLE), sin(float(j) * DIRECTION_ANGLE));
        vec2 stride = vec2(dir.x, -dir.y); // texels per texel of distance (SH y = world -z)
        vec2 room = mix(texel, HEIGHT_TEXELS - texel, step(0.0, stride)) / max(abs(stride), 1e-6);
        float inside = min(room.x, room.y); // texels to the field's edge
        float rise = -dot(n.xy, dir) / n.z; // the tangent plane
        for (int s = 0; s < STEP_COUNT; ++s) {
            int k = STEPS[s];
            float d = exp2(0.5 * float(k));
            int layer = 2 * clamp(k - offset, 0, 16) + 1;
            ivec2 at = clamp(ivec2(texel + stride * d), ivec2(0), ivec2(int(HEIGHT_TEXELS) - 1));
            vec2 h = texelFetch(heightField, ivec3(at, layer), 0).rg;
            float slope = (mix(h.r, h.g, HIGHEST_SHARE) - h0) * HEIGHT_SCALE / (d * TERRAIN_TEXEL);
            rise = d <= inside ? max(rise, slope) : rise;
        }
        rises[j] = max(rise, 0.0);
    }
}

// The part [0, t] of a ring (t in ring widths) of an integrand linear through the ring's two
// Gauss nodes, where it takes f0 and f1.
float closedPart(float t, float f0, float f1)
{
    return t * (0.5 * (f0 + f1) - 0.8660254 * (1.0 - t) * (f1 - f0));
}

void main()
{
    vec2 texel = gl_FragCoord.xy;
    vec3 n = shFromWorld(heightFieldNormal(heightField, texel / HEIGHT_TEXELS));

    float rises[KEY_DIRECTIONS];
    findHorizons(texel, n, rises);

    // Per integration azimuth: the horizon's sine in ring widths. The tangent is interpolated: a
    // wall's is proportional to the sine of the angle to it, the sine would close far too slowly.
    float cut[KEY_AZIMUTHS];
    float highestCut = 0.0;
    for (int a = 0; a < KEY_AZIMUTHS; ++a) {
        float t = (float(a % KEY_SUBS) + 0.5) / float(KEY_SUBS);
        int j = a / KEY_SUBS;
        float rise = mix(rises[j], rises[(j + 1) % KEY_DIRECTIONS], t);
        cut[a] = rise * inversesqrt(1.0 + rise * rise) * float(KEY_RINGS);
        highestCut = max(highestCut, cut[a]);
    }

    float closed = 0.0; // in units of azimuth width x ring width
    float u0 = keyNodeU(0, 0), u1 = keyNodeU(0, 1);
    for (int a = 0; a < KEY_AZIMUTHS; ++a) {
        vec2 m = keyAzimuth(a);
        float l0 = lowRing[(2 * a) / 4][(2 * a) % 4];
        float l1 = lowRing[(2 * a + 1) / 4][(2 * a + 1) % 4];
        float f0 = l0 * dot(n, vec3(sqrt(1.0 - u0 * u0) * m, u0));
        float f1 = l1 * dot(n, vec3(sqrt(1.0 - u1 * u1) * m, u1));
        closed += closedPart(clamp(cut[a], 0.0, 1.0), f0, f1);
    }
    float c[16];
    for (int i = 0; i < 16; ++i)
        c[i] = RedLightKey[i];
    for (int r = 1; r < KEY_RINGS; ++r) {
        if (highestCut <= float(r))
            break;
        float v0 = keyNodeU(r, 0), v1 = keyNodeU(r, 1);
        float light0[KEY_AZIMUTHS], light1[KEY_AZIMUTHS];
        keyLightCircle(c, v0, light0);
        keyLightCircle(c, v1, light1);
        for (int a = 0; a < KEY_AZIMUTHS; ++a) {
            vec2 m = keyAzimuth(a);
            float f0 = light0[a] * dot(n, vec3(sqrt(1.0 - v0 * v0) * m, v0));
            float f1 = light1[a] * dot(n, vec3(sqrt(1.0 - v1 * v1) * m, v1));
            closed += closedPart(clamp(cut[a] - float(r), 0.0, 1.0), f0, f1);
        }
    }
    float e = dot(n, openSky) - closed * 2.0 * KEY_PI / float(KEY_AZIMUTHS) / float(KEY_RINGS);

    vec3 light = c[0] > 0.0 ? e * vec3(1.0, GreenLightKey[0], BlueLightKey[0]) /
                                  vec3(1.0, c[0], c[0])
                            : vec3(0.0);
    keyLight = vec4(max(light, vec3(0.0)), 1.0);
}
