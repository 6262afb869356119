#include "ContextInfo.h"

#include <GL/glew.h>

#include <cstring>

bool ContextVersionAtLeast(int major, int minor) {
    GLint hasMajor = 0, hasMinor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &hasMajor);
    glGetIntegerv(GL_MINOR_VERSION, &hasMinor);
    return hasMajor > major || (hasMajor == major && hasMinor >= minor);
}

bool ContextHasExtension(const char* name) {
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* extension = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
        if (extension && std::strcmp(extension, name) == 0)
            return true;
    }
    return false;
}
