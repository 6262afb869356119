#include "Demo.h"

#include "BrastelConfiguration.h"
#include "Camera.h"
#include "CameraControls.h"
#include "CubeMapTexture.h"
#include "GLError.h"
#include "HdrLight.h"
#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "KeyLightPass.h"
#include "ModelScene.h"
#include "MusicThread.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "SkyCube.h"
#include "WedgeTables.h"
#include "Window.h"

#include <GL/glew.h>

#include <cstdio>
#include <iostream>
#include <string>

MsTimer demoTimer;
MsTimer sceneTimer;
int sceneIndex = 0;

namespace {

struct FrameState {
    bool firstFrame = true;
    double lastFrameTime = 0.0;
} frame;

struct FpsState {
    int frames = 0;
    float lastFpsTime = 0.0f;
    float fps = 0.0f;
} fpsState;

} // namespace

std::string FormatFps(float fps) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", fps);
    return text;
}

void BuildScene() {
    const char* const separator = "------------------------------------------------------";
    std::cout << separator << std::endl;
    std::cout << "------------------------BEGIN-------------------------" << std::endl;
    initArrayBuffer();
    initVertexArray();
    // Read one by one: their console lines come in this order.
    const std::string upPath = brastelConfig.GetCameraUpPath();
    const std::string viewPath = brastelConfig.GetCameraViewPath();
    const std::string positionPath = brastelConfig.GetCameraPath();
    setupCamera(positionPath, viewPath, upPath, windowWidth, windowHeight);
    InitModel();
    SetupRenderTargets();
    InitCubeMap();
    InitRenderTargetVaos();
    CalcWedge1D();
    CalcWedge2D();
    CalcEnvWedge2D();
    CalcKeyLight();
    CalcHdrLight();
    InitTerrain();
    heightFieldClockMs = [] { return demoTimer.elapsedMs(); };
    // Drivers, the software rasteriser among them, compile a program's code at its first draw:
    // one unseen terrain frame now keeps the switch to that scene from stalling the show (two
    // seconds here with an empty shader cache).
    glViewport(0, 0, windowWidth, windowHeight);
    DrawTerrainScene();
    glFinish();
    std::cout << "-------------------------END--------------------------" << std::endl;
    std::cout << separator << std::endl;
}

void ReleaseScene() {
    ReleaseShaders();
    DeleteRenderTargetArrays();
    DeleteSkyCube();
    DeleteCubeMap();
    ReleaseModels();
}

void StartDemo() {
    sceneTimer.restart();
    sceneIndex = 1;
    SetStartPose();
}

void ProcessFrame() {
    PollInput();
    if (UpdateFrame())
        RenderFrame();
}

bool UpdateFrame() {
    const double T = demoTimer.elapsedMs();
    if (frame.firstFrame) {
        frame.lastFrameTime = T;
        frame.firstFrame = false;
    }
    const double dt = T - frame.lastFrameTime;
    frame.lastFrameTime = T;

    if (MusicHasEnded()) {
        PostQuit(0);
        return false;
    }

    if (sceneIndex == 1 && scene1Duration * 1000.0 < sceneTimer.elapsedMs()) {
        sceneIndex = 2;
        RequestFullLightingUpdate(); // the lighting has not run since start-up
    }

    UpdateCameraControls(input, T, dt, sceneIndex, demoSpeed, brastelConfig.UseAutostart());

    keyLightAzimuth -= 0.25;
    lightSourcePosition = lightSourcePath.getPoint(static_cast<float>(T), demoSpeed * 5.0f);
    UpdateKeyLight();
    return true;
}

void DrawTerrainScene() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    UpdateLighting();
    RenderSkyBox(camera.viewMatrix, camera.projectionMatrix, windowWidth, windowHeight);
    RenderTerrain();
}

void RenderFrame() {
    glViewport(0, 0, windowWidth, windowHeight);
    // A deep slate rather than black: the model scene reads as a studio, not a void.
    glClearColor(0.03f, 0.035f, 0.045f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (sceneIndex == 1) {
        CheckGLError("RenderFrame: Bevor RenderBrastelModel()");
        RenderBrastelModel();
        CheckGLError("RenderFrame: After RenderBrastelModel()");
    } else {
        DrawTerrainScene();
    }

    UpdateFps();
    SetWindowTitle(FormatFps(fpsState.fps).c_str());
    SwapWindowBuffers();
    CheckGLError("main loop");
}

float UpdateFps() {
    const float t = static_cast<float>(platform::tickMs()) * 0.001f;
    ++fpsState.frames;
    if (t - fpsState.lastFpsTime > 1.0f) {
        fpsState.fps = static_cast<float>(fpsState.frames) / (t - fpsState.lastFpsTime);
        fpsState.frames = 0;
        fpsState.lastFpsTime = t;
    }
    return fpsState.fps;
}
