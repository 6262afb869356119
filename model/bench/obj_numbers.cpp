// The importer's float reader against std::from_chars (with the same fall-back for what it does
// not take: a leading '+', hexadecimal, out of range) and strtof, on three million coordinates
// written as OBJ exporters write them ("%.6f"). All three give the same floats.
#include "ObjNumbers.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

const std::string& coordinates() {
    static const std::string text = [] {
        std::mt19937 rng(3);
        std::uniform_real_distribution<float> coordinate(-16.0f, 16.0f);
        std::string out;
        char number[32];
        for (int i = 0; i < 3000000; ++i) {
            std::snprintf(number, sizeof number, "%.6f ", coordinate(rng) / (i % 3 == 1 ? 16 : 1));
            out += number;
        }
        return out;
    }();
    return text;
}

template <typename Read> void readAll(benchmark::State& state, Read read) {
    const std::string& text = coordinates();
    for (auto _ : state) {
        const char* p = text.data();
        const char* end = p + text.size();
        float sum = 0.0f, value = 0.0f;
        for (; p != end && read(p, end, value); ++p) // each number is followed by one space
            sum += value;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 3000000);
}

void BM_ParseFloat(benchmark::State& state) {
    readAll(state, [](const char*& p, const char* end, float& v) { return parseFloat(p, end, v); });
}

void BM_FromChars(benchmark::State& state) {
    readAll(state, [](const char*& p, const char* end, float& v) {
        const auto result = std::from_chars(p, end, v);
        if (result.ec != std::errc())
            return parseFloat(p, end, v);
        p = result.ptr;
        return true;
    });
}

void BM_Strtof(benchmark::State& state) {
    readAll(state, [](const char*& p, const char*, float& v) {
        char* stop = nullptr;
        v = std::strtof(p, &stop); // the text ends in a NUL
        const bool read = stop != p;
        p = stop;
        return read;
    });
}

BENCHMARK(BM_ParseFloat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromChars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Strtof)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
