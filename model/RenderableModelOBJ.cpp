#include "RenderableModelOBJ.h"

#include "Angles.h"
#include "Camera.h"
#include "GLError.h"
#include "Matrix4.h"
#include "RunTree.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <utility>
#include <vector>

Vector3 lightSourcePosition(4.80741f, 1.1454f, 4.88528f);

float RenderableModelOBJ::rotationAngle = 0.0f;

namespace {

Matrix4 rotationAboutY(float degrees) {
    const float radians = DegreesToRadians(degrees);
    Matrix4 r;
    r[0] = std::cos(radians);
    r[2] = -std::sin(radians);
    r[8] = std::sin(radians);
    r[10] = std::cos(radians);
    return r;
}

Matrix4 translation(const float* position) {
    Matrix4 t;
    t[12] = position[0];
    t[13] = position[1];
    t[14] = position[2];
    return t;
}

// A 1 x 1 texture holding the unperturbed tangent-space normal (0, 0, 1).
GLuint createFlatNormalTexture() {
    const unsigned char texel[4] = {128, 128, 255, 255};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

// A material picture with a mipmap chain: the model is small on screen, and fine patterns (a
// perforated grille) would shimmer without one. Colour maps are sRGB textures, so their mipmaps
// average light; a normal map's mipmaps average directions, and the shortened mean tells the
// shader how rough the surface looks from afar. A colour map is then sampled as stored and its
// filtered colour decoded once by the shader: decoding each of a trilinear fetch's eight texels
// cost a software rasteriser 6 % of a model frame.
GLuint loadMaterialTexture(Texturing::Texture2D& loader, const std::string& path) {
    const GLuint name = loader.loadFromFile(path);
    if (name != 0) {
        glBindTexture(GL_TEXTURE_2D, name);
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        if (loader.srgb)
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SRGB_DECODE_EXT, GL_SKIP_DECODE_EXT);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return name;
}

// Level `level` of the bound 2D texture as RGBA8 rows; empty past the last level.
std::vector<unsigned char> readLevel(int level, int& width, int& height) {
    width = height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<unsigned char> texels(static_cast<size_t>(std::max(width, 0)) *
                                      static_cast<size_t>(std::max(height, 0)) * 4);
    if (!texels.empty())
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// One texture holding a normal map's directions and, in its alpha, a grey colour map's code
// values, level by level from the two mipmapped maps, so the colour's mipmaps stay averaged in
// light. 0 where the colour map is not grey or the two maps differ in size.
GLuint packGreyColourIntoNormalMap(GLuint colourMap, GLuint normalMap) {
    std::vector<std::vector<unsigned char>> levels;
    std::vector<std::array<int, 2>> sizes;
    for (int level = 0; level < 32; ++level) {
        int width, height, normalWidth, normalHeight;
        glBindTexture(GL_TEXTURE_2D, colourMap);
        const std::vector<unsigned char> colour = readLevel(level, width, height);
        glBindTexture(GL_TEXTURE_2D, normalMap);
        std::vector<unsigned char> packed = readLevel(level, normalWidth, normalHeight);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (width != normalWidth || height != normalHeight)
            return 0;
        if (colour.empty())
            break;
        for (size_t i = 0; i < colour.size(); i += 4) {
            if (colour[i] != colour[i + 1] || colour[i] != colour[i + 2])
                return 0;
            packed[i + 3] = colour[i];
        }
        levels.push_back(std::move(packed));
        sizes.push_back({width, height});
    }
    if (levels.empty())
        return 0;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    for (size_t level = 0; level < levels.size(); ++level)
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, sizes[level][0],
                     sizes[level][1], 0, GL_RGBA, GL_UNSIGNED_BYTE, levels[level].data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

void connectAttribute(GLuint program, const char* name, GLint components, size_t offset) {
    const GLint location = glGetAttribLocation(program, name);
    if (location < 0)
        return; // the shader does not read it
    glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE,
                          sizeof(ModelVertex), reinterpret_cast<const void*>(offset));
    glEnableVertexAttribArray(static_cast<GLuint>(location));
}

void setVector4(GLuint program, const char* name, const float* value) {
    glUniform4fv(glGetUniformLocation(program, name), 1, value);
}

} // namespace

RenderableModelOBJ::RenderableModelOBJ(const std::string& resourceFolder)
    : resourceFolder(resourceFolder) {
    defaultTexture.createDefault();
    glBindTexture(GL_TEXTURE_2D, 0);
    // Bump maps hold directions: they stay linear. Without a way to skip the sampler's decoding,
    // colour maps are stored as they are (mipmaps of code values, a little dark from afar), since
    // the shader decodes what it samples.
    colorLoader.srgb = GLEW_EXT_texture_sRGB_decode;
    flatNormalTexture = createFlatNormalTexture();
}

RenderableModelOBJ::~RenderableModelOBJ() {
    glUseProgram(0);
    program.reset();
    greyColourProgram.reset();
    DeleteBuffers();
    for (const auto& entry : textureByName)
        glDeleteTextures(1, &entry.second);
    for (const auto& entry : greyColourMaps)
        glDeleteTextures(1, &entry.second);
    glDeleteTextures(1, &defaultTexture.textureId);
    glDeleteTextures(1, &flatNormalTexture);
}

bool RenderableModelOBJ::Initialize(const std::string& path) {
    if (!Import(path))
        return false;
    unitize(1.0f);

    for (int i = 0; i < numMaterials && i < static_cast<int>(materials.size()); ++i) {
        const ModelMaterial& material = materials[i];
        if (material.colorMapFile.empty())
            continue;
        // Materials that share a picture share its texture.
        if (!textureByName.count(material.colorMapFile)) {
            const GLuint name = loadMaterialTexture(colorLoader, directory + material.colorMapFile);
            if (name != 0)
                textureByName[material.colorMapFile] = name;
        }
        if (!material.bumpMapFile.empty() && !textureByName.count(material.bumpMapFile)) {
            const GLuint name = loadMaterialTexture(bumpLoader, directory + material.bumpMapFile);
            if (name != 0)
                textureByName[material.bumpMapFile] = name;
        }
    }

    for (int i = 0; i < numMaterials && i < static_cast<int>(materials.size()); ++i) {
        const ModelMaterial& material = materials[i];
        const auto color = textureByName.find(material.colorMapFile);
        const auto bump = textureByName.find(material.bumpMapFile);
        const auto key = std::make_pair(material.colorMapFile, material.bumpMapFile);
        if (color == textureByName.end() || bump == textureByName.end() ||
            greyColourMaps.count(key))
            continue;
        if (const GLuint packed = packGreyColourIntoNormalMap(color->second, bump->second))
            greyColourMaps[key] = packed;
    }

    return InitializeShaders() && InitializeVertexBuffers();
}

bool RenderableModelOBJ::InitializeShaders() {
    if (program)
        return true;
    program = std::make_unique<ShaderProgram>(runtree::shaderFolder + std::string("TestShader"));
    if (program->program == 0) {
        std::cout << "Could not compile the Model-Test shader progam." << std::endl;
        program.reset(); // so the draw finds no program
        return false;
    }
    // Materials whose grey colour rides in the normal map draw with a variant; without it they
    // draw with their two maps.
    if (!greyColourMaps.empty() && !greyColourProgram) {
        greyColourProgram = std::make_unique<ShaderProgram>(
            runtree::shaderFolder + std::string("TestShader"),
            "#define GREY_COLOUR_IN_NORMAL_ALPHA\n");
        if (greyColourProgram->program == 0)
            greyColourProgram.reset();
    }
    CheckGLError("RenderableModelOBJ::InitializeShaders(2)");
    return true;
}

bool RenderableModelOBJ::InitializeVertexBuffers() {
    const bool built = UploadBuffers(program ? program->program : 0, {true, true, true});
    CheckGLError("RenderableModelOBJ::InitializeVertexBuffers(3)");
    return built;
}

bool RenderableModelOBJ::UploadBuffers(GLuint shader, Attributes connect) {
    DeleteBuffers();
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(uint32_t), indices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(ModelVertex), vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    if (!hasPositions)
        return true;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    connectAttribute(shader, "Position", 3, offsetof(ModelVertex, position));
    if (hasTexCoords && connect.texCoord)
        connectAttribute(shader, "TexCoord", 2, offsetof(ModelVertex, texCoord));
    if (hasNormals && connect.normal)
        connectAttribute(shader, "Normal", 3, offsetof(ModelVertex, normal));
    if (hasTangents && connect.tangent)
        connectAttribute(shader, "Tangent", 4, offsetof(ModelVertex, tangent));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return true;
}

void RenderableModelOBJ::DeleteBuffers() {
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &vertexBuffer);
    vertexArray = indexBuffer = vertexBuffer = 0;
}

bool RenderableModelOBJ::DrawBatch(const MaterialBatch& batch) const {
    const size_t first = static_cast<size_t>(batch.firstIndex);
    const size_t count = static_cast<size_t>(batch.triangleCount) * 3;
    if (vertexArray == 0 || batch.firstIndex < 0 || batch.triangleCount <= 0 ||
        first > indices.size() || count > indices.size() - first)
        return false;
    glBindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(first * sizeof(uint32_t)));
    glBindVertexArray(0);
    return true;
}

