#pragma once

#include "SphericalHarmonics.h"

#include <cstdint>
#include <vector>

inline std::uint32_t testSeed = 0;

// A sample set with its own basis storage, generated from a fixed seed.
struct OwnedSampleSet {
    std::vector<ShSample> samples;
    std::vector<double> basis;

    explicit OwnedSampleSet(std::uint32_t seed) : samples(SAMPLE_COUNT), basis(SAMPLE_COUNT * 16) {
        for (int i = 0; i < SAMPLE_COUNT; ++i)
            samples[i].basis = &basis[i * SH_COEFFICIENTS];
        testSeed = seed;
        setSampleSeedSource([] { return testSeed; });
        generateSampleSet(samples.data());
        setSampleSeedSource(nullptr);
    }
};
