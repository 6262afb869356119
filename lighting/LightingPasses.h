#pragma once

// The frame's terrain lighting as a list of named steps: UpdateLighting runs it, and the frame
// (app/FramePasses.h) runs the same steps one by one so that a benchmark can time each.

// One step of a frame: the name its time is reported under and what it draws. A step without a
// name (nullptr) only sets state for the steps after it and is not timed.
struct FramePass {
    const char* name;
    void (*run)();
};

constexpr int lightingPassCount = 8;

// In order: BeginLightingUpdate, noise (NoisePass), reduction (ReducePass 0 ... 15), synthesis
// (SynthesizePass 16 ... 0), env_light (EnvLightPass), normals (NormalPass), key_light
// (KeyLightPass), EndLightingUpdate.
extern const FramePass lightingPasses[lightingPassCount];
