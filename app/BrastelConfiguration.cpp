#include "BrastelConfiguration.h"
#include "RunTree.h"

#include <algorithm>

// Objects made during static initialisation that depend on the settings are defined in this
// file, after it, so they are made in that order.
BrastelConfiguration brastelConfig(runtree::settingsPath);
Spline lightSourcePath(brastelConfig.GetLightSourcePath(), 0.0f, 0.0f, 0.0f);

int windowWidth = 0;
int windowHeight = 0;
int colorBits = 0;
bool useFullScreen = false;
int multisampleSamples = 0;
bool multisampleWholeFrame = false;
bool smoothEdges = false;
float demoSpeed = 0.0f;
bool useSound = false;
double scene1Duration = 0.0;

void LoadConfig() {
    windowWidth = brastelConfig.GetWindowWidth();
    windowHeight = brastelConfig.GetWindowHeight();
    colorBits = brastelConfig.GetColorBits();
    useFullScreen = brastelConfig.UseFullScreen();
    // More than 16 samples buys nothing visible; a nonsense value means none.
    const int samples = brastelConfig.GetMultisampleSamples();
    multisampleSamples = samples > 1 ? std::min(samples, 16) : 0;
    multisampleWholeFrame = brastelConfig.MultisampleWholeFrame();
    smoothEdges = brastelConfig.SmoothEdges();
    demoSpeed = brastelConfig.GetDemoSpeed();
    useSound = brastelConfig.UseSound();
    scene1Duration = brastelConfig.GetScene1Duration();
}
