#include "ShaderProgram.h"

#include "FileBytes.h"
#include "GLError.h"
#include "SceneConventions.h"

#include <cstdio>
#include <iostream>
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

std::string glslFloat(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    std::string literal = text;
    if (literal.find_first_of(".e") == std::string::npos)
        literal += ".0";
    return literal;
}

} // namespace

std::string WithPrelude(const std::string& source, const std::string& commonSource,
                        const std::string& defines) {
    const size_t firstLineEnd = source.find('\n');
    if (firstLineEnd == std::string::npos)
        return source;
    std::string prelude;
    prelude += "#define TERRAIN_SIZE " + glslFloat(scene::terrainSize) + "\n";
    prelude += "#define HEIGHT_TEXELS " + glslFloat(float(scene::heightTexels)) + "\n";
    prelude += "#define HEIGHT_SCALE " + glslFloat(scene::heightScale) + "\n";
    prelude += "#define EXPOSURE " + glslFloat(scene::exposure) + "\n";
    prelude += "#define KEY_DIRECTIONS " + std::to_string(scene::keyDirections) + "\n";
    prelude += "#define KEY_SUBS " + std::to_string(scene::keySubdivisions) + "\n";
    prelude += "#define KEY_RINGS " + std::to_string(scene::keyRings) + "\n";
    prelude += defines;
    prelude += commonSource;
    prelude += "\n#line 2\n";
    return source.substr(0, firstLineEnd + 1) + prelude + source.substr(firstLineEnd + 1);
}

std::string CommonSourceBeside(const std::string& basePath) {
    const size_t slash = basePath.find_last_of('/');
    const std::string path =
        (slash == std::string::npos ? std::string() : basePath.substr(0, slash + 1)) +
        "Common.glsl";
    std::string text; // stays empty where the folder has no shared GLSL
    ReadTextFile(path, text);
    return text;
}

ShaderProgram::ShaderProgram(const std::string& basePath, const std::string& defines) {
    const std::string vertexPath = basePath + ".vert";
    const std::string fragmentPath = basePath + ".frag";
    if (!ReadTextFile(vertexPath, vertexSource)) {
        std::cerr << "Vertex shader file " << vertexPath << " does not exist." << std::endl;
        return;
    }
    if (!ReadTextFile(fragmentPath, fragmentSource)) {
        std::cerr << "Fragment shader file " << fragmentPath << " does not exist." << std::endl;
        return;
    }

    const std::string commonSource = CommonSourceBeside(basePath);
    vertexShader = compile(GL_VERTEX_SHADER, WithPrelude(vertexSource, commonSource, defines));
    if (vertexShader == 0)
        return;
    ReportGLError();
    fragmentShader = compile(GL_FRAGMENT_SHADER, WithPrelude(fragmentSource, commonSource, defines));
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
