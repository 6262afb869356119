#include "ShaderProgram.h"

#include "GLError.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

constexpr GLsizei kInfoLogSize = 8096;

using InfoLogGetter = void (*)(GLuint, GLsizei, GLsizei*, GLchar*);

// Prints the driver's log of a shader or program, if it has one.
void printInfoLog(GLuint object, InfoLogGetter getInfoLog) {
    std::vector<GLchar> log(kInfoLogSize, 0);
    GLsizei logLength = 0;
    getInfoLog(object, kInfoLogSize, &logLength, log.data());
    if (logLength > 0)
        std::cout << log.data() << std::endl;
}

// Returns the shader name, also when compilation failed (the link then fails and says so).
GLuint compile(GLenum stage, const std::string& source) {
    const GLuint shader = glCreateShader(stage);
    if (shader == 0) {
        std::cerr << "Could not create shader object." << std::endl;
        return 0;
    }
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        std::cout << "Shader compilation failed." << std::endl;
        printInfoLog(shader, glGetShaderInfoLog);
    }
    ReportGLError();
    return shader;
}

} // namespace

bool fileExists(const std::string& path) {
    return std::ifstream(path).is_open();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ShaderProgram::ShaderProgram(const std::string& basePath) {
    const std::string vertexPath = basePath + ".vert";
    const std::string fragmentPath = basePath + ".frag";
    if (!fileExists(vertexPath)) {
        std::cerr << "Vertex shader file " << vertexPath << " does not exist." << std::endl;
        return;
    }
    vertexSource = readFile(vertexPath);
    if (!fileExists(fragmentPath)) {
        std::cerr << "Fragment shader file " << fragmentPath << " does not exist." << std::endl;
        return;
    }
    fragmentSource = readFile(fragmentPath);

    vertexShader = compile(GL_VERTEX_SHADER, vertexSource);
    if (vertexShader == 0)
        return;
    ReportGLError();
    fragmentShader = compile(GL_FRAGMENT_SHADER, fragmentSource);
    if (fragmentShader == 0)
        return;
    ReportGLError();
    link();
    if (program != 0)
        ReportGLError();
}

void ShaderProgram::link() {
    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glBindAttribLocation(program, ATTRIB_POSITION, "Position");
    glBindAttribLocation(program, ATTRIB_TEXCOORD, "Texcoord");
    glBindAttribLocation(program, ATTRIB_TEXCOORD, "TexCoord");
    glBindAttribLocation(program, ATTRIB_NORMAL, "Normal");
    glBindAttribLocation(program, ATTRIB_TANGENT, "Tangent");
    glLinkProgram(program);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        std::cout << "Shader linking failed." << std::endl;
        printInfoLog(program, glGetProgramInfoLog);
        glDeleteProgram(program);
        program = 0;
    }
    ReportGLError();
}

ShaderProgram::~ShaderProgram() {
    glDeleteProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
}

void ShaderProgram::setUniformMatrix4(const std::string& name, const float matrix[16]) const {
    glUniformMatrix4fv(glGetUniformLocation(program, name.c_str()), 1, GL_FALSE, matrix);
}
