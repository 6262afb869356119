#pragma once

#include "PyramidLevels.h"

// The per-frame height field: the noise pass animates layer 0 of hfPyramidArray, 16 reductions
// build the pyramid (level k in layer 2k, each sqrt(2) smaller, in the lower-left corner of its
// layer), 17 syntheses bring every level back to 256 x 256 (layer 2k + 1), and the normal pass
// fills normalTexture from the base height image. Each pass leaves the display framebuffer, no
// program, no vertex array and no texture bound on the units it used.

// The noise pass's clock: milliseconds of the show, read once per pass. The program points it at
// its demo clock; nullptr reads as 0.
extern double (*heightFieldClockMs)();

// The noise pass's "time" uniform: the milliseconds in single precision times 1e-7.
float noiseTime(double milliseconds);

// The reduction and synthesis passes draw into one layer of hfPyramidArray while their programs
// sample other layers of it at the same level, which GL leaves undefined unless a texture barrier
// separates the draws. Where the driver has no barrier, such a pass draws into
// noiseScratchTexture instead and copies that into its layer: no draw then samples a texture it
// renders to, and the layers come out the same.
enum class LayerSeparation { undecided, textureBarrier, scratchTarget };
// Decided from the context at the first pass that needs it; a test may decide it before.
extern LayerSeparation pyramidLayerSeparation;

// Which texels the lighting passes (noise, pyramid, sky light, normals, key light) update: -1
// every texel; k one of lightingParts bands of rows, from the bottom (a scissor, so the other
// rows are not even rasterised), the other bands keeping the values of earlier frames.
// UpdateLighting takes the bands in turn from frame to frame (the field and the light change by
// far less than a part in a thousand between two frames; a band is at most seven frames old, a
// quarter of a second at the show's rate, in a field that moves about a pixel on screen in that
// time) and sets -1 again when it returns, so a pass run on its own updates every texel. Each band reads the same band of the
// levels below it, so the chain stays consistent within a band.
constexpr int lightingParts = 8;
extern int lightingPart;
// From here to endLightingPart, draws into a target (or level) of `side` rows reach only that
// band of them.
void scissorToLightingPart(int side = renderTargetSize);
void endLightingPart();
// Whether this update completes the target: every texel, or the last band of a round. The
// lighting targets' mipmaps are made then, a round's worth of bands at once.
bool lightingRoundEnds();

void NoisePass();
void ReducePass(int i);     // i = 0 ... 15: writes pyramid level i + 1 into layer 2i + 2
void SynthesizePass(int i); // i = 0 ... 16: writes synthesized level i into layer 2i + 1
void NormalPass();
