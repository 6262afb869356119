#pragma once

#include "Matrix4.h"
#include "ModelOBJ.h"
#include "ShaderProgram.h"

#include <GL/glew.h>

#include <functional>
#include <memory>
#include <vector>

// The model scene's studio: a seamless sweep (a floor that fades into a backdrop) lit by a large
// soft box overhead, so the product stands in a pool of light on its own soft shadow. The shadow
// of an overhead soft box is the model's footprint, blurred: the model only turns about the
// vertical axis through its centre, so the footprint is made once, in the model's frame, and the
// floor looks it up turned by the model's current angle.
class ProductStage {
  public:
    ProductStage() = default;
    ~ProductStage() { release(); }
    ProductStage(const ProductStage&) = delete;
    ProductStage& operator=(const ProductStage&) = delete;

    // For a model already unitized at the origin; needs a current GL context. shaderFolder holds
    // ProductStage and ModelOverStage. False (after a console line from the shader loader) when
    // the stage's program cannot be built; without the second, drawFocused() declines to
    // multisample.
    bool create(const ModelOBJ& model, const std::string& shaderFolder);
    void release();
    bool ready() const { return program != nullptr; }

    // Fills the whole viewport with floor and backdrop as seen by the camera, before the model is
    // drawn; writes no depth, so the model (always above the floor) draws over it.
    // modelTurnDegrees: the model's turn about the world's y axis.
    void draw(const Matrix4& viewMatrix, const Matrix4& projectionMatrix,
              float modelTurnDegrees) const;

    // The scene for a single-sample target, drawn cheaply: the stage without the model's shadow is
    // kept in a texture of its own and copied in (redrawn only when the camera or the viewport
    // changes); the floor where the shadow can fall is drawn over it; the model, whose edges need
    // anti-aliasing, is drawn alone into a small multisampled target covering only the model, and
    // laid over the stage with its coverage as alpha (without samples, straight over the stage).
    // samples: 0 for none. drawModel draws the model with the projection it is given. False
    // (nothing drawn) where this cannot be done (no stage, a multisampled or unreadable target):
    // draw() and the model directly then.
    bool drawFocused(const Matrix4& viewMatrix, const Matrix4& projectionMatrix,
                     float modelTurnDegrees, int samples,
                     const std::function<void(const Matrix4& projection)>& drawModel);

    // The model's lowest and highest points, where the floor and the model's box end.
    float floorHeight() const { return modelLow[1]; }
    float topHeight() const { return modelHigh[1]; }

  private:
    // A rectangle of the viewport: x, y, width, height in pixels; empty when nothing it bounds is
    // in view.
    struct PixelBox {
        int x = 0, y = 0, width = 0, height = 0;
    };
    enum class Coverage {
        WholePicture,  // floor, shadow and backdrop
        WithoutShadow, // the same without the model's shadow
        ShadowPatch,   // only the patch of floor the shadow darkens
    };
    void drawPass(const Matrix4& view, const Matrix4& projection, float modelTurnDegrees,
                  Coverage coverage) const;
    // The pixels of the model's bounding box turned by modelTurnDegrees about the world's y axis.
    PixelBox screenBox(const Matrix4& viewProjection, const GLint viewport[4],
                       float modelTurnDegrees) const;
    // windowLayout: the cache is laid out as a window stores its pixels (top row first, BGRA),
    // else as an offscreen RGBA8 target.
    bool prepareBackground(const Matrix4& view, const Matrix4& projection, const GLint viewport[4],
                           bool windowLayout);
    bool prepareFocus(int width, int height, int samples);

    // Lays the model's box over the picture.
    void composite(const PixelBox& box, const float clipBox[4], const GLint viewport[4]) const;

    std::unique_ptr<ShaderProgram> program, compositeProgram;
    GLuint vertexArray = 0;
    GLuint shadowTexture = 0;
    float modelLow[3] = {}, modelHigh[3] = {}; // the model's bounding box in its own frame
    float shadowHalfSize = 1.0f; // the shadow texture covers x, z in [-half, half] of the model
    float shadowPatch[4] = {};   // x0, x1, z0, z1 in the model's frame; empty where x0 >= x1

    // The stage without the shadow, as last drawn, and what it was drawn for.
    GLuint backgroundFbo = 0, backgroundColor = 0;
    Matrix4 backgroundView, backgroundProjection;
    GLint backgroundViewport[4] = {};
    bool backgroundWindowLayout = false;
    // The multisampled target of the model's box: textures, so the composite reads their samples.
    GLuint focusFbo = 0, focusColor = 0, focusDepth = 0;
    int focusWidth = 0, focusHeight = 0, focusSamples = 0;
    int focusSamplesMade = 1; // what the driver gave for focusSamples
};

// How much of an overhead soft box the model hides from each point of the floor: the model's
// triangles projected straight down into a size x size grid over [-halfSize, halfSize] of x and z
// (rows along z), a sharp contact term and a wide penumbra blended, 0 (open) to 1 (covered).
// Positions come from the model's vertex list through its index list; triangles that reach
// outside either are skipped.
std::vector<float> FootprintShadow(const ModelOBJ& model, int size, float halfSize);
