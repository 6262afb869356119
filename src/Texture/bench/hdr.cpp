// loadHdr against stb_image on one large run-length encoded Radiance file, both from disk.

#include "ImageBytes.h"
#include "RgbeReader.h"
#include "TestFolders.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <stb/stb_image.h>
#include <unistd.h>

namespace {

const int kWidth = 4096;
const int kHeight = 2048;
// In a folder of this run's own.
std::string skyPath;

void toRgbe(float r, float g, float b, unsigned char* out) {
    float m = std::fmax(r, std::fmax(g, b));
    if (m < 1e-32f) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    int e;
    float scale = std::frexp(m, &e) * 256.0f / m;
    out[0] = (unsigned char)(r * scale);
    out[1] = (unsigned char)(g * scale);
    out[2] = (unsigned char)(b * scale);
    out[3] = (unsigned char)(e + 128);
}

// An equirectangular sky: blue gradient, bright sun, darker ground, with a little grain so
// the channel planes mix runs and literals as photographs do.
void writeSky() {
    Bytes rgbe((size_t)kWidth * kHeight * 4);
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        const float elevation = 1.0f - 2.0f * (y + 0.5f) / kHeight;
        for (int x = 0; x < kWidth; ++x) {
            const float azimuth = 2.0f * 3.14159265f * (x + 0.5f) / kWidth;
            seed = seed * 1664525u + 1013904223u;
            const float grain = 1.0f + ((seed >> 24) - 128) / 4096.0f;
            float r, g, b;
            if (elevation > 0) {
                r = 0.3f + 0.5f * (1 - elevation);
                g = 0.5f + 0.4f * (1 - elevation);
                b = 1.0f;
            } else {
                r = 0.25f, g = 0.2f, b = 0.15f;
            }
            const float dx = azimuth - 2.0f, dy = elevation - 0.4f;
            const float sun = std::exp(-(dx * dx + dy * dy) * 400.0f) * 5000.0f;
            toRgbe((r + sun) * grain, (g + sun * 0.9f) * grain, (b + sun * 0.7f) * grain,
                   &rgbe[((size_t)y * kWidth + x) * 4]);
        }
    }
    if (!writeFile(skyPath, rgbeFile(kWidth, kHeight, rgbe, true))) {
        std::fprintf(stderr, "cannot write %s\n", skyPath.c_str());
        std::exit(1);
    }
}

// loadHdr reports the size on standard error; keep it out of the timing table.
struct QuietStderr {
    int saved = dup(2);
    QuietStderr() {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(null);
    }
    ~QuietStderr() {
        dup2(saved, 2);
        close(saved);
    }
};

void BM_loadHdr(benchmark::State& state) {
    QuietStderr quiet;
    for (auto _ : state) {
        Texture texture;
        loadHdr(skyPath, texture);
        benchmark::DoNotOptimize(texture.data);
        std::free(texture.data);
    }
}

void BM_stbi_loadf(benchmark::State& state) {
    for (auto _ : state) {
        int w, h, n;
        float* pixels = stbi_loadf(skyPath.c_str(), &w, &h, &n, 3);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}

BENCHMARK(BM_loadHdr)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_stbi_loadf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : benchmark::ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                real[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpu[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> real, cpu;
};

bool samePixels() {
    Texture ours;
    {
        QuietStderr quiet;
        loadHdr(skyPath, ours);
    }
    int w = 0, h = 0, n = 0;
    float* theirs = stbi_loadf(skyPath.c_str(), &w, &h, &n, 3);
    bool same = theirs && ours.data && w == ours.width && h == ours.height &&
                std::memcmp(ours.data, theirs, (size_t)w * h * 12) == 0;
    std::free(ours.data);
    stbi_image_free(theirs);
    return same;
}

} // namespace

int main(int argc, char** argv) {
    const ScratchFolder scratch("brastel-bench-hdr");
    skyPath = scratch.file("sky_4096x2048.hdr");
    writeSky();
    std::FILE* f = std::fopen(skyPath.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    std::printf("%s: %d x %d, %ld bytes run-length encoded; pixels identical: %s\n",
                skyPath.c_str(), kWidth, kHeight, std::ftell(f), samePixels() ? "yes" : "NO");
    std::fclose(f);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (auto* times : {&reporter.real, &reporter.cpu}) {
        const double ours = (*times)["BM_loadHdr"], theirs = (*times)["BM_stbi_loadf"];
        if (ours > 0 && theirs > 0)
            std::printf("%s time, loadHdr / stb_image: %.3f (stb_image takes %.2fx as long)\n",
                        times == &reporter.real ? "real" : "CPU", ours / theirs, theirs / ours);
    }
    benchmark::Shutdown();
    return 0;
}
