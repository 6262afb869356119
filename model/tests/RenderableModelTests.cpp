#include "Camera.h"
#include "ModelGLTestSupport.h"
#include "ModelObjFactory.h"

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace modeltest;

namespace {

constexpr int kSize = 128;
const float kOrigin[3] = {0, 0, 0};

// name, then the material's statements
using Materials = std::vector<std::pair<std::string, std::string>>;

// One unit quad per material, side by side along x, facing +z; writes row.obj and row.mtl.
std::string writeQuadRow(const ScratchFolder& files, const Materials& materials,
                         bool withTexCoords = true) {
    std::string obj = "mtllib row.mtl\nvn 0 0 1\n", library;
    if (withTexCoords)
        obj += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    for (size_t i = 0; i < materials.size(); ++i) {
        const std::string x0 = std::to_string(i), x1 = std::to_string(i + 1);
        obj += "v " + x0 + " 0 0\nv " + x1 + " 0 0\nv " + x1 + " 1 0\nv " + x0 + " 1 0\n";
        library += "newmtl " + materials[i].first + "\n" + materials[i].second + "\n";
    }
    for (size_t i = 0; i < materials.size(); ++i) {
        obj += "usemtl " + materials[i].first + "\nf";
        for (int k = 1; k <= 4; ++k)
            obj += " " + std::to_string(4 * i + k) +
                   (withTexCoords ? "/" + std::to_string(k) + "/1" : "//1");
        obj += "\n";
    }
    files.write("row.mtl", library);
    return files.write("row.obj", obj);
}

// Screen x of the centre of quad i of n, for the row unitized and seen from (0, 0, 1.3).
int quadCentre(int i, int n) {
    const double x = -0.5 + (i + 0.5) / n;
    return static_cast<int>((x / (1.3 * std::tan(22.5 * M_PI / 180)) + 1) * 0.5 * kSize);
}

void lookFrom(const Vector3& eye) {
    camera.lookAt(eye, Vector3(0, 0, 0), Vector3(0, 1, 0));
    camera.setPerspective(45.0f, 1.0f, 0.1f, 100.0f);
}

class RenderableModel : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        ASSERT_TRUE(target.complete);
        RenderableModelOBJ::rotationAngle = 0.0f;
    }
    std::unique_ptr<RenderableModelOBJ> load(const std::string& path) {
        auto model = std::make_unique<RenderableModelOBJ>("../resources/");
        EXPECT_TRUE(model->Initialize(path));
        return model;
    }
    // Mean brightness about the centre of quad `quad` of a row of four, `half` pixels each way.
    double quadBrightness(const std::vector<unsigned char>& pixels, int quad, int half) {
        const int x = quadCentre(quad, 4);
        return target.brightness(pixels, x - half, kSize / 2 - half, x + half, kSize / 2 + half);
    }
    GLTestContext context;
    WorkingDirectory workingDirectory{projectModelFolder()};
    ScratchFolder files;
    OffscreenTarget target{kSize, kSize};
};

} // namespace

