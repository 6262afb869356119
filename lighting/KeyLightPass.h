#pragma once

// The key light's soft-shadowed light on the terrain, one 256 x 256 pass into keyLightTarget, and
// the frame's whole lighting update.

extern float swathWidth;         // the "swathWidth" uniform, 20
extern const int keyLightOffset; // the "offset" uniform, 6: pyramid levels below the distance's

// Reads layers 0 and 2k + 1 of hfPyramidArray, normalTexture, the wedge tables and the key
// light's coefficients (KeyLight.h); writes keyLightTarget and its mipmaps.
void KeyLightPass();

// The frame's lighting, in order: NoisePass, ReducePass 0 ... 15, SynthesizePass 16 ... 0,
// NormalPass, EnvLightPass, KeyLightPass (the list in LightingPasses.h).
void UpdateLighting();
