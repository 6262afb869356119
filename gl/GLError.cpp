#include "GLError.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <iostream>

bool CheckGLError(const char* location) {
    bool found = false;
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        const GLubyte* text = gluErrorString(code);
        std::cerr << std::endl
                  << " >>> OpenGL ERROR @" << location << ": "
                  << (text ? reinterpret_cast<const char*>(text) : "UNKNOWN GL ERROR") << " ! <<< "
                  << std::endl
                  << std::endl;
        found = true;
    }
    return found;
}

void ReportGLError() {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR)
        return;
    const char* line = "GL: Unknown error.";
    switch (code) {
    case GL_INVALID_ENUM:
        line = "GL: enum argument out of range.";
        break;
    case GL_INVALID_VALUE:
        line = "GL: Numeric argument out of range.";
        break;
    case GL_INVALID_OPERATION:
        line = "GL: Operation illegal in current state.";
        break;
    case GL_INVALID_FRAMEBUFFER_OPERATION:
        line = "GL: Framebuffer object is not complete.";
        break;
    case GL_OUT_OF_MEMORY:
        line = "GL: Not enough memory left to execute command.";
        break;
    }
    std::cerr << line << std::endl;
}
