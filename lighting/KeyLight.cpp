#include "KeyLight.h"

#include <iostream>
#include <new>

KeyLightSample* keyLightSamples = nullptr;
double keyLightBase[SH_COEFFICIENTS] = {};
double keyLightRotated[SH_COEFFICIENTS] = {};
const double lightTilt = 12.0;
double keyLightAzimuth = 0.0;
float redLightKey[SH_COEFFICIENTS] = {};
float greenLightKey[SH_COEFFICIENTS] = {};
float blueLightKey[SH_COEFFICIENTS] = {};

namespace {

constexpr double DISC_HALF_ANGLE = 1.0471975511965976;

void releaseKeyLightSamples() {
    if (!keyLightSamples)
        return;
    delete[] keyLightSamples[0].basis; // one block holds every record's values
    delete[] keyLightSamples;
    keyLightSamples = nullptr;
}

} // namespace

bool CalcKeyLight() {
    std::cout << "Calculating Keylight Information ..." << std::endl;

    releaseKeyLightSamples(); // only when start-up runs twice, as in tests
    keyLightSamples = new (std::nothrow) KeyLightSample[SAMPLE_COUNT]();
    if (!keyLightSamples) {
        std::cerr << "Unable to allocate space for samples" << std::endl;
        return false;
    }
    if (!generateKeyLightSamples(keyLightSamples)) {
        delete[] keyLightSamples;
        keyLightSamples = nullptr;
        return false;
    }

    double sum[SH_COEFFICIENTS] = {};
    for (int i = 0; i < SAMPLE_COUNT; ++i) {
        const KeyLightSample& s = keyLightSamples[i];
        if (s.theta < DISC_HALF_ANGLE)
            for (int j = 0; j < SH_COEFFICIENTS; ++j)
                sum[j] += s.basis[j];
    }
    for (int j = 0; j < SH_COEFFICIENTS; ++j)
        keyLightBase[j] = sum[j] * SAMPLE_WEIGHT;

    UpdateKeyLight();

    std::cout << "Done!" << std::endl << std::endl;
    return true;
}

void UpdateKeyLight() {
    rotateSH(keyLightBase, lightTilt, keyLightAzimuth, keyLightRotated);
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        const float value = static_cast<float>(keyLightRotated[j]);
        redLightKey[j] = value;
        greenLightKey[j] = value;
        blueLightKey[j] = value;
    }
}
