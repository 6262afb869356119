// ModelOBJ::Import against tinyobjloader on one generated OBJ of about 80 MB (v, vt, vn, quads
// and triangles, four materials). Each import runs in its own forked child, so one importer's
// heap cannot lend pages to the other: the time is the import call alone, the peak is the
// child's resident high-water mark (VmHWM, reset through /proc/self/clear_refs) above its
// resident size just before the import.
#include "ModelOBJ.h"
#include "TestFolders.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The model and its library, in a folder of this run's own.
std::string folder, objPath;
constexpr int kGrid = 640; // vertices per side

void generateModel() {
    objPath = folder + "/brastel-bench-import.obj";
    std::FILE* mtl = std::fopen((folder + "/brastel-bench-import.mtl").c_str(), "w");
    std::FILE* obj = std::fopen(objPath.c_str(), "w");
    if (!mtl || !obj) {
        std::perror("bench_obj_import: cannot write the model");
        std::exit(1);
    }
    std::fputs("newmtl stone\nKd 0.6 0.6 0.6\nNs 20\nmap_Kd stone.tga\n"
               "newmtl moss\nKd 0.2 0.7 0.2\nillum 1\n"
               "newmtl water\nKd 0.1 0.2 0.8\nd 0.6\n"
               "newmtl ice\nKd 0.9 0.9 1.0\nTr 0.2\n",
               mtl);
    std::fclose(mtl);
    std::fputs("# generated height field\nmtllib brastel-bench-import.mtl\no field\n", obj);
    for (int j = 0; j < kGrid; ++j) {
        for (int i = 0; i < kGrid; ++i) {
            const float x = float(i) * 0.05f - 16.0f, z = float(j) * 0.05f - 16.0f;
            const float y = 1.5f * std::sin(x * 0.7f) * std::cos(z * 0.4f);
            const float dx = 1.05f * std::cos(x * 0.7f) * std::cos(z * 0.4f);
            const float dz = -0.6f * std::sin(x * 0.7f) * std::sin(z * 0.4f);
            const float inv = 1.0f / std::sqrt(dx * dx + 1.0f + dz * dz);
            std::fprintf(obj, "v %.6f %.6f %.6f\n", x, y, z);
            std::fprintf(obj, "vt %.6f %.6f\n", float(i) / (kGrid - 1), float(j) / (kGrid - 1));
            std::fprintf(obj, "vn %.6f %.6f %.6f\n", -dx * inv, inv, -dz * inv);
        }
    }
    const char* names[] = {"stone", "moss", "water", "ice"};
    for (int j = 0; j + 1 < kGrid; ++j) {
        if (j % 16 == 0)
            std::fprintf(obj, "usemtl %s\n", names[(j / 16) % 4]);
        for (int i = 0; i + 1 < kGrid; ++i) {
            const int a = j * kGrid + i + 1, b = a + 1, c = a + kGrid + 1, d = a + kGrid;
            if ((i + j) % 2)
                std::fprintf(obj, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c,
                             c, d, d, d);
            else
                std::fprintf(obj, "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a,
                             a, a, b, b, b, c, c, c, a, a, a, c, c, c, d, d, d);
        }
    }
    std::fclose(obj);
}

long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0)
            return std::atol(line.c_str() + length + 1);
    return 0;
}

struct Run {
    double seconds = 0.0;
    double peakMb = 0.0;
    double triangles = 0.0;
};

// Runs one import in a forked child and reports its time, peak memory and triangle count.
template <typename Import> Run runInChild(Import import) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", clear); // resets VmHWM to the current resident size
            std::fclose(clear);
        }
        const long before = statusKb("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        const size_t triangles = import();
        const auto stop = std::chrono::steady_clock::now();
        Run run;
        run.seconds = std::chrono::duration<double>(stop - start).count();
        run.peakMb = double(statusKb("VmHWM:") - before) / 1024.0;
        run.triangles = double(triangles);
        ssize_t written = write(pipeEnds[1], &run, sizeof run);
        _exit(written == sizeof run ? 0 : 1);
    }
    close(pipeEnds[1]);
    Run run;
    if (read(pipeEnds[0], &run, sizeof run) != sizeof run)
        run = {};
    close(pipeEnds[0]);
    waitpid(pid, nullptr, 0);
    return run;
}

size_t importModelOBJ() {
    ModelOBJ model;
    return model.Import(objPath) ? size_t(model.numTriangles) : 0;
}

size_t importTinyObj() {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    // No fallback vertex colours: the file has none, and they would only slow the peer down.
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, objPath.c_str(),
                          (folder + "/").c_str(), true, false))
        return 0;
    size_t triangles = 0;
    for (const auto& shape : shapes)
        triangles += shape.mesh.indices.size() / 3;
    return triangles;
}

std::vector<Run> oursRuns, peerRuns;

// Each iteration imports with both, in alternating order, so a noisy neighbour hits both alike.
// The iteration time is ModelOBJ's; main prints both medians and their ratio.
void BM_ImportSideBySide(benchmark::State& state) {
    for (auto _ : state) {
        const bool oursFirst = oursRuns.size() % 2 == 0;
        const Run first = runInChild(oursFirst ? importModelOBJ : importTinyObj);
        const Run second = runInChild(oursFirst ? importTinyObj : importModelOBJ);
        const Run& ours = oursFirst ? first : second;
        const Run& peer = oursFirst ? second : first;
        if (ours.triangles == 0 || ours.triangles != peer.triangles) {
            state.SkipWithError("an import failed or the triangle counts differ");
            return;
        }
        oursRuns.push_back(ours);
        peerRuns.push_back(peer);
        state.SetIterationTime(ours.seconds);
    }
}

BENCHMARK(BM_ImportSideBySide)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

Run median(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    return runs.empty() ? Run{} : runs[runs.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const ScratchFolder scratch("brastel-bench-import");
    folder = scratch.path.string();
    generateModel();
    std::ifstream file(objPath, std::ios::binary | std::ios::ate);
    std::cout << "Model: " << objPath << ", " << double(file.tellg()) / (1024.0 * 1024.0) << " MiB"
              << std::endl;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Run ours = median(oursRuns), peer = median(peerRuns);
    if (ours.seconds > 0.0 && peer.seconds > 0.0) {
        std::cout << "Medians of " << oursRuns.size() << " paired runs, " << ours.triangles
                  << " triangles:" << std::endl;
        std::cout << "  ModelOBJ::Import   " << ours.seconds * 1000.0 << " ms, peak " << ours.peakMb
                  << " MB" << std::endl;
        std::cout << "  tinyobj::LoadObj   " << peer.seconds * 1000.0 << " ms, peak " << peer.peakMb
                  << " MB" << std::endl;
        std::cout << "Speed-up (tinyobjloader time / ModelOBJ time): "
                  << peer.seconds / ours.seconds << std::endl;
        std::cout << "Peak memory ratio (ModelOBJ / tinyobjloader): " << ours.peakMb / peer.peakMb
                  << std::endl;
    }
    return 0;
}