TEST_F(RenderableModel, FactoryHoldsOneModelPerNameAndDestroysWhatItHolds) {
    const std::string path = writeQuadRow(files, {{"plain", "Kd 0.8 0.8 0.8"}});
    GLuint secondProgram = 0, secondBuffer = 0;
    {
        ModelObjFactory factory;
        EXPECT_EQ(factory.getModel(path), nullptr);
        EXPECT_TRUE(factory.models.empty());

        RenderableModelOBJ* first = factory.createModel(path, "../resources/");
        ASSERT_TRUE(first && first->Initialize(path));
        const GLuint firstProgram = first->program->program, firstBuffer = first->vertexBuffer;
        RenderableModelOBJ* second = factory.createModel(path, "../resources/");
        EXPECT_EQ(factory.models.size(), 1u);
        EXPECT_EQ(factory.getModel(path), second);
        EXPECT_FALSE(glIsProgram(firstProgram)); // the first model is gone with its GL objects
        EXPECT_FALSE(glIsBuffer(firstBuffer));
        ASSERT_TRUE(second->Initialize(path));
        secondProgram = second->program->program;
        secondBuffer = second->vertexBuffer;

        // A model whose file is missing loads nothing and draws nothing.
        RenderableModelOBJ* missing = factory.createModel(files.file("absent.obj"), "");
        EXPECT_FALSE(missing->Initialize(files.file("absent.obj")));
        missing->Render(kOrigin);
        EXPECT_EQ(target.brightness(target.read(), 0, 0, kSize, kSize), 0.0);
    }
    EXPECT_FALSE(glIsProgram(secondProgram));
    EXPECT_FALSE(glIsBuffer(secondBuffer));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableModel, EachBatchDrawsWithItsOwnMapsAndStartsFromNeutralOnes) {
    files.write("red.tga", tgaOfColour(255, 0, 0));
    files.write("green.tga", tgaOfColour(0, 255, 0));
    files.write("flat.tga", tgaOfColour(128, 128, 255));
    auto model =
        load(writeQuadRow(files, {{"red", "Kd 1 1 1\nmap_Kd red.tga"},
                                  {"green", "Kd 1 1 1\nmap_Kd green.tga"},
                                  {"plain", "Kd 0.8 0.8 0.8"},
                                  {"redFlat", "Kd 1 1 1\nmap_Kd red.tga\nmap_bump flat.tga"}}));
    ASSERT_EQ(model->numBatches, 4);
    lookFrom(Vector3(0, 0, 1.3f));
    lightSourcePosition = Vector3(0, 0, 6);
    model->Render(kOrigin);
    const float angleAfterOneFrame = RenderableModelOBJ::rotationAngle;
    const std::vector<unsigned char> pixels = target.read();
    auto colourOf = [&](int quad) { return target.at(pixels, quadCentre(quad, 4), kSize / 2); };
    const unsigned char *red = colourOf(0), *green = colourOf(1), *plain = colourOf(2),
                        *redFlat = colourOf(3);
    EXPECT_GT(red[0], 100);
    EXPECT_LT(red[1] + red[2], red[0] / 2);
    EXPECT_GT(green[1], 100);
    EXPECT_LT(green[0] + green[2], green[1] / 2);
    // The plain batch comes after the green one but is drawn white (the light is a little warm).
    EXPECT_GT(plain[0], 100);
    EXPECT_NEAR(plain[0], plain[1], 12);
    EXPECT_NEAR(plain[1], plain[2], 12);
    // Without a bump map the red quad is lit as with a flat normal map, not through its colours.
    EXPECT_NEAR(red[0], redFlat[0], 3);

    // Draw state after each frame; the turn grows by 0.01 degrees per batch drawn.
    model->Render(kOrigin);
    EXPECT_NEAR(angleAfterOneFrame, 0.04f, 1e-6f);
    EXPECT_NEAR(RenderableModelOBJ::rotationAngle - angleAfterOneFrame, 0.04f, 1e-6f);
    GLint program = -1, vertexArray = -1, cullFace = 0;
    GLboolean depthWrites = GL_FALSE;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && depthWrites);
    EXPECT_EQ(cullFace, GL_BACK);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableModel, WithoutTextureCoordinatesOrTangentsTheMaterialColourShows) {
    files.write("red.tga", tgaOfColour(255, 0, 0));
    auto model = load(writeQuadRow(files, {{"blue", "Kd 0.2 0.4 0.9\nmap_Kd red.tga"}}, false));
    EXPECT_FALSE(attributeEnabled(model->vertexArray, ATTRIB_TEXCOORD));
    EXPECT_FALSE(attributeEnabled(model->vertexArray, ATTRIB_TANGENT));
    EXPECT_TRUE(attributeEnabled(model->vertexArray, ATTRIB_NORMAL));

    // Whatever a pass before left on the texture units must not colour the model.
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, model->textureByName.at("red.tga"));
    }
    lookFrom(Vector3(0, 0, 1.5f));
    lightSourcePosition = Vector3(0, 0, 6);
    model->Render(kOrigin);
    const std::vector<unsigned char> pixels = target.read();
    const unsigned char* p = target.at(pixels, kSize / 2, kSize / 2);
    // Lit, finite, and the material's blue (a NaN or a zero normal comes out black).
    EXPECT_GT(p[2], 100);
    EXPECT_GT(p[2], p[1]);
    EXPECT_GT(p[1], p[0]);
}

