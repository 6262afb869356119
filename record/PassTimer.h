#pragma once

#include <GL/glew.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// GPU time of each group of a frame's passes. With timer queries (GL 3.3, or ARB_timer_query)
// every group is bracketed by a GL_TIME_ELAPSED query whose result is read `latency` frames
// later, when the GPU has long finished it, so timing never stalls the pipeline. Without them
// each group is fenced with glFinish on both sides and timed on the wall clock, which serialises
// the CPU and the GPU: slower frames, which a report marks as such.
class PassTimer {
  public:
    enum class Method { timerQueries, finishFences };
    static constexpr int latency = 3; // frames between a query and its read-back

    // A frame's milliseconds per group (NaN where the group did not run), in the order of the
    // groups given to the timer; frames come in order.
    using Sink = std::function<void(std::uint64_t frame, const std::vector<double>& ms)>;

    // The method this context allows.
    static Method available();
    static const char* name(Method method); // "timer_query" or "finish_fences"

    // Needs the context current until it is destroyed.
    PassTimer(std::vector<std::string> groups, Method method, Sink sink);
    ~PassTimer();
    PassTimer(const PassTimer&) = delete;
    PassTimer& operator=(const PassTimer&) = delete;

    Method method() const { return how; }

    // Around one group; names the timer was not given are not timed.
    void begin(const char* group);
    void end();
    // Closes the frame: hands on the frames whose times are in.
    void endFrame();
    // Waits for every frame still in flight and hands it on.
    void flush();

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr int slots = latency + 1;

    void deliver(int slot);

    std::vector<std::string> groups;
    Method how;
    Sink sink;
    std::vector<GLuint> queries; // slots x groups
    std::vector<double> ms;      // slots x groups: fenced times, NaN where a group did not run
    std::vector<char> used;      // slots x groups
    int open = -1;               // the group between begin and end, -1 when none
    Clock::time_point openedAt;
    std::uint64_t frame = 0;     // the frame being drawn
    std::uint64_t delivered = 0; // frames handed on
};
