#include "DemoRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

using namespace e2e;

namespace {

// The program with arguments, as a terminal starts a command.
class Recorder : public DemoProcess {
  public:
    Recorder(const RunTree& tree, const std::vector<std::string>& args, const Settings& env = {})
        : DemoProcess(tree, env, args) {}
    int wait(std::chrono::seconds timeout = 120s) { return waitForExit(timeout); }
};

std::string probe(const fs::path& file, const std::string& entries) {
    return shell("ffprobe -v error -show_entries " + entries + " -of csv=p=0 '" + file.string() +
                 "'");
}

// One hash per decoded video frame.
std::vector<std::string> frameHashes(const fs::path& file) {
    std::istringstream lines(
        shell("ffmpeg -v error -i '" + file.string() + "' -map 0:v -f framemd5 - | grep -v '^#'"));
    std::vector<std::string> hashes;
    for (std::string line; std::getline(lines, line);)
        hashes.push_back(line.substr(line.find_last_of(", ") + 1));
    return hashes;
}

// Records a 3-second show of both scenes at a small size into the file named, in a run tree of its
// own.
std::vector<std::string> recordShortShow(const std::string& name, fs::path& file) {
    RunTree tree(Settings{{"demo.scene1.duration", "1"}}); // both scenes
    writeMusic(tree, 3.0);
    file = fs::temp_directory_path() / ("brastel-record-" + std::to_string(getpid()) + name);
    Recorder recorder(tree, {"--record", file.string(), "--size", "320x180", "--fps", "30"});
    EXPECT_EQ(recorder.wait(), 0) << recorder.transcript();
    EXPECT_NE(recorder.transcript().find("Recording 100%  frame 90/90"), std::string::npos)
        << recorder.transcript();
    return frameHashes(file);
}

} // namespace

TEST(Recording, RecordsTheWholeShowWithItsMusicAndTwoRecordingsMatchFrameForFrame) {
    fs::path mp4, mkv;
    const std::vector<std::string> first = recordShortShow("a.mp4", mp4);
    const std::vector<std::string> second = recordShortShow("b.mkv", mkv);
    for (const fs::path& file : {mp4, mkv}) {
        EXPECT_EQ(probe(file, "stream=codec_type"), "video\naudio") << file;
        const double seconds = std::stod("0" + probe(file, "format=duration"));
        EXPECT_NEAR(seconds, 3.0, 1.0 / 30) << file;
        fs::remove(file);
    }
    EXPECT_EQ(first.size(), 90u);
    EXPECT_TRUE(first == second) << "two recordings of the same show differ";
}

TEST(Recording, FramesChangeOverTheShow) {
    fs::path file;
    const std::vector<std::string> hashes = recordShortShow("c.mp4", file);
    fs::remove(file);
    ASSERT_EQ(hashes.size(), 90u);
    const std::set<std::string> firstMiddleLast = {hashes[0], hashes[45], hashes[89]};
    EXPECT_EQ(firstMiddleLast.size(), 3u) << "the recorded show stands still";
}

TEST(Recording, RefusesWhatItCannotDoWithAClearMessageAndExitCode) {
    RunTree tree;
    writeMusic(tree, 1.0);
    const fs::path empty = tree.root / "no-programs";
    fs::create_directory(empty);
    fs::create_directory(tree.root / "folder.mkv");
    const struct {
        std::vector<std::string> args;
        Settings env;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--bogus"}, {}, 2, "unknown argument '--bogus'\nusage: brastel [--record"},
        {{"--record", (tree.root / "missing" / "a.mp4").string()},
         {},
         1,
         "Cannot write the recording to"},
        {{"--record", (tree.root / "folder.mkv").string()}, {}, 1, "Is a directory"},
        {{"--record", "a.mp4"}, {{"PATH", empty.string()}}, 1, "Recording needs ffmpeg"},
    };
    for (const auto& c : cases) {
        Recorder recorder(tree, c.args, c.env);
        EXPECT_EQ(recorder.wait(), c.exitCode) << recorder.transcript();
        EXPECT_NE(recorder.transcript().find(c.message), std::string::npos)
            << recorder.transcript();
        EXPECT_FALSE(fs::exists(tree.root / "bin" / "a.mp4"));
    }
    fs::remove(tree.root / runtree::fromRoot(runtree::musicPath));
    Recorder noMusic(tree, {"--record", "a.mp4"});
    EXPECT_EQ(noMusic.wait(), 1) << noMusic.transcript();
    EXPECT_NE(noMusic.transcript().find(
                  "the music ../Media/Tidewell - Harbour - 08 - Rain.wav cannot be read"),
              std::string::npos);
}

// The frame count of the recorder's last progress line; 0 before the first.
int framesShown(const Recorder& recorder) {
    const std::string text = recorder.transcript();
    const std::size_t at = text.rfind(" frame ");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 7);
}

TEST(Recording, CtrlCLeavesAPlayableFileOfWhatWasRecorded) {
    RunTree tree;
    writeMusic(tree, 60.0);
    const fs::path file = tree.root / "interrupted.mp4";
    Recorder recorder(tree, {"--record", file.string(), "--size", "320x180"});
    // Interrupted once the progress line shows 30 frames or more.
    ASSERT_TRUE(waitUntil([&] { return framesShown(recorder) >= 30; }, 120s))
        << recorder.transcript();
    kill(-recorder.pid, SIGINT); // Ctrl-C at a terminal reaches the whole process group
    EXPECT_EQ(recorder.wait(30s), 0) << recorder.transcript();
    EXPECT_NE(recorder.transcript().find("Recording interrupted: recorded "), std::string::npos)
        << recorder.transcript();
    EXPECT_EQ(probe(file, "stream=codec_type"), "video\naudio");
    const double seconds = std::stod("0" + probe(file, "format=duration"));
    EXPECT_GT(seconds, 0.4);
    EXPECT_LT(seconds, 59.0);
    EXPECT_EQ(shell("ffmpeg -v error -i '" + file.string() + "' -f null - 2>&1; echo $?"), "0")
        << "the file does not decode to its end";
}

TEST(Recording, AnEncoderThatDiesInTheMiddleEndsTheRecordingWithExitCodeOne) {
    RunTree tree;
    writeMusic(tree, 60.0);
    Recorder recorder(tree, {"--record", (tree.root / "cut.mp4").string(), "--size", "320x180"});
    ASSERT_TRUE(waitUntil([&] { return framesShown(recorder) >= 10; }, 120s))
        << recorder.transcript();
    const std::string encoder = shell("pgrep -P " + std::to_string(recorder.pid) + " -x ffmpeg");
    ASSERT_FALSE(encoder.empty()) << recorder.transcript();
    const pid_t encoderPid = std::stoi(encoder);
    // It leaves the cores to the renderer: every thread of it at idle priority.
    const std::string classes = shell("ps -L -o cls= -p " + std::to_string(encoderPid));
    EXPECT_NE(classes.find("IDL"), std::string::npos) << classes;
    EXPECT_EQ(classes.find("TS"), std::string::npos) << classes;
    kill(encoderPid, SIGKILL);
    EXPECT_EQ(recorder.wait(30s), 1) << recorder.transcript(); // not ended by the broken pipe
    EXPECT_NE(recorder.transcript().find("ffmpeg was ended (exit code"), std::string::npos)
        << recorder.transcript();
    EXPECT_NE(recorder.transcript().find("is incomplete"), std::string::npos);
}