void RenderableModelOBJ::Render(const float* position) {
    if (!visible || !program)
        return;
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    for (const MaterialBatch& batch : batches) {
        const ModelMaterial& material = *batch.material;
        // Every batch starts from the neutral pair, so no map carries over from the batch
        // before, and a colour map never stands in for a normal map.
        GLuint colorMap = defaultTexture.textureId;
        GLuint normalMap = flatNormalTexture;
        GLuint shader = program->program;
        if (hasTexCoords) {
            const auto color = textureByName.find(material.colorMapFile);
            if (color != textureByName.end())
                colorMap = color->second;
            const auto bump = textureByName.find(material.bumpMapFile);
            if (bump != textureByName.end())
                normalMap = bump->second;
            const auto grey =
                greyColourMaps.find(std::make_pair(material.colorMapFile, material.bumpMapFile));
            if (grey != greyColourMaps.end() && greyColourProgram) {
                normalMap = grey->second;
                shader = greyColourProgram->program;
            }
        }
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, colorMap);
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, normalMap);

        glUseProgram(shader);
        rotationAngle += 0.01f;
        // The vertex is translated first, then turned about the world's y axis, then viewed.
        const Matrix4 modelView = multiply(
            camera.viewMatrix, multiply(rotationAboutY(rotationAngle), translation(position)));
        glUniformMatrix4fv(glGetUniformLocation(shader, "ProjectionMatrix"), 1, GL_FALSE,
                           camera.projectionMatrix.data());
        glUniformMatrix4fv(glGetUniformLocation(shader, "ModelViewMatrix"), 1, GL_FALSE,
                           modelView.data());
        glUniform1i(glGetUniformLocation(shader, "DiffuseColorMap"), 0);
        glUniform1i(glGetUniformLocation(shader, "NormalMap"), 1);
        const Vector3& light = lightSourcePosition;
        glUniform3f(glGetUniformLocation(shader, "LightSourcePosition"), light.x, light.y, light.z);
        const Vector3 halfVector = camera.viewDirection - light;
        glUniform3f(glGetUniformLocation(shader, "LightSourceHalfVector"), halfVector.x,
                    halfVector.y, halfVector.z);
        setVector4(shader, "LightFrontAmbient", material.ambient);
        setVector4(shader, "LightFrontDiffuse", material.diffuse);
        setVector4(shader, "LightFrontSpecular", material.specular);
        glUniform1f(glGetUniformLocation(shader, "MaterialFrontShininess"), material.shininess);
        glUniform4f(glGetUniformLocation(shader, "SceneColor"), 0.5f, 0.5f, 0.5f, 1.0f);

        if (hasPositions)
            DrawBatch(batch);
        glUseProgram(0);
    }
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}
