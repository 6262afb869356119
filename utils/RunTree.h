#pragma once

// Where the show's files lie in the run tree. The program runs in bin/ and opens them by these
// paths; the data generator and the tests, which work from the tree's root, use fromRoot().
namespace runtree {

constexpr const char* settingsPath = "../resources/brastel.conf";
constexpr const char* shaderFolder = "../shader/";
constexpr const char* musicPath = "../Media/Tidewell - Harbour - 08 - Rain.wav";
constexpr const char* skyFolder = "../images/"; // the sky's cross and probe
constexpr const char* skyCrossName = "uffizi_cross.hdr";
constexpr const char* skyCrossPath = "../images/uffizi_cross.hdr";
constexpr const char* skyProbePath = "../images/uffizi_probe_512x512.hdr";
constexpr const char* heightImagePath = "../Images/h4.bmp";
// The settings file names the models; these are the files the data generator makes for it.
constexpr const char* productModelPath = "../models/brastel.obj";
constexpr const char* terrainModelPath = "../models/terrain.obj";

// A path above relative to the tree's root: without its leading "../".
constexpr const char* fromRoot(const char* path) {
    return path + 3;
}

} // namespace runtree
