#version 150
// The key light on the animated terrain, per height texel:
//     E = integral over the upper hemisphere of max(L(w), 0) V(w) max(n.w, 0) dw,
// and, in alpha, the share of the sky the surrounding terrain leaves open, for the sky's light.
//
// L: the 16 spherical-harmonic coefficients ("RedLightKey", SH frame of Common.glsl). The CPU
//    evaluates max(L, 0) at the quadrature's nodes once per frame ("keyNodeLight", times each
//    node's weight; "keyOpenSky": the integral over the open hemisphere of the light times the
//    direction), so a node costs a product here. The light is white: green and blue are red
//    scaled by their DC terms.
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
// Integration: E = n . keyOpenSky minus, per azimuth, the part of each ring below its horizon, the
//    integrand taken as linear through the ring's two Gauss nodes. Rings above every horizon of a
//    texel cost nothing.
// n: the normal of the animated surface, from layer 0.
// Bound, not read: "test" (normals of the static base image, not of the animated surface), the
// wedge tables "vis*" and "vis1D*" (projections of slices of an 18-degree polar cap, not of
// horizon wedges), "phi" and "swathWidth" (the light's direction is in its coefficients, the
// horizon directions cover the whole circle).
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
uniform float keyNodeLight[KEY_RINGS * 2 * KEY_AZIMUTHS];
uniform vec3 keyOpenSky;
out vec4 keyLight;

const int STEP_COUNT = 8;
const int STEPS[STEP_COUNT] = int[STEP_COUNT](4, 6, 7, 8, 9, 10, 11, 13);
const float STEP_TEXELS[STEP_COUNT] = float[STEP_COUNT](4.0, 8.0, 11.3137085, 16.0, 22.627417,
                                                        32.0, 45.254834, 90.509668);
const float HIGHEST_SHARE = 0.85; // of the level's highest height in the blend with its mean
// Horizon directions j 2 pi / KEY_DIRECTIONS in the SH frame (from x toward y).
const vec2 DIRECTIONS[KEY_DIRECTIONS] = vec2[KEY_DIRECTIONS](
    vec2(1.0, 0.0), vec2(0.70710678, 0.70710678), vec2(0.0, 1.0), vec2(-0.70710678, 0.70710678),
    vec2(-1.0, 0.0), vec2(-0.70710678, -0.70710678), vec2(0.0, -1.0), vec2(0.70710678, -0.70710678));

// The share of a direction's cosine-weighted sky that a horizon of tangent `horizon` leaves open
// above a surface whose own plane rises with tangent `plane` there: cos^2 of the angle between.
float openShare(float horizon, float plane)
{
    float c = 1.0 + horizon * plane;
    return c * c / ((1.0 + horizon * horizon) * (1.0 + plane * plane));
}

// The part [0, t] of a ring (t in ring widths) of an integrand linear through the ring's two
// Gauss nodes, where it takes f0 and f1.
float closedPart(float t, float f0, float f1)
{
    return t * (0.5 * (f0 + f1) - 0.8660254 * (1.0 - t) * (f1 - f0));
}

// The quadrature's nodes (KeyLight.cpp places the same ones): ring r's two Gauss nodes in
// u = sine of the elevation, and the integration azimuths (SH frame, from x toward y).
float keyNodeU(int r, int g)
{
    return (float(r) + 0.5 + (float(g) - 0.5) * 0.57735027) / float(KEY_RINGS);
}
vec3 keyNodeDirection(int r, int g, int a)
{
    float u = keyNodeU(r, g);
    float psi = (float(a) + 0.5) * 2.0 * PI / float(KEY_AZIMUTHS);
    return vec3(sqrt(1.0 - u * u) * vec2(cos(psi), sin(psi)), u);
}

// The part of ring r below the horizon, summed over the integration azimuths. Written out
// azimuth by azimuth, so that every node's place is a constant: in a loop the software
// rasteriser gathers per pixel what is the same for all of them. One line: GLSL 1.50 has no line
// continuation (a strict compiler refuses the backslash).
#define KEY_NODE(a) closed += closedPart(clamp(cut[a] - float(r), 0.0, 1.0), keyNodeLight[2 * r * KEY_AZIMUTHS + a] * dot(n, keyNodeDirection(r, 0, a)), keyNodeLight[(2 * r + 1) * KEY_AZIMUTHS + a] * dot(n, keyNodeDirection(r, 1, a)))
float closedRing(const int r, vec3 n, float cut[KEY_AZIMUTHS])
{
    float closed = 0.0;
    KEY_NODE(0); KEY_NODE(1); KEY_NODE(2); KEY_NODE(3); KEY_NODE(4); KEY_NODE(5); KEY_NODE(6);
    KEY_NODE(7); KEY_NODE(8); KEY_NODE(9); KEY_NODE(10); KEY_NODE(11); KEY_NODE(12);
    KEY_NODE(13); KEY_NODE(14); KEY_NODE(15);
    return closed;
}

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    vec2 texel = gl_FragCoord.xy;
    vec3 n = shFromWorld(heightFieldNormal(heightField, p));
    float h0 = texelFetch(heightField, ivec3(p, 0), 0).r;

    // Tangent of the lowest open elevation in each horizon direction, and the sky it leaves open.
    float rises[KEY_DIRECTIONS];
    float open = 0.0;
    for (int j = 0; j < KEY_DIRECTIONS; ++j) {
        vec2 dir = DIRECTIONS[j];
        vec2 stride = vec2(dir.x, -dir.y); // texels per texel of distance (SH y = world -z)
        vec2 room = mix(texel, HEIGHT_TEXELS - texel, step(0.0, stride)) / max(abs(stride), 1e-6);
        float inside = min(room.x, room.y); // texels to the field's edge
        float plane = -dot(n.xy, dir) / n.z;
        float rise = plane;
        for (int s = 0; s < STEP_COUNT; ++s) {
            float d = STEP_TEXELS[s];
            int layer = 2 * clamp(STEPS[s] - offset, 0, 16) + 1;
            ivec2 at = clamp(ivec2(texel + stride * d), ivec2(0), ivec2(int(HEIGHT_TEXELS) - 1));
            vec2 h = texelFetch(heightField, ivec3(at, layer), 0).rg;
            float slope = (mix(h.r, h.g, HIGHEST_SHARE) - h0) * HEIGHT_SCALE / (d * TERRAIN_TEXEL);
            rise = d <= inside ? max(rise, slope) : rise;
        }
        open += openShare(rise, plane);
        rises[j] = max(rise, 0.0);
    }

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

    // Ring by ring with a constant ring index, so that the nodes are read at fixed places.
    float closed = closedRing(0, n, cut);
    if (highestCut > 1.0)
        closed += closedRing(1, n, cut);
    if (highestCut > 2.0)
        closed += closedRing(2, n, cut);
    if (highestCut > 3.0)
        closed += closedRing(3, n, cut);
    float e = max(dot(n, keyOpenSky) - closed, 0.0);

    float red = RedLightKey[0];
    vec3 light = red > 0.0 ? e * vec3(1.0, GreenLightKey[0] / red, BlueLightKey[0] / red)
                           : vec3(0.0);
    keyLight = vec4(light, open / float(KEY_DIRECTIONS));
}
