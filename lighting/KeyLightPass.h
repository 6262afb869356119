#pragma once

// The key light's soft-shadowed light on the terrain, one 256 x 256 pass into keyLightTarget, and
// the frame's whole lighting update.

extern float swathWidth;         // the "swathWidth" uniform, 20
extern const int keyLightOffset; // the "offset" uniform, 6: pyramid levels below the distance's

// Reads layers 0 and 2k + 1 of hfPyramidArray and the key light's coefficients (KeyLight.h), with
// normalTexture and the wedge tables bound but not read (keyLightShader.frag says why); writes
// keyLightTarget (rgb: the key light's irradiance; a: the open share of the sky), and its mipmaps
// where the update completes a round of bands.
void KeyLightPass();

// The next UpdateLighting updates every texel instead of one band of rows: after the lighting has
// not run for a while (the show's switch to the terrain scene), when the bands would disagree.
void RequestFullLightingUpdate();

// Around the frame's lighting: picks the band of rows this frame's noise, pyramid and key-light
// passes update (every texel after a request), and returns to every texel for passes run alone.
void BeginLightingUpdate();
void EndLightingUpdate();

// The frame's lighting, in order: NoisePass, ReducePass 0 ... 15, SynthesizePass 16 ... 0,
// EnvLightPass, NormalPass, KeyLightPass, between BeginLightingUpdate and EndLightingUpdate (the
// list in LightingPasses.h).
void UpdateLighting();
