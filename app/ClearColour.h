#pragma once

// The colour every frame is cleared to: a deep slate rather than black, so that the model scene
// reads as a studio, not a void. No GL here: the tests that look at the window read it too.

struct ClearColour {
    float red, green, blue;
};

inline constexpr ClearColour clearColour{0.03f, 0.035f, 0.045f};

// A channel as an 8-bit window holds it (rounded to the nearest step).
constexpr int clearColourByte(float channel) {
    return static_cast<int>(channel * 255.0f + 0.5f);
}
