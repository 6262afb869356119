#pragma once

// The height-field pyramid's level arithmetic, shared by the passes and their tests. No GL.

// N = trunc(floor(2 ln 256 / ln 2)) + 1 in single precision: 17 levels, 34 array layers.
constexpr int pyramidLevelCount = 17;
// 2^0.5 in single precision: each level is this much smaller than the one before.
constexpr float pyramidScale = 1.41421354f;
constexpr int renderTargetSize = 256;

// pyramidScale^n in single precision by repeated squaring; the reciprocal for negative n.
float pyramidPower(int n);

// Side of pyramid level i + 1, which reduction pass i writes: floor(256 s^-(i+1)), giving
// 181, 128, 90, 64, 45, 32, 22, 16, 11, 8, 5, 4, 2, 2, 1, 1 for i = 0 ... 15.
int reductionSize(int i);

// The "scale" uniform of reduction and synthesis pass i: s^-(i+2).
float pyramidLevelScale(int i);
