#include "EncoderPipe.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sched.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The encoder reads frames from this descriptor; its standard input stays away from the
// terminal.
constexpr int frameInput = 3;

// Large enough that a frame's write seldom waits for the encoder to take the previous one.
constexpr int pipeBytes = 1 << 20;

} // namespace

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path || program.empty() || program.find('/') != std::string::npos)
        return "";
    const std::string folders = path;
    for (std::size_t begin = 0; begin <= folders.size();) {
        std::size_t end = folders.find(':', begin);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > begin ? folders.substr(begin, end - begin) : ".";
        const std::string candidate = folder + "/" + program;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        begin = end + 1;
    }
    return "";
}

std::vector<std::string> EncoderArguments(const EncoderSettings& s) {
    const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
    std::vector<std::string> args = {
        "-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-y",
        // The frames: GL's rows come bottom-up, vflip turns them over.
        "-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", size, "-framerate",
        std::to_string(s.framesPerSecond), "-i", "pipe:" + std::to_string(frameInput),
        // file: keeps names that start with '-' or hold ':' plain file names.
        "-i", "file:" + s.musicFile, "-map", "0:v:0", "-map", "1:a:0"};
    if (s.lossless)
        args.insert(args.end(), {"-vf", "vflip", "-c:v", "ffv1", "-pix_fmt", "bgr0"});
    else
        // RGB to 4:2:0 with the HD matrix and video range, tagged as such, so players show the
        // window's colours instead of guessing the matrix. Where the renderer is quick the
        // encoder sets the pace, so it searches little: the coarsest sub-pixel motion search
        // (subme 1) and whole 16x16 macroblocks only (no smaller partitions, no 8x8 transform)
        // take about 40 % off x264's time at this preset for 0.15 dB, at the same file size.
        args.insert(args.end(),
                    {"-vf",
                     "vflip,scale=in_range=pc:out_color_matrix=bt709:out_range=tv,format=yuv420p",
                     "-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709",
                     "-color_range", "tv", "-c:v", "libx264", "-preset", "veryfast",
                     "-x264-params", "subme=1:partitions=none:no-8x8dct=1", "-crf", "18"});
    // The video decides the end: the whole show, or what was recorded before a Ctrl-C.
    args.push_back("-shortest");
    std::string extension =
        s.outputFile.substr(s.outputFile.size() >= 4 ? s.outputFile.size() - 4 : 0);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Matroska takes the music losslessly and, having no edit list to hide AAC's priming
    // samples, would otherwise start the show a little late. MP4 players want AAC; its index
    // goes first, so they can start before the whole file has arrived.
    if (extension == ".mkv")
        args.insert(args.end(), {"-c:a", "flac", "-f", "matroska"});
    else
        args.insert(args.end(),
                    {"-c:a", "aac", "-b:a", "192k", "-f", "mp4", "-movflags", "+faststart"});
    args.push_back("file:" + s.outputFile);
    return args;
}

bool EncoderPipe::start(const std::string& program, const std::vector<std::string>& arguments) {
    finish();
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        std::cerr << "Cannot make a pipe to " << program << ": " << std::strerror(errno)
                  << std::endl;
        return false;
    }
    // Kept off the encoder's descriptor number, so the dup2 below really copies it (and drops
    // close-on-exec from the copy).
    if (ends[0] <= frameInput) {
        const int moved = ::fcntl(ends[0], F_DUPFD_CLOEXEC, frameInput + 1);
        ::close(ends[0]);
        ends[0] = moved;
        if (moved < 0) {
            ::close(ends[1]);
            std::cerr << "Cannot make a pipe to " << program << std::endl;
            return false;
        }
    }
    // A write to an encoder that has gone away then fails with EPIPE instead of ending this
    // program without a word.
    std::signal(SIGPIPE, SIG_IGN);
    ::fcntl(ends[1], F_SETPIPE_SZ, pipeBytes); // a smaller pipe only costs speed

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], frameInput);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const int result =
        ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(ends[0]);
    if (result != 0) {
        pid = -1;
        ::close(ends[1]);
        std::cerr << "Cannot start " << program << ": " << std::strerror(result) << std::endl;
        return false;
    }
    fd = ends[1];
    // The renderer's rasterizer threads meet many times a frame, and an encoder thread that
    // preempts one of them holds up all of them. At idle priority the encoder takes the cores
    // only where the renderer leaves them free; should it fall behind, the full pipe stops the
    // renderer, and that frees them. Set before the encoder has started its threads (it is
    // still loading), which inherit it; where the system refuses, it runs as it is.
    const sched_param idle{};
    ::sched_setscheduler(pid, SCHED_IDLE, &idle);
    return true;
}

bool EncoderPipe::write(const unsigned char* data, std::size_t size) {
    while (fd >= 0 && size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false; // EPIPE: the encoder has ended
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return fd >= 0;
}

int EncoderPipe::finish() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (pid < 0)
        return -1;
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    pid = -1;
    return waited >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
