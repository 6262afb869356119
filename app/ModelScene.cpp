#include "ModelScene.h"

#include "BrastelConfiguration.h"
#include "Camera.h"
#include "CubeMapTexture.h"
#include "GLError.h"
#include "RenderTargets.h"

#include <iostream>

ModelObjFactory modelFactory;
RenderableTerrainModelOBJ* terrainModel = nullptr;

namespace {

// The product model's factory key, read once: the settings do not change while the show runs.
std::string brastelModelPath;

} // namespace

void InitModel() {
    std::cout << "Initializing models ... " << std::flush;
    const std::string resourceFolder = brastelConfig.GetResourceFolder();
    brastelModelPath = brastelConfig.GetBrastelModelFile();
    modelFactory.createModel(brastelModelPath, resourceFolder);
    RenderableModelOBJ* model = modelFactory.getModel(brastelModelPath);
    if (!model || !model->Initialize(brastelModelPath))
        std::cout << "Cannot load model " << brastelModelPath << std::endl;
    std::cout << " done." << std::endl;
    CheckGLError("main: InitModel() -----------------------------");
}

void RenderBrastelModel() {
    // A model that could not be made draws nothing.
    if (RenderableModelOBJ* model = modelFactory.getModel(brastelModelPath)) {
        const float origin[3] = {0.0f, 0.0f, 0.0f};
        model->Render(origin);
    }
}

void InitTerrain() {
    std::cout << "Initializing Terrain ... " << std::flush;
    terrainModel = new RenderableTerrainModelOBJ(brastelConfig.GetResourceFolder());
    terrainModel->Initialize(brastelConfig.GetTerrainModelFile());
    std::cout << " done." << std::endl;
    CheckGLError("main: InitTerrain() -----------------------------");
}

void RenderTerrain() {
    CheckGLError("RenderTerrain BEFORE");
    if (!terrainModel)
        return;
    glViewport(0, 0, windowWidth, windowHeight);
    terrainModel->keyLightTexture = keyLightTarget;
    terrainModel->envLightTexture = envLightTarget;
    terrainModel->heightDataTexture = hfPyramidArray;
    terrainModel->skyTexture = skyCubeMap.identifier;
    terrainModel->Render(camera);
    CheckGLError("RenderTerrain AFTER");
}

void ReleaseModels() {
    modelFactory.clear();
    delete terrainModel;
    terrainModel = nullptr;
}