TEST_F(RenderableModel, LightStaysInTheWorldWhileTheModelTurns) {
    // A smooth sphere seen from +x (screen right is the world's -z), lit from the camera's left.
    std::string obj = "mtllib s.mtl\nusemtl grey\n";
    const int rings = 16, segments = 32;
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j <= segments; ++j) {
            const double t = M_PI * i / rings, f = 2 * M_PI * j / segments;
            const std::string p = std::to_string(std::sin(t) * std::cos(f)) + " " +
                                  std::to_string(std::cos(t)) + " " +
                                  std::to_string(-std::sin(t) * std::sin(f)) + "\n";
            obj += "v " + p + "vn " + p;
        }
    auto corner = [](int k) { return " " + std::to_string(k) + "//" + std::to_string(k); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const int a = i * (segments + 1) + j + 1, b = a + segments + 1;
            obj += "f" + corner(a) + corner(b) + corner(b + 1) + corner(a + 1) + "\n";
        }
    files.write("s.mtl", "newmtl grey\nKd 0.8 0.8 0.8\nKs 0.3 0.3 0.3\nNs 100\n");
    auto model = load(files.write("sphere.obj", obj));
    lookFrom(Vector3(2.2f, 0, 0));
    lightSourcePosition = Vector3(0, 0, 4);
    for (float angle : {0.0f, 90.0f, 180.0f}) {
        RenderableModelOBJ::rotationAngle = angle;
        target.clear();
        model->Render(kOrigin);
        const std::vector<unsigned char> pixels = target.read();
        const int c = kSize / 2;
        const double left = target.brightness(pixels, c - 28, c - 8, c - 6, c + 8);
        const double right = target.brightness(pixels, c + 6, c - 8, c + 28, c + 8);
        EXPECT_GT(left, right * 1.5) << "turned by " << angle << " degrees";
    }
}

TEST_F(RenderableModel, NormalMapsBendTheShadingAlongTheirTangentFrame) {
    files.write("white.tga", tgaOfColour(200, 200, 200));
    // Normals tilted by about 37 degrees towards +u, -u, +v and -v.
    files.write("plusU.tga", tgaOfColour(204, 128, 230));
    files.write("minusU.tga", tgaOfColour(51, 128, 230));
    files.write("plusV.tga", tgaOfColour(128, 204, 230));
    files.write("minusV.tga", tgaOfColour(128, 51, 230));
    Materials tilts;
    for (const char* name : {"plusU", "minusU", "plusV", "minusV"})
        tilts.push_back({name, std::string("map_Kd white.tga\nmap_bump ") + name + ".tga"});
    auto model = load(writeQuadRow(files, tilts));
    EXPECT_TRUE(attributeEnabled(model->vertexArray, ATTRIB_TANGENT));

    lookFrom(Vector3(0, 0, 1.3f));
    lightSourcePosition = Vector3(3, 3, 3); // up and to the right: +u is +x, +v is +y
    model->Render(kOrigin);
    const std::vector<unsigned char> pixels = target.read();
    auto brightnessOf = [&](int quad) { return quadBrightness(pixels, quad, 3); };
    EXPECT_GT(brightnessOf(0), brightnessOf(1) + 60);
    EXPECT_GT(brightnessOf(2), brightnessOf(3) + 60);
}

