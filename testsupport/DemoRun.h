#pragma once

// Runs the program in a private copy of the run tree under the test's X server, and drives it
// the way a user would: keys and the close button through the X server.

#include "../app/ClearColour.h"
#include "RunTree.h"
#include "WaveBytes.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Settings = std::map<std::string, std::string>;

// Sends the X client message a window manager sends when the close button is pressed.
void sendCloseRequest(unsigned long window);
// Sends a key ("Escape", "Up", "c", ...) to the window: pressed and released ("key"), or only
// pressed ("keydown") or released ("keyup"). The events go to that window alone and leave no key
// held in the X server, whatever has the focus and even when the window is already gone.
void sendKey(unsigned long window, const std::string& name, const std::string& action);

// A window's pixels as the X server holds them (the frame last presented): rows from the top,
// 8-bit red, green, blue per pixel. Empty when the window cannot be read (gone or unmapped).
struct WindowPixels {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;

    bool empty() const { return rgb.empty(); }
    const std::uint8_t* at(int x, int y) const {
        return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    }
};
WindowPixels captureWindow(const std::string& window);

// The clear colour as the window holds it, give or take rounding.
inline bool isClearColour(const std::uint8_t* p) {
    return std::abs(p[0] - clearColourByte(clearColour.red)) <= 2 &&
           std::abs(p[1] - clearColourByte(clearColour.green)) <= 2 &&
           std::abs(p[2] - clearColourByte(clearColour.blue)) <= 2;
}

// GL errors reported by the show itself: every "OpenGL ERROR" line but the one the context test
// provokes on purpose.
inline int showGLErrors(const std::string& stderrText) {
    const std::string error = "OpenGL ERROR @", provoked = "OpenGL ERROR @after glTranslatef(): ";
    int count = 0;
    for (std::size_t at = stderrText.find(error); at != std::string::npos;
         at = stderrText.find(error, at + 1))
        count += stderrText.compare(at, provoked.size(), provoked) != 0;
    return count;
}

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string shell(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

// Polls `done` every 50 ms until it holds or the time is up.
template <typename Predicate> bool waitUntil(Predicate done, std::chrono::milliseconds timeout) {
    for (const auto end = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms))
        if (done())
            return true;
    return done();
}

// A copy of the built run tree with settings changed for the test (sound off unless asked).
class RunTree {
  public:
    explicit RunTree(Settings settings = {}) {
        static int count = 0;
        root = fs::temp_directory_path() /
               ("brastel-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(count++));
        fs::remove_all(root);
        fs::copy(BRASTEL_STAGE_DIR, root, fs::copy_options::recursive);
        settings.emplace("demo.use.sound", "false");
        // Later lines win, so appending overrides the shipped values.
        std::ofstream conf(this->conf(), std::ios::app);
        for (const auto& [key, value] : settings)
            conf << "\n" << key << " = " << value << "\n";
    }
    ~RunTree() { fs::remove_all(root); }
    fs::path conf() const { return root / runtree::fromRoot(runtree::settingsPath); }

    fs::path root;
};

// A quiet 16-bit stereo tone of the given length, written where the program looks for its music.
inline void writeMusic(const RunTree& tree, double seconds) {
    writeFile((tree.root / runtree::fromRoot(runtree::musicPath)).string(),
              toneWave(seconds, 220.0, 3000));
}

// OpenAL Soft writes what it plays into a file instead of a sound card.
inline Settings waveBackend(const RunTree& tree) {
    const fs::path conf = tree.root / "alsoft.conf";
    std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile="
                        << (tree.root / "played.wav").string() << "\n";
    return {{"ALSOFT_CONF", conf.string()}};
}

class DemoProcess {
  public:
    explicit DemoProcess(const RunTree& tree, const Settings& env = {},
                         const std::vector<std::string>& args = {})
        : out(tree.root / "stdout.log"), err(tree.root / "stderr.log") {
        std::fflush(nullptr); // the child's freopen would write the test's own pending output again
        pid = fork();
        if (pid == 0) {
            setpgid(0, 0); // a process group of its own, as a terminal gives a command
            for (const auto& [name, value] : env)
                setenv(name.c_str(), value.c_str(), 1);
            std::vector<char*> argv = {const_cast<char*>("brastel")};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            if (chdir((tree.root / "bin").c_str()) != 0 || !freopen(out.c_str(), "w", stdout) ||
                !freopen(err.c_str(), "w", stderr))
                _exit(127);
            execv("./brastel", argv.data());
            _exit(127);
        }
    }
    ~DemoProcess() {
        if (!hasExited()) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    std::string stdoutText() const { return readText(out); }
    std::string stderrText() const { return readText(err); }
    std::string transcript() const { return stdoutText() + "\n--- stderr ---\n" + stderrText(); }

    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout = 60s) {
        return waitUntil(
                   [&] { return stdoutText().find(text) != std::string::npos || hasExited(); },
                   timeout) &&
               stdoutText().find(text) != std::string::npos;
    }

    // The program's window, once its title shows a frame rate (so the frame loop runs), or with
    // created as soon as it exists; empty when the program ended first.
    std::string waitForWindow(std::chrono::milliseconds timeout = 60s, bool created = false) {
        std::string id;
        waitUntil(
            [&] {
                id = shell("xdotool search --pid " + std::to_string(pid) +
                           " 2>/dev/null | head -n 1");
                const std::string name = id.empty() || created ? "" : title(id);
                return hasExited() || (created && !id.empty()) ||
                       (!name.empty() &&
                        name.find_first_not_of("0123456789.e+-") == std::string::npos);
            },
            timeout);
        return hasExited() ? "" : id;
    }
    std::string waitForWindowCreated() { return waitForWindow(60s, true); }

    static std::string title(const std::string& window) {
        return shell("xdotool getwindowname " + window + " 2>/dev/null");
    }
    static void key(const std::string& window, const std::string& name,
                    const char* action = "key") {
        sendKey(std::stoul(window), name, action);
    }
    static void close(const std::string& window) { sendCloseRequest(std::stoul(window)); }

    // Captures the window until `good` holds for a capture or the time is up (or the program
    // ends); returns the last capture, empty when there was none.
    template <typename Predicate>
    WindowPixels waitForPixels(const std::string& window, Predicate good,
                               std::chrono::milliseconds timeout = 30s) {
        WindowPixels pixels;
        waitUntil(
            [&] {
                pixels = captureWindow(window);
                return hasExited() || (!pixels.empty() && good(pixels));
            },
            timeout);
        return pixels;
    }

    // The exit code, or -1000 when the program did not end in time.
    int waitForExit(std::chrono::milliseconds timeout = 30s) {
        return waitUntil([&] { return hasExited(); }, timeout) ? exitCode : -1000;
    }

    bool hasExited() {
        int status = 0;
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            exitCode = WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status))
                                         : -100 - WTERMSIG(status);
        }
        return exited;
    }

    pid_t pid = -1;

  private:
    fs::path out, err;
    bool exited = false;
    int exitCode = 0;
};

} // namespace e2e
