#include "DriverMessages.h"

#include "ContextInfo.h"

#include <GL/glew.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <set>
#include <string>

namespace {

struct MessageLog {
    std::mutex mutex;
    std::set<std::string> seen;
} messageLog;

const char* sourceName(GLenum source) {
    switch (source) {
    case GL_DEBUG_SOURCE_API:
        return "api";
    case GL_DEBUG_SOURCE_WINDOW_SYSTEM:
        return "window system";
    case GL_DEBUG_SOURCE_SHADER_COMPILER:
        return "shader compiler";
    case GL_DEBUG_SOURCE_THIRD_PARTY:
        return "third party";
    case GL_DEBUG_SOURCE_APPLICATION:
        return "application";
    default:
        return "other";
    }
}

const char* typeName(GLenum type) {
    switch (type) {
    case GL_DEBUG_TYPE_ERROR:
        return "error";
    case GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR:
        return "deprecated behaviour";
    case GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR:
        return "undefined behaviour";
    case GL_DEBUG_TYPE_PORTABILITY:
        return "portability";
    case GL_DEBUG_TYPE_PERFORMANCE:
        return "performance";
    case GL_DEBUG_TYPE_MARKER:
        return "marker";
    case GL_DEBUG_TYPE_PUSH_GROUP:
        return "push group";
    case GL_DEBUG_TYPE_POP_GROUP:
        return "pop group";
    default:
        return "other";
    }
}

const char* severityName(GLenum severity) {
    switch (severity) {
    case GL_DEBUG_SEVERITY_HIGH:
        return "high";
    case GL_DEBUG_SEVERITY_MEDIUM:
        return "medium";
    case GL_DEBUG_SEVERITY_LOW:
        return "low";
    default:
        return "notification";
    }
}

void GLAPIENTRY printMessage(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                             const GLchar* message, const void*) {
    std::string line = std::string("GL debug message: source ") + sourceName(source) + ", type " +
                       typeName(type) + ", severity " + severityName(severity) + ", id " +
                       std::to_string(id) + ": ";
    if (message)
        line.append(message, length >= 0 ? static_cast<std::size_t>(length) : std::strlen(message));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    const std::lock_guard<std::mutex> lock(messageLog.mutex);
    if (messageLog.seen.insert(line).second)
        std::cerr << line << std::endl;
}

} // namespace

bool StartDriverMessages() {
    const char* wanted = std::getenv("BRASTEL_GL_DEBUG");
    if (!wanted || std::strcmp(wanted, "1") != 0)
        return false;
    const bool core43 = ContextVersionAtLeast(4, 3);
    const char* interface = nullptr;
    if ((core43 || ContextHasExtension("GL_KHR_debug")) && glDebugMessageCallback &&
        glDebugMessageControl) {
        interface = core43 ? "GL 4.3" : "KHR_debug";
        // A context without the debug flag keeps the log off until asked.
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(printMessage, nullptr);
        glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    } else if (ContextHasExtension("GL_ARB_debug_output") && glDebugMessageCallbackARB &&
               glDebugMessageControlARB) {
        interface = "ARB_debug_output";
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS_ARB);
        glDebugMessageCallbackARB(printMessage, nullptr);
        glDebugMessageControlARB(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    }
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    if (!interface) {
        std::cerr << "GL debug messages: this driver offers no message log" << std::endl;
        return false;
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    std::cerr << "GL debug messages: on (" << interface << ", "
              << ((flags & GL_CONTEXT_FLAG_DEBUG_BIT) ? "debug context" : "no debug context")
              << ") for " << (renderer ? renderer : "?") << ", GL " << (version ? version : "?")
              << std::endl;
    return true;
}