// Colour maps are sRGB: their mipmaps average light, so a fine black-and-white checker minifies
// to the grey of half the light (188), not to code value 128, which shows far too dark. Normal
// maps hold directions and average as they are.
TEST_F(RenderableModel, ColourMapsMipmapInLightNormalMapsAsStored) {
    std::string checker(18, '\0'); // 8 x 8, 24-bit, uncompressed
    checker[2] = 2;
    checker[12] = checker[14] = 8;
    checker[16] = 24;
    for (int i = 0; i < 64; ++i)
        checker.append(3, static_cast<char>(((i % 8) + (i / 8)) % 2 ? 255 : 0));
    files.write("checker.tga", checker);
    files.write("bump.tga", checker);
    const std::string path =
        writeQuadRow(files, {{"checked", "Kd 1 1 1\nmap_Kd checker.tga\nmap_bump bump.tga"}});
    auto model = load(path);
    const GLuint colour = model->textureByName.at("checker.tga");
    const GLuint bump = model->textureByName.at("bump.tga");
    for (const auto& [texture, expected] : {std::pair{colour, 188}, std::pair{bump, 128}}) {
        unsigned char texel[4] = {};
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 3, GL_RGBA, GL_UNSIGNED_BYTE, texel); // the 1 x 1 level
        EXPECT_NEAR(texel[0], expected, 3) << (texture == colour ? "colour map" : "normal map");
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

// A colour map's code values are decoded to light exactly once: a flat map of code value 188
// lights like a map-less material of Kd 0.503, the light it encodes, and one of 64 like 0.0513.
// Each pair sits symmetrically about the light and the eye, so both see the same light.
TEST_F(RenderableModel, ColourMapsLightAsTheLinearColourTheyEncode) {
    files.write("half.tga", tgaOfColour(188, 188, 188));
    files.write("dark.tga", tgaOfColour(64, 64, 64));
    auto model = load(writeQuadRow(files, {{"halfMap", "Kd 1 1 1\nmap_Kd half.tga"},
                                           {"darkMap", "Kd 1 1 1\nmap_Kd dark.tga"},
                                           {"dark", "Kd 0.0513 0.0513 0.0513"},
                                           {"half", "Kd 0.503 0.503 0.503"}}));
    lookFrom(Vector3(0, 0, 1.3f));
    lightSourcePosition = Vector3(0, 0, 6);
    model->Render(kOrigin);
    const std::vector<unsigned char> pixels = target.read();
    auto brightnessOf = [&](int quad) { return quadBrightness(pixels, quad, 2); };
    EXPECT_GT(brightnessOf(3), brightnessOf(2) + 40);   // the two pairs differ
    EXPECT_NEAR(brightnessOf(0), brightnessOf(3), 3.5); // a level in each channel
    EXPECT_NEAR(brightnessOf(1), brightnessOf(2), 3.5);
}

// A grey colour map rides in the alpha of its normal map when both are the same size: one texture,
// its levels copied from the two mipmapped maps, drawn with the program's variant, lit as the two
// maps light. A tinted colour map, or one of another size, keeps its own texture.
TEST_F(RenderableModel, AGreyColourMapRidesInItsNormalMapAndLightsAsTheTwoMapsDo) {
    const auto picture = [](int side, auto texel) { // an 8-bit grey per texel
        Bytes bgr;
        for (int i = 0; i < side * side; ++i) {
            const std::array<unsigned char, 3> rgb = texel(i % side, i / side);
            bgr.insert(bgr.end(), {rgb[2], rgb[1], rgb[0]});
        }
        const Bytes file = tgaFile(2, 24, side, side, bgr, false);
        return std::string(file.begin(), file.end());
    };
    const auto checker = [](int x, int y) -> unsigned char { return (x + y) % 2 ? 255 : 40; };
    using Rgb = std::array<unsigned char, 3>;
    files.write("checker.tga", picture(8, [&](int x, int y) {
                    return Rgb{checker(x, y), checker(x, y), checker(x, y)};
                }));
    files.write("even.tga", picture(8, [](int, int) { return Rgb{150, 150, 150}; }));
    files.write("tinted.tga", picture(8, [](int, int) { return Rgb{150, 150, 149}; }));
    files.write("small.tga", tgaOfColour(150, 150, 150));
    files.write("up.tga", picture(8, [](int, int) { return Rgb{128, 204, 230}; }));
    // Quads 0 and 3 sit symmetrically about the light and the eye, and their normals lean the same
    // way (up), so both see the same light.
    auto model =
        load(writeQuadRow(files, {{"even", "Kd 1 1 1\nmap_Kd even.tga\nmap_bump up.tga"},
                                  {"checker", "Kd 1 1 1\nmap_Kd checker.tga\nmap_bump up.tga"},
                                  {"small", "Kd 1 1 1\nmap_Kd small.tga\nmap_bump up.tga"},
                                  {"tinted", "Kd 1 1 1\nmap_Kd tinted.tga\nmap_bump up.tga"}}));
    ASSERT_EQ(model->greyColourMaps.size(), 2u);
    ASSERT_EQ(model->greyColourMaps.count({"even.tga", "up.tga"}), 1u);
    ASSERT_EQ(model->greyColourMaps.count({"checker.tga", "up.tga"}), 1u);
    ASSERT_TRUE(model->greyColourProgram);

    // Level 0 holds both maps; the 1 x 1 level the normal as stored and the checker's mean light
    // (code 188 between 40 and 255), not its mean code value (148).
    glBindTexture(GL_TEXTURE_2D, model->greyColourMaps.at({"checker.tga", "up.tga"}));
    std::vector<unsigned char> level0(8 * 8 * 4);
    unsigned char last[4] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
    glGetTexImage(GL_TEXTURE_2D, 3, GL_RGBA, GL_UNSIGNED_BYTE, last);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(level0[4 * i + 1], 204) << i;
        ASSERT_EQ(level0[4 * i + 3], checker(i % 8, i / 8)) << i;
    }
    EXPECT_EQ(last[0], 128);
    EXPECT_EQ(last[1], 204);
    EXPECT_NEAR(last[3], 188, 3);

    lookFrom(Vector3(0, 0, 1.3f));
    lightSourcePosition = Vector3(0, 0, 6);
    model->Render(kOrigin);
    const std::vector<unsigned char> pixels = target.read();
    auto brightnessOf = [&](int quad) { return quadBrightness(pixels, quad, 3); };
    EXPECT_GT(brightnessOf(0), 40);
    EXPECT_NEAR(brightnessOf(0), brightnessOf(3), 2.0);
}
