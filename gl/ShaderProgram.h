#pragma once

#include <GL/glew.h>

#include <string>

// A linked GLSL program built from base path + ".vert" and + ".frag". Every problem is printed
// with the compiler's or linker's log; `program` stays 0 when the program could not be built.
// defines: "#define NAME" lines that pick a variant of the program's source (none by default).
class ShaderProgram {
  public:
    explicit ShaderProgram(const std::string& basePath, const std::string& defines = "");
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // Sets one column-major 4x4 matrix; `program` must already be current.
    void setUniformMatrix4(const std::string& name, const float matrix[16]) const;

    std::string vertexSource;
    std::string fragmentSource;
    GLuint vertexShader = 0;
    GLuint fragmentShader = 0;
    GLuint program = 0;

  private:
    void link();
};

// What the driver compiles for a stage: the scene constants as #defines, then a variant's own
// defines, then the shared GLSL of the shader folder (when it has one), inserted after the
// source's first line (its version line); line numbers of the file's own text stay as in the file.
std::string WithPrelude(const std::string& source, const std::string& commonSource,
                        const std::string& defines = "");
// The shared GLSL of the folder of basePath ("../shader/noise" reads "../shader/Common.glsl");
// empty where there is none.
std::string CommonSourceBeside(const std::string& basePath);

// Vertex attribute locations shared by every program, bound before linking, so vertex arrays
// set up with one program draw correctly with another.
enum AttributeLocation : GLuint {
    ATTRIB_POSITION = 0,
    ATTRIB_TEXCOORD = 1,
    ATTRIB_NORMAL = 2,
    ATTRIB_TANGENT = 3,
};
