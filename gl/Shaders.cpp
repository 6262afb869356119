#include "Shaders.h"

#include "RunTree.h"

#include <iostream>

ShaderProgram* reduceProgram = nullptr;
ShaderProgram* synthesizeProgram = nullptr;
ShaderProgram* viewTex2DArrayProgram = nullptr;
ShaderProgram* viewTex2DProgram = nullptr;
ShaderProgram* viewTex1DProgram = nullptr;
ShaderProgram* calcNormalsProgram = nullptr;
ShaderProgram* keyLightProgram = nullptr;
ShaderProgram* cameraProgram = nullptr;
ShaderProgram* envLightProgram = nullptr;
ShaderProgram* cubeMapProgram = nullptr;
ShaderProgram* noiseProgram = nullptr;

namespace {

struct ProgramEntry {
    const char* name; // in the shader folder, without .vert or .frag
    const char* failureMessage;
    ShaderProgram** holder;
};

const ProgramEntry programTable[] = {
    {"Reduce", "Could not compile reduce shader program.", &reduceProgram},
    {"ftotf", "Could not compile synthesize shader program.", &synthesizeProgram},
    {"ViewTexture2DArray", "Could not compile viewTex2DArray shader program.",
     &viewTex2DArrayProgram},
    {"ViewTexture2D", "Could not compile viewTex2D shader program.", &viewTex2DProgram},
    {"ViewTexture1D", "Could not compile viewTex1D shader program.", &viewTex1DProgram},
    {"calcNormals", "Could not compile calcNormals shader program.", &calcNormalsProgram},
    {"keyLightShader", "Could not compile keyLightShader shader program.", &keyLightProgram},
    {"TerrainShader", "Could not compile cameraShader shader program.", &cameraProgram},
    {"EnvLightShader", "Could not compile envLightShader shader program.", &envLightProgram},
    {"CubeMapShader", "Could not compile CubeMapShader shader program.", &cubeMapProgram},
    {"noise", "Could not compile noise shader program.", &noiseProgram},
};

} // namespace

bool LoadShaders() {
    for (const ProgramEntry& entry : programTable) {
        *entry.holder = new ShaderProgram(runtree::shaderFolder + std::string(entry.name));
        if ((*entry.holder)->program == 0) {
            std::cout << entry.failureMessage << std::endl;
            return false;
        }
    }
    return true;
}

void ReleaseShaders() {
    for (const ProgramEntry& entry : programTable) {
        delete *entry.holder;
        *entry.holder = nullptr;
    }
}
