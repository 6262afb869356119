#pragma once

#include "SceneConventions.h"
#include "SphericalHarmonics.h"

// The key light: a disc of half-angle 60 degrees projected once at start-up, then turned to the
// light's direction every frame and handed to the key-light pass as three float arrays.

extern KeyLightSample* keyLightSamples;         // SAMPLE_COUNT records, kept for the process
extern double keyLightBase[SH_COEFFICIENTS];    // the disc around +z
extern double keyLightRotated[SH_COEFFICIENTS]; // the disc turned by lightTilt, keyLightAzimuth
extern const double lightTilt;                  // degrees
extern double keyLightAzimuth;                  // degrees; the frame update lowers it

// Uniforms "RedLightKey", "GreenLightKey", "BlueLightKey": the light is white, so all equal.
extern float redLightKey[SH_COEFFICIENTS];
extern float greenLightKey[SH_COEFFICIENTS];
extern float blueLightKey[SH_COEFFICIENTS];

// Start-up: samples, projects and turns the disc, with its console lines. False after a failed
// allocation (the arrays then stay as they were).
bool CalcKeyLight();

// Per frame, after keyLightAzimuth has been lowered: turns the disc and refreshes the arrays.
void UpdateKeyLight();

// The light at the key-light shader's integration nodes, evaluated once per frame instead of per
// texel. For ring r, Gauss node g and azimuth a, node (r * 2 + g) * keyAzimuths + a holds
// max(L, 0) times its quadrature weight; openSky is the sum of those times the nodes' directions
// (SH frame), the light's cosine-weighted integral over the whole upper hemisphere.
struct KeyLightNodes {
    static constexpr int count = scene::keyRings * 2 * scene::keyAzimuths;
    float light[count];
    float openSky[3];
};
KeyLightNodes keyLightNodes(const float coefficients[SH_COEFFICIENTS]);
