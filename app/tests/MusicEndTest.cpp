#include "DemoRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace e2e;

namespace {

// A quiet 16-bit stereo tone of the given length, written where the program looks for its music.
void writeMusic(const RunTree& tree, double seconds) {
    const std::uint32_t rate = 44100, frames = static_cast<std::uint32_t>(seconds * rate);
    std::vector<std::int16_t> samples(frames * 2);
    for (std::uint32_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(3000 * std::sin(2 * M_PI * 220.0 * (i / 2) / rate));
    const std::uint32_t bytes = frames * 4;
    const std::uint32_t header[] = {0x46464952, 36 + bytes, 0x45564157, 0x20746d66,
                                    16,         0x00020001, rate,       rate * 4,
                                    0x00100004, 0x61746164, bytes}; // RIFF, WAVE, "fmt " PCM stereo
                                                                    // 16-bit, "data"
    std::ofstream wav(tree.root / "Media" / "Tidewell - Harbour - 08 - Rain.wav", std::ios::binary);
    wav.write(reinterpret_cast<const char*>(header), sizeof header);
    wav.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

// OpenAL Soft writes what it plays into a file instead of a sound card.
Settings waveBackend(const RunTree& tree) {
    const fs::path conf = tree.root / "alsoft.conf";
    std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile="
                        << (tree.root / "played.wav").string() << "\n";
    return {{"ALSOFT_CONF", conf.string()}};
}

} // namespace

TEST(MusicEnd, TheDemoEndsByItselfWhenItsMusicHasEnded) {
    RunTree tree(Settings{{"demo.use.sound", "true"}});
    writeMusic(tree, 3.0);
    DemoProcess demo(tree, waveBackend(tree));
    ASSERT_TRUE(demo.waitForOutput("-------END-------"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(demo.waitForExit(20s), 0) << demo.stdoutText() << demo.stderrText();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 8.0);
    const std::string out = demo.stdoutText();
    EXPECT_NE(out.find("Playing Source ....."), std::string::npos) << out;
    EXPECT_EQ(out.find("ESC pressed"), std::string::npos);
}

TEST(MusicEnd, EscWhileTheMusicPlaysEndsAtOnce) {
    RunTree tree(Settings{{"demo.use.sound", "true"}});
    writeMusic(tree, 20.0);
    const auto env = waveBackend(tree);
    for (int run = 0; run < 3; ++run) {
        DemoProcess demo(tree, env);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.stdoutText() << demo.stderrText();
        ASSERT_TRUE(demo.waitForOutput("Playing Source ."));
        DemoProcess::key(window, "Escape");
        EXPECT_EQ(demo.waitForExit(5s), 0) << demo.stdoutText() << demo.stderrText();
    }
}
