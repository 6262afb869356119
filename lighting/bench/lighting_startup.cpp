// Start-up work of the three wedge tables and the key light (without the texture uploads), by
// the straightforward projection and by the program's own, on the same sample set.

#include "KeyLight.h"
#include "WedgeProjection.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::uint32_t fixedSeed() {
    return 1733500000u;
}

struct Tables {
    std::vector<double> oneD = std::vector<double>(WEDGE_GRID * 16);
    std::vector<double> twoD = std::vector<double>(WEDGE_GRID * WEDGE_GRID * 16);
    std::vector<double> env = std::vector<double>(WEDGE_GRID * WEDGE_GRID * 16);
};

// One table computation as the start-up runs it: a fresh sample set, then the projection.
void computeTable(int which, Projection method, std::vector<double>& out) {
    std::unique_ptr<ShSample[]> samples(new ShSample[SAMPLE_COUNT]());
    std::unique_ptr<double[]> basis(new double[SAMPLE_COUNT * SH_COEFFICIENTS]());
    for (int i = 0; i < SAMPLE_COUNT; ++i)
        samples[i].basis = basis.get() + i * SH_COEFFICIENTS;
    generateSampleSet(samples.get());
    if (which == 0)
        computeWedgeTable1D(samples.get(), out.data(), method);
    else
        computeWedgeTable2D(samples.get(), which == 1 ? WEDGE_EXTENT : ENV_WEDGE_EXTENT, out.data(),
                            method);
}

void startup(Projection method, Tables& tables) {
    computeTable(0, method, tables.oneD);
    computeTable(1, method, tables.twoD);
    computeTable(2, method, tables.env);
    std::ostringstream quiet;
    std::streambuf* saved = std::cout.rdbuf(quiet.rdbuf());
    CalcKeyLight();
    std::cout.rdbuf(saved);
}

void BM_StartupStraightforward(benchmark::State& state) {
    Tables tables;
    for (auto _ : state)
        startup(Projection::Straightforward, tables);
}

void BM_StartupFast(benchmark::State& state) {
    Tables tables;
    for (auto _ : state)
        startup(Projection::Fast, tables);
}

void BM_UpdateKeyLight(benchmark::State& state) {
    for (auto _ : state) {
        keyLightAzimuth -= 0.25;
        UpdateKeyLight();
        benchmark::DoNotOptimize(redLightKey[5]);
    }
}

BENCHMARK(BM_StartupStraightforward)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StartupFast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpdateKeyLight)->Unit(benchmark::kMicrosecond);

double largestDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double largest = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        largest = std::fmax(largest, std::fabs(a[i] - b[i]));
    return largest;
}

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    setSampleSeedSource(fixedSeed);

    Tables fast, slow;
    startup(Projection::Fast, fast);
    startup(Projection::Straightforward, slow);
    const double difference = std::fmax(
        largestDifference(fast.oneD, slow.oneD),
        std::fmax(largestDifference(fast.twoD, slow.twoD), largestDifference(fast.env, slow.env)));
    std::printf("largest difference between the projections: %.3g\n", difference);
    if (!(difference <= 1e-9)) {
        std::printf("the projections disagree\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto slowRun = reporter.seconds.find("BM_StartupStraightforward/real_time");
    const auto fastRun = reporter.seconds.find("BM_StartupFast/real_time");
    if (slowRun != reporter.seconds.end() && fastRun != reporter.seconds.end())
        std::printf("start-up tables + key light: straightforward %.1f ms, fast %.2f ms, "
                    "ratio %.1f\n",
                    slowRun->second, fastRun->second, slowRun->second / fastRun->second);
    return 0;
}
