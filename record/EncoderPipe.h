#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

// The path of an executable program found on PATH; empty when there is none.
std::string FindOnPath(const std::string& program);

struct EncoderSettings {
    std::string outputFile; // .mp4 or .mkv
    std::string musicFile;  // muxed in as the sound track
    int width = 0;
    int height = 0;
    int framesPerSecond = 0;
    bool lossless = false; // FFV1 RGB instead of H.264 4:2:0 (Matroska only)
};

// ffmpeg's arguments (without the program): bottom-up RGBA frames from file descriptor 3 become
// H.264 4:2:0 video (FFV1 RGB, the same pixels, when lossless), the music AAC (MP4) or FLAC
// (Matroska) audio, in one file.
std::vector<std::string> EncoderArguments(const EncoderSettings& settings);

// The encoder as a child process fed through a pipe. It runs in a process group of its own, so a
// Ctrl-C at the terminal reaches only this program, which then closes the pipe and lets the
// encoder finish a playable file of what it has.
class EncoderPipe {
  public:
    EncoderPipe() = default;
    ~EncoderPipe() { finish(); }
    EncoderPipe(const EncoderPipe&) = delete;
    EncoderPipe& operator=(const EncoderPipe&) = delete;

    // False (after a message on standard error) when the program cannot be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments);
    // False once the encoder has gone away.
    bool write(const unsigned char* data, std::size_t size);
    // Closes the pipe and waits for the encoder: its exit code, or -1 when it was not running or
    // was ended by a signal.
    int finish();

  private:
    pid_t pid = -1;
    int fd = -1;
};
