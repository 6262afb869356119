#include "ModelScene.h"

#include "BrastelConfiguration.h"
#include "Camera.h"
#include "CubeMapTexture.h"
#include "GLError.h"
#include "ProductStage.h"
#include "RenderTargets.h"
#include "RunTree.h"

#include <iostream>

ModelObjFactory modelFactory;
RenderableTerrainModelOBJ* terrainModel = nullptr;

namespace {

// The product model's factory key, read once: the settings do not change while the show runs.
std::string brastelModelPath;

// Floor, shadow and backdrop around the product; made only for a model that loaded.
ProductStage stage;

} // namespace

void InitModel() {
    std::cout << "Initializing models ... " << std::flush;
    const std::string resourceFolder = brastelConfig.GetResourceFolder();
    brastelModelPath = brastelConfig.GetBrastelModelFile();
    modelFactory.createModel(brastelModelPath, resourceFolder);
    RenderableModelOBJ* model = modelFactory.getModel(brastelModelPath);
    if (!model || !model->Initialize(brastelModelPath))
        std::cout << "Cannot load model " << brastelModelPath << std::endl;
    else
        stage.create(*model, runtree::shaderFolder);
    std::cout << " done." << std::endl;
    CheckGLError("main: InitModel() -----------------------------");
}

void RenderBrastelModel() {
    // A model that could not be made draws nothing.
    if (RenderableModelOBJ* model = modelFactory.getModel(brastelModelPath)) {
        // The shadow turns with the model: the angle its last batch will be drawn at.
        const float turn = RenderableModelOBJ::rotationAngle + 0.01f * model->batches.size();
        const float origin[3] = {0.0f, 0.0f, 0.0f};
        const auto drawModel = [&](const Matrix4& projection) {
            const Matrix4 full = camera.projectionMatrix;
            camera.projectionMatrix = projection;
            model->Render(origin);
            camera.projectionMatrix = full;
        };
        // A multisampled window or recording target anti-aliases everything by itself; otherwise
        // only the model's part of the picture is multisampled: the rest is smooth gradients.
        if (!stage.drawFocused(camera.viewMatrix, camera.projectionMatrix, turn,
                               multisampleSamples, drawModel)) {
            stage.draw(camera.viewMatrix, camera.projectionMatrix, turn);
            model->Render(origin);
        }
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
    stage.release();
    modelFactory.clear();
    delete terrainModel;
    terrainModel = nullptr;
}
