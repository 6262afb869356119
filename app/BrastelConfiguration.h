#pragma once

#include "Configuration.h"
#include "Spline.h"

#include <string>

// The application's settings: one typed getter per key, each reading the key anew.
class BrastelConfiguration : public Utils::Configuration {
  public:
    explicit BrastelConfiguration(const std::string& fileName) : Configuration(fileName) {}

    int GetWindowWidth() const { return toInt(GetValue("window.width")); }
    int GetWindowHeight() const { return toInt(GetValue("window.height")); }
    int GetColorBits() const { return toInt(GetValue("window.num.color.bits")); }
    bool UseFullScreen() const { return toBool(GetValue("window.use.full.screen")); }
    // Samples per pixel for anti-aliasing (0 or 1: none); 4 where the file does not say.
    int GetMultisampleSamples() const {
        const auto entry = getProperties().find("window.multisample.samples");
        return entry == getProperties().end() ? 4 : toInt(entry->second);
    }
    // Whether every pixel of both scenes is multisampled (the window's own samples, and the
    // recording's target); false where the file does not say: the model alone is, in a small
    // target of its own.
    bool MultisampleWholeFrame() const {
        const auto entry = getProperties().find("window.multisample.whole.frame");
        return entry != getProperties().end() && toBool(entry->second);
    }
    // Whether the terrain scene's edges are smoothed after it is drawn (where the whole frame is
    // not multisampled); true where the file does not say.
    bool SmoothEdges() const {
        const auto entry = getProperties().find("window.edge.smoothing");
        return entry == getProperties().end() || toBool(entry->second);
    }
    float GetDemoSpeed() const { return toFloat(GetValue("demo.speed")); }
    bool UseSound() const { return toBool(GetValue("demo.use.sound")); }
    double GetScene1Duration() const { return toFloat(GetValue("demo.scene1.duration")); }
    bool UseAutostart() const { return toBool(GetValue("demo.autostart")); }
    std::string GetResourceFolder() const { return GetValue("folder.resource.build"); }
    std::string GetModelFolder() const { return GetValue("folder.model.build"); }
    std::string GetCameraPath() const { return resourcePath("file.camera.path"); }
    std::string GetCameraViewPath() const { return resourcePath("file.camera.view.path"); }
    std::string GetCameraUpPath() const { return resourcePath("file.camera.up.path"); }
    std::string GetLightSourcePath() const { return resourcePath("file.light.source.path"); }
    std::string GetTerrainModelFile() const { return modelPath("file.model.terrain"); }
    std::string GetBrastelModelFile() const { return modelPath("file.model.brastel"); }

  private:
    // The file key is read before the folder key, so their console lines come in that order.
    std::string resourcePath(const char* fileKey) const {
        const std::string file = GetValue(fileKey);
        return joinPath(GetResourceFolder(), file);
    }
    std::string modelPath(const char* fileKey) const {
        const std::string file = GetValue(fileKey);
        return joinPath(GetModelFolder(), file);
    }
};

// The settings object, read from "../resources/brastel.conf" during static initialisation.
extern BrastelConfiguration brastelConfig;

// The moving point light's path, made from the settings right after them.
extern Spline lightSourcePath;

// Window and demo settings, copied once by LoadConfig.
extern int windowWidth;
extern int windowHeight;
extern int colorBits;
extern bool useFullScreen;
extern int multisampleSamples; // for anti-aliasing; 0 for none
extern bool multisampleWholeFrame;
extern bool smoothEdges;
extern float demoSpeed;
extern bool useSound;
extern double scene1Duration;

void LoadConfig();
