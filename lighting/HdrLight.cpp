#include "HdrLight.h"

#include "ByteCursor.h"
#include "FileBytes.h"
#include "RgbeReader.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>

float* hdrProbePixels = nullptr;
int hdrProbeWidth = 0;
int hdrProbeHeight = 0;

float envRed[SH_COEFFICIENTS] = {};
float envGreen[SH_COEFFICIENTS] = {};
float envBlue[SH_COEFFICIENTS] = {};

namespace {

// 1/pi with pi taken as 3.1415925, and 4pi / 40,000 in single precision.
constexpr double inversePi = 0.3183099014828645;
constexpr float sampleWeight = 0.00031415926f;

[[noreturn]] void outOfMemory() {
    std::printf(" Not enough memory to load hdr file!\n\n");
    std::fflush(stdout);
    std::exit(1);
}

// Column (or row) of a map coordinate in [-1, 1], kept inside the image whatever the input
// (rounding at the rim, or NaN).
int mapIndex(float coordinate, int size) {
    const float position = coordinate * size + size;
    if (!(position >= 0.0f))
        return 0;
    if (position >= 2.0f * size)
        return size - 1;
    return static_cast<int>(position) >> 1;
}

} // namespace

void LoadHdrProbe(const std::string& fileName, int& width, int& height) {
    std::printf("\n Loading HDR Image: %s\n", fileName.c_str());
    std::fflush(stdout);

    FileBytes file;
    switch (file.readFile(fileName)) {
    case FileBytes::Ok:
        break;
    case FileBytes::OpenFailed:
        std::printf(" Error opening HDR file: %s\n", fileName.c_str());
        std::fflush(stdout);
        std::exit(1);
    case FileBytes::ReadFailed:
        std::perror("RGBE read error");
        std::fprintf(stderr, " Error reading HDR file: %s\n", fileName.c_str());
        std::exit(1);
    case FileBytes::OutOfMemory:
        outOfMemory();
    }

    ByteCursor in(file.data(), file.size());
    int h = 0, w = 0;
    // Without a header there is no size to allocate or read with.
    if (readRgbeHeader(in, h, w) != 0) {
        std::fprintf(stderr, " Bad header in HDR file: %s\n", fileName.c_str());
        std::exit(1);
    }
    if (in.remaining() < minimumRgbePixelBytes(w, h)) {
        std::fprintf(stderr, " HDR file too short for %d x %d pixels: %s\n", w, h,
                     fileName.c_str());
        std::exit(1);
    }

    std::free(hdrProbePixels); // only when start-up runs twice, as in tests
    // Zeroed, so pixels a damaged file never reaches are black rather than undefined.
    hdrProbePixels = static_cast<float*>(std::calloc((size_t)w * h, 3 * sizeof(float)));
    if (!hdrProbePixels)
        outOfMemory();
    std::printf(" HDR Image size: %d x %d\n", w, h);
    std::fflush(stdout);

    if (readRgbePixelsRle(in, hdrProbePixels, w, h) == 0) {
        std::printf(" HDR Image loaded successfully\n");
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, " HDR Image damaged, its unread pixels are black: %s\n",
                     fileName.c_str());
    }
    hdrProbeWidth = width = w;
    hdrProbeHeight = height = h;
}

void probeLookup(const float* pixels, int width, int height, float scale, double x, double y,
                 double z, float rgb[3]) {
    z = z < -1.0 ? -1.0 : (z > 1.0 ? 1.0 : z);
    const double rho2 = x * x + y * y;
    const float k = static_cast<float>(1.0 / std::sqrt(rho2));
    int column, row;
    if (!(rho2 > 0.0) || !std::isfinite(k)) {
        // Straight along the axis the map has no azimuth: its centre looks along +z, and every
        // point of its rim along -z.
        column = width / 2;
        row = z >= 0.0 ? height / 2 : height - 1;
    } else {
        const float r = static_cast<float>(std::acos(z) * inversePi * k);
        const float u = static_cast<float>(x * r);
        const float v = static_cast<float>(y * r);
        column = mapIndex(u, width);
        row = mapIndex(v, height);
    }
    const float* p = pixels + ((size_t)row * width + column) * 3;
    for (int c = 0; c < 3; ++c)
        rgb[c] = scale * p[c];
}

void projectProbe(const ShSample* samples, int count, const float* pixels, int width, int height,
                  float out[3 * SH_COEFFICIENTS]) {
    for (int i = 0; i < 3 * SH_COEFFICIENTS; ++i)
        out[i] = 0.0f;
    for (int i = 0; i < count; ++i) {
        const ShSample& s = samples[i];
        float rgb[3];
        probeLookup(pixels, width, height, hdrProbeLookupScale, s.x, s.y, s.z, rgb);
        for (int j = 0; j < SH_COEFFICIENTS; ++j)
            for (int c = 0; c < 3; ++c)
                out[3 * j + c] = static_cast<float>(out[3 * j + c] + (double)rgb[c] * s.basis[j]);
    }
    for (int i = 0; i < 3 * SH_COEFFICIENTS; ++i)
        out[i] *= sampleWeight;
}

bool CalcHdrLight(const std::string& probeFile) {
    std::cout << "Calculating Hdr Information ..." << std::endl;

    std::unique_ptr<ShSample[]> samples(new (std::nothrow) ShSample[SAMPLE_COUNT]());
    std::unique_ptr<double[]> basis(new (std::nothrow) double[SAMPLE_COUNT * SH_COEFFICIENTS]());
    if (!samples || !basis) {
        std::cerr << "Unable to allocate space for samples" << std::endl;
        return false;
    }
    for (int i = 0; i < SAMPLE_COUNT; ++i)
        samples[i].basis = basis.get() + i * SH_COEFFICIENTS;
    generateSampleSet(samples.get());

    int width = 0, height = 0;
    LoadHdrProbe(probeFile, width, height);

    float coefficients[3 * SH_COEFFICIENTS];
    projectProbe(samples.get(), SAMPLE_COUNT, hdrProbePixels, width, height, coefficients);
    for (int j = 0; j < SH_COEFFICIENTS; ++j) {
        envRed[j] = coefficients[3 * j];
        envGreen[j] = coefficients[3 * j + 1];
        envBlue[j] = coefficients[3 * j + 2];
        std::cout << "envRed[" << j << "]=" << envRed[j] << std::endl;
    }

    std::cout << "Done!" << std::endl << std::endl;
    return true;
}
