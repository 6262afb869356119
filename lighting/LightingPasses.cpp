#include "LightingPasses.h"

#include "EnvLightPass.h"
#include "HeightFieldPasses.h"
#include "KeyLightPass.h"
#include "PyramidLevels.h"

namespace {

void ReducePyramid() {
    for (int i = 0; i <= pyramidLevelCount - 2; ++i)
        ReducePass(i);
}

void SynthesizePyramid() {
    for (int i = pyramidLevelCount - 1; i >= 0; --i)
        SynthesizePass(i);
}

} // namespace

const FramePass lightingPasses[lightingPassCount] = {
    {nullptr, BeginLightingUpdate},
    {"noise", NoisePass},
    {"reduction", ReducePyramid},
    {"synthesis", SynthesizePyramid},
    // Before the normal pass, whose mipmaps of envLightTarget then hold its latest round.
    {"env_light", EnvLightPass},
    {"normals", NormalPass},
    {"key_light", KeyLightPass},
    {nullptr, EndLightingUpdate},
};
