#pragma once

// Runs the program in a private copy of the run tree under the test's X server, and drives it
// the way a user would: keys and the close button through the X server.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Sends the X client message a window manager sends when the close button is pressed.
void sendCloseRequest(unsigned long window);

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
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    return output;
}

using Settings = std::map<std::string, std::string>;

// A copy of the built run tree with settings changed for the test (sound off by default).
class RunTree {
public:
    explicit RunTree(const std::map<std::string, std::string>& settings = {}) {
        root = fs::temp_directory_path() /
               ("brastel-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
        fs::remove_all(root);
        fs::copy(BRASTEL_STAGE_DIR, root, fs::copy_options::recursive);
        std::map<std::string, std::string> all = {{"demo.use.sound", "false"}};
        for (const auto& [key, value] : settings)
            all[key] = value;
        setSettings(all);
    }
    ~RunTree() { fs::remove_all(root); }

    void setSettings(const std::map<std::string, std::string>& settings) {
        std::istringstream in(readText(conf()));
        std::ostringstream out;
        std::map<std::string, std::string> left = settings;
        for (std::string line; std::getline(in, line);) {
            const std::string key = line.substr(0, line.find_first_of(" =\t"));
            const auto it = left.find(key);
            if (it != left.end()) {
                out << key << " = " << it->second << "\n";
                left.erase(it);
            } else {
                out << line << "\n";
            }
        }
        for (const auto& [key, value] : left)
            out << key << " = " << value << "\n";
        std::ofstream(conf()) << out.str();
    }
    fs::path conf() const { return root / "resources" / "brastel.conf"; }

    fs::path root;

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
};

class DemoProcess {
public:
    explicit DemoProcess(const RunTree& tree, const std::map<std::string, std::string>& env = {})
        : out(tree.root / "stdout.log"), err(tree.root / "stderr.log") {
        pid = fork();
        if (pid == 0) {
            for (const auto& [name, value] : env)
                setenv(name.c_str(), value.c_str(), 1);
            if (chdir((tree.root / "bin").c_str()) != 0)
                _exit(127);
            if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr))
                _exit(127);
            execl("./brastel", "brastel", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~DemoProcess() {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    std::string stdoutText() const { return readText(out); }
    std::string stderrText() const { return readText(err); }

    // Waits until standard output holds `text`; false on timeout or when the program ended.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout = 60s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (stdoutText().find(text) != std::string::npos)
                return true;
            if (hasExited())
                return stdoutText().find(text) != std::string::npos;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // The program's window, once it shows a frame-rate title (so the frame loop runs).
    std::string waitForWindow(std::chrono::milliseconds timeout = 60s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end && !hasExited()) {
            const std::string id =
                shell("xdotool search --pid " + std::to_string(pid) + " 2>/dev/null | head -n 1");
            if (!id.empty() && isNumber(title(id)))
                return id;
            std::this_thread::sleep_for(100ms);
        }
        return "";
    }

    static std::string title(const std::string& window) {
        return shell("xdotool getwindowname " + window + " 2>/dev/null");
    }

    static void key(const std::string& window, const std::string& name, const char* action = "key") {
        shell(std::string("xdotool ") + action + " --window " + window + " " + name);
    }

    // The window manager's close button: a WM_DELETE_WINDOW request.
    static void close(const std::string& window) { sendCloseRequest(std::stoul(window)); }

    // The exit code, or -1000 when the program did not end within the timeout.
    int waitForExit(std::chrono::milliseconds timeout = 30s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (hasExited())
                return exitCode;
            std::this_thread::sleep_for(20ms);
        }
        return -1000;
    }

    bool hasExited() {
        if (exited)
            return true;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            exitCode = WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status))
                                         : -WTERMSIG(status) - 100;
        }
        return exited;
    }

    pid_t pid = -1;

private:
    static bool isNumber(const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789.e+-") == std::string::npos;
    }

    fs::path out, err;
    bool exited = false;
    int exitCode = 0;
};

} // namespace e2e
