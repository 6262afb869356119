#include "PyramidLevels.h"

#include <cmath>

float pyramidPower(int n) {
    float result = 1.0f;
    float square = pyramidScale;
    for (unsigned e = static_cast<unsigned>(n < 0 ? -n : n); e != 0; e >>= 1) {
        if (e & 1u)
            result *= square;
        square *= square;
    }
    return n < 0 ? 1.0f / result : result;
}

int reductionSize(int i) {
    return static_cast<int>(std::floor(256.0f * pyramidPower(-(i + 1))));
}

float pyramidLevelScale(int i) {
    return pyramidPower(-(i + 2));
}
