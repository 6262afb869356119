#pragma once

#include "ModelOBJ.h"
#include "ShaderProgram.h"
#include "Texture2D.h"
#include "Vector3.h"

#include <GL/glew.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

// The model scene's point light, in world space; the frame update moves it along its path.
extern Vector3 lightSourcePosition;

// The GPU side of an imported OBJ model: material textures, the "../shader/TestShader" program,
// one interleaved vertex buffer (the ModelVertex layout, stride 60) and one index buffer, drawn
// batch by batch with each material's uniforms.
class RenderableModelOBJ : public ModelOBJ {
  public:
    // Needs a current GL context: the white fallback texture is made here.
    explicit RenderableModelOBJ(const std::string& resourceFolder);
    virtual ~RenderableModelOBJ();

    // Import, unitize to extent 1, material textures, program, buffers; false when the file
    // cannot be read or the program cannot be built.
    virtual bool Initialize(const std::string& path);
    // Builds the program once; later calls return at once.
    virtual bool InitializeShaders();
    // Makes new buffers on every call.
    virtual bool InitializeVertexBuffers();
    // Draws every batch at position (3 floats), turning the shared rotation by 0.01 degrees per
    // batch. Leaves depth test and back-face culling enabled, no program and no vertex array.
    void Render(const float* position);

    std::string resourceFolder;
    Texturing::Texture2D defaultTexture; // opaque white, for batches without a colour map
    Texturing::Texture2D colorLoader;
    Texturing::Texture2D bumpLoader;
    GLuint flatNormalTexture = 0; // (0, 0, 1) in tangent space, for batches without a bump map
    // Key: the map file name as written in the material library.
    std::map<std::string, GLuint> textureByName;
    // A grey colour map in the alpha of its normal map, key: (colour map, normal map) file names.
    std::map<std::pair<std::string, std::string>, GLuint> greyColourMaps;
    bool visible = true;
    std::unique_ptr<ShaderProgram> program;
    std::unique_ptr<ShaderProgram> greyColourProgram; // the program's variant for those maps
    GLuint vertexArray = 0;
    GLuint indexBuffer = 0;
    GLuint vertexBuffer = 0;

    // Degrees about the world y axis, shared by every model of the program.
    static float rotationAngle;

  protected:
    // Uploads indices and vertices and records the attributes that `connect` lets through
    // (looked up by name in `shader`) in a new vertex array.
    struct Attributes {
        bool texCoord;
        bool normal;
        bool tangent;
    };
    bool UploadBuffers(GLuint shader, Attributes connect);
    void DeleteBuffers();
    // Draws one batch's triangles through the vertex array; false when there is nothing to draw
    // or the batch's range lies outside the index list.
    bool DrawBatch(const MaterialBatch& batch) const;
};
