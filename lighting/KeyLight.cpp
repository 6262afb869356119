#include "KeyLight.h"

#include <algorithm>
#include <cmath>
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

KeyLightNodes keyLightNodes(const float coefficients[SH_COEFFICIENTS]) {
    constexpr double pi = 3.14159265358979323846;
    constexpr double gauss = 0.57735026918962576; // the nodes sit at +-1/sqrt(3) of a half ring
    const double weight = 2.0 * pi / scene::keyAzimuths / scene::keyRings;
    KeyLightNodes nodes{};
    for (int r = 0; r < scene::keyRings; ++r)
        for (int g = 0; g < 2; ++g) {
            const double u = (r + 0.5 + (g - 0.5) * gauss) / scene::keyRings;
            const double rho = std::sqrt(1.0 - u * u);
            for (int a = 0; a < scene::keyAzimuths; ++a) {
                const double psi = (a + 0.5) * 2.0 * pi / scene::keyAzimuths;
                double basis[SH_COEFFICIENTS];
                evalSHBlock(std::acos(u), psi, ShBuild::KeyLight, basis);
                double light = 0.0;
                for (int j = 0; j < SH_COEFFICIENTS; ++j)
                    light += coefficients[j] * basis[j];
                light = std::max(light, 0.0) * weight;
                const double direction[3] = {rho * std::cos(psi), rho * std::sin(psi), u};
                nodes.light[(r * 2 + g) * scene::keyAzimuths + a] = static_cast<float>(light);
                for (int c = 0; c < 3; ++c)
                    nodes.openSky[c] += static_cast<float>(0.5 * light * direction[c]);
            }
        }
    return nodes;
}
