#include "Demo.h"

#include "BrastelConfiguration.h"
#include "Camera.h"
#include "CameraControls.h"
#include "ClearColour.h"
#include "CubeMapTexture.h"
#include "DebugViews.h"
#include "DisplayFramebuffer.h"
#include "EdgeSmoothing.h"
#include "GLError.h"
#include "HdrLight.h"
#include "HeightFieldPasses.h"
#include "KeyLight.h"
#include "KeyLightPass.h"
#include "ModelScene.h"
#include "MusicThread.h"
#include "PassTimer.h"
#include "RenderTargets.h"
#include "Shaders.h"
#include "SkyCube.h"
#include "WedgeTables.h"
#include "Window.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

namespace {
EdgeSmoothing edgeSmoothing;
} // namespace

void ReleaseScene() {
    edgeSmoothing.release();
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
    if (input.releasedFunctionKey != 0) {
        SelectDebugView(input.releasedFunctionKey);
        input.releasedFunctionKey = 0;
    }

    keyLightAzimuth -= 0.25;
    lightSourcePosition = lightSourcePath.getPoint(static_cast<float>(T), demoSpeed * 5.0f);
    UpdateKeyLight();
    return true;
}

namespace {

void ClearFrame() {
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(clearColour.red, clearColour.green, clearColour.blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void ClearTerrainFrame() {
    ClearFrame();
    // The lighting's full-target quads and the sky draw without depth or culling.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

void DrawModel() {
    CheckGLError("RenderFrame: Bevor RenderBrastelModel()");
    RenderBrastelModel();
    CheckGLError("RenderFrame: After RenderBrastelModel()");
}

// The terrain scene is drawn into the edge smoothing's target, then smoothed into the display
// framebuffer; the debug views and the present come after, on the display framebuffer.
void BeginEdgeSmoothing() {
    if (smoothEdges)
        edgeSmoothing.begin(windowWidth, windowHeight);
}

void EndEdgeSmoothing() {
    edgeSmoothing.end(terrainModel ? terrainModel->rowsInReach(
                                         camera.viewMatrix, camera.projectionMatrix, windowHeight)
                                   : windowHeight);
}

void DrawSky() {
    RenderSkyBox(camera.viewMatrix, camera.projectionMatrix, windowWidth, windowHeight,
                 terrainModel ? terrainModel->rowsCoveredByGround(
                                    camera.viewMatrix, camera.projectionMatrix, windowHeight)
                              : 0);
}

void Present() {
    UpdateFps();
    std::string title = FormatFps(fpsState.fps);
    if (debugView != DebugView::Final)
        title += std::string(" - ") + DebugViewName();
    SetWindowTitle(title.c_str());
    // A recording or the off-screen benchmark draws into a target of its own and leaves the
    // window's buffers as they were: nothing to show, and the swap would cost a copy a frame.
    if (displayFramebuffer == 0)
        SwapWindowBuffers();
    CheckGLError("main loop");
}

// A debug view (F2 ...) is drawn over the scene's picture just before the present, untimed.
const std::vector<FramePass> modelFrame = {
    {"clear", ClearFrame},
    {"model", DrawModel},
    {nullptr, DrawDebugView},
    {"present", Present},
};

const std::vector<FramePass> terrainFrame = [] {
    std::vector<FramePass> passes = {{"clear", ClearTerrainFrame}};
    passes.insert(passes.end(), std::begin(lightingPasses), std::end(lightingPasses));
    passes.push_back({nullptr, BeginEdgeSmoothing});
    passes.push_back({"sky", DrawSky});
    passes.push_back({"terrain", RenderTerrain});
    passes.push_back({"edges", EndEdgeSmoothing});
    passes.push_back({nullptr, DrawDebugView});
    passes.push_back({"present", Present});
    return passes;
}();

} // namespace

const std::vector<FramePass>& FramePasses(int scene) {
    return scene == 1 ? modelFrame : terrainFrame;
}

std::vector<std::string> PassGroups() {
    std::vector<std::string> groups;
    for (const int scene : {2, 1}) {
        const std::vector<FramePass>& passes = FramePasses(scene);
        for (std::size_t i = 0; i < passes.size(); ++i) {
            if (!passes[i].name ||
                std::find(groups.begin(), groups.end(), passes[i].name) != groups.end())
                continue;
            // A new name goes before the first later step of its frame already listed.
            auto before = groups.end();
            for (std::size_t j = i + 1; j < passes.size() && before == groups.end(); ++j)
                if (passes[j].name)
                    before = std::find(groups.begin(), groups.end(), passes[j].name);
            groups.insert(before, passes[i].name);
        }
    }
    return groups;
}

void RunPasses(const std::vector<FramePass>& passes, PassTimer* timer) {
    for (const FramePass& pass : passes) {
        const bool timed = timer && pass.name;
        if (timed)
            timer->begin(pass.name);
        pass.run();
        if (timed)
            timer->end();
    }
}

void DrawTerrainScene() {
    for (const FramePass& pass : terrainFrame)
        if (!pass.name || std::strcmp(pass.name, "present") != 0)
            pass.run();
}

void RenderFrame() {
    RunPasses(FramePasses(sceneIndex));
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
