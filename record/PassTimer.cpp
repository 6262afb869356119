#include "PassTimer.h"

#include <limits>
#include <utility>

PassTimer::Method PassTimer::available() {
    return GLEW_VERSION_3_3 || GLEW_ARB_timer_query ? Method::timerQueries : Method::finishFences;
}

const char* PassTimer::name(Method method) {
    return method == Method::timerQueries ? "timer_query" : "finish_fences";
}

PassTimer::PassTimer(std::vector<std::string> groupNames, Method method, Sink frameSink)
    : groups(std::move(groupNames)), how(method), sink(std::move(frameSink)),
      ms(slots * groups.size(), std::numeric_limits<double>::quiet_NaN()),
      used(slots * groups.size(), 0) {
    if (how == Method::timerQueries) {
        queries.resize(slots * groups.size());
        glGenQueries(static_cast<GLsizei>(queries.size()), queries.data());
    }
}

PassTimer::~PassTimer() {
    if (!queries.empty())
        glDeleteQueries(static_cast<GLsizei>(queries.size()), queries.data());
}

void PassTimer::begin(const char* group) {
    open = -1;
    for (std::size_t g = 0; g < groups.size(); ++g)
        if (groups[g] == group)
            open = static_cast<int>(g);
    if (open < 0)
        return;
    const std::size_t at = (frame % slots) * groups.size() + open;
    used[at] = 1;
    if (how == Method::timerQueries) {
        glBeginQuery(GL_TIME_ELAPSED, queries[at]);
    } else {
        glFinish(); // what came before is not this group's
        openedAt = Clock::now();
    }
}

void PassTimer::end() {
    if (open < 0)
        return;
    const std::size_t at = (frame % slots) * groups.size() + open;
    if (how == Method::timerQueries) {
        glEndQuery(GL_TIME_ELAPSED);
    } else {
        glFinish();
        ms[at] = std::chrono::duration<double, std::milli>(Clock::now() - openedAt).count();
    }
    open = -1;
}

void PassTimer::endFrame() {
    ++frame;
    // Fenced times are in at once; a query's slot is read just before the ring needs it again.
    const std::uint64_t keep = how == Method::timerQueries ? latency : 0;
    while (frame - delivered > keep)
        deliver(static_cast<int>(delivered % slots));
}

void PassTimer::flush() {
    while (delivered < frame)
        deliver(static_cast<int>(delivered % slots));
}

void PassTimer::deliver(int slot) {
    const std::size_t first = static_cast<std::size_t>(slot) * groups.size();
    std::vector<double> frameMs(groups.size(), std::numeric_limits<double>::quiet_NaN());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (!used[first + g])
            continue;
        if (how == Method::timerQueries) {
            GLuint64 nanoseconds = 0;
            glGetQueryObjectui64v(queries[first + g], GL_QUERY_RESULT, &nanoseconds);
            frameMs[g] = static_cast<double>(nanoseconds) * 1e-6;
        } else {
            frameMs[g] = ms[first + g];
        }
        used[first + g] = 0;
        ms[first + g] = std::numeric_limits<double>::quiet_NaN();
    }
    if (sink)
        sink(delivered, frameMs);
    ++delivered;
}
