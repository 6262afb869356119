#pragma once

#include "SphericalHarmonics.h"

#include <cstdint>
#include <vector>

// A sample set with its own basis storage, generated from a fixed seed.
struct OwnedSampleSet {
    std::vector<ShSample> samples;
    std::vector<double> basis;

    explicit OwnedSampleSet(std::uint32_t seed) : samples(SAMPLE_COUNT), basis(SAMPLE_COUNT * 16) {
        for (int i = 0; i < SAMPLE_COUNT; ++i)
            samples[i].basis = &basis[i * SH_COEFFICIENTS];
        currentSeed() = seed;
        setSampleSeedSource([] { return currentSeed(); });
        generateSampleSet(samples.data());
        setSampleSeedSource(nullptr);
    }

    static std::uint32_t& currentSeed() {
        static std::uint32_t seed = 0;
        return seed;
    }
};
