#include "Shaders.h"

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
    const char* basePath;
    const char* failureMessage;
    ShaderProgram** holder;
};

const ProgramEntry programTable[] = {
    {"../shader/Reduce", "Could not compile reduce shader program.", &reduceProgram},
    {"../shader/ftotf", "Could not compile synthesize shader program.", &synthesizeProgram},
    {"../shader/ViewTexture2DArray", "Could not compile viewTex2DArray shader program.",
     &viewTex2DArrayProgram},
    {"../shader/ViewTexture2D", "Could not compile viewTex2D shader program.", &viewTex2DProgram},
    {"../shader/ViewTexture1D", "Could not compile viewTex1D shader program.", &viewTex1DProgram},
    {"../shader/calcNormals", "Could not compile calcNormals shader program.", &calcNormalsProgram},
    {"../shader/keyLightShader", "Could not compile keyLightShader shader program.",
     &keyLightProgram},
    {"../shader/TerrainShader", "Could not compile cameraShader shader program.", &cameraProgram},
    {"../shader/EnvLightShader", "Could not compile envLightShader shader program.",
     &envLightProgram},
    {"../shader/CubeMapShader", "Could not compile CubeMapShader shader program.", &cubeMapProgram},
    {"../shader/noise", "Could not compile noise shader program.", &noiseProgram},
};

} // namespace

bool LoadShaders() {
    for (const ProgramEntry& entry : programTable) {
        *entry.holder = new ShaderProgram(entry.basePath);
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
