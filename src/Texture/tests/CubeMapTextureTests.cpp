#include "Camera.h"
#include "CubeMapTexture.h"
#include "DisplayFramebuffer.h"
#include "GLTestContext.h"
#include "ImageBytes.h"
#include "Pictures.h"
#include "Shaders.h"
#include "Sky.h"
#include "SkyCube.h"
#include "TextureManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Runs from bin/ of a scratch tree (the program reads crosses from "../images/"), with the sky's
// program and cube built in a real context and an off-screen display with a depth buffer.
class SkyTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        root = fs::temp_directory_path() / ("sky-gl-" + std::to_string(getpid()));
        fs::create_directories(root / "bin");
        fs::create_directories(root / "images");
        // The sky's display map is baked by a program the run tree's shader folder holds.
        fs::create_directory_symlink(fs::path(BRASTEL_SOURCE_DIR) / "shader", root / "shader");
        saved = fs::current_path();
        fs::current_path(root / "bin");
    }
    static void TearDownTestSuite() {
        fs::current_path(saved);
        fs::remove_all(root);
    }
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        cubeMapProgram = new ShaderProgram(BRASTEL_SOURCE_DIR "/shader/CubeMapShader");
        initArrayBuffer();
        initVertexArray();
    }
    void TearDown() override {
        DeleteCubeMap();
        DeleteSkyCube();
        delete cubeMapProgram;
        cubeMapProgram = nullptr;
        display.reset();
        displayFramebuffer = 0;
    }

    void makeDisplay(int w, int h) {
        width = w, height = h;
        display = std::make_unique<OffscreenTarget>(w, h);
        displayFramebuffer = display->framebuffer;
    }

    // The sky from the origin toward (x, y, z) with the show's projection: RGB bytes, bottom row
    // first as GL reads them.
    std::vector<unsigned char> renderToward(double x, double y, double z, float fov = 45.0f,
                                            int rowsHidden = 0) {
        Camera camera;
        camera.setPerspective(fov, (float)width / height, 1.0f, 1000.0f);
        camera.lookAt({0, 0, 0}, {(float)x, (float)y, (float)z},
                      std::abs(y) > 0.99 ? Vector3{0, 0, 1} : Vector3{0, 1, 0});
        RenderSkyBox(camera.viewMatrix, camera.projectionMatrix, width, height, rowsHidden);
        std::vector<unsigned char> rgb((size_t)width * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    void keep(const std::vector<unsigned char>& rgb, const std::string& name) {
        keepPicture(name, width, height, 3, rgb);
    }

    static void writeCross(const std::string& name, int w, int h,
                           const std::function<void(int row, int column, unsigned char*)>& rgbe) {
        Bytes pixels((size_t)w * h * 4, 0);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                rgbe(r, c, &pixels[((size_t)r * w + c) * 4]);
        ASSERT_TRUE(writeFile((root / "images" / name).string(), rgbeFile(w, h, pixels, true)));
    }

    static fs::path root, saved;
    GLTestContext context;
    std::unique_ptr<OffscreenTarget> display;
    int width = 0, height = 0;
};

fs::path SkyTest::root, SkyTest::saved;

} // namespace

TEST_F(SkyTest, FacesReadBackAsTheirRecordsAndLoadRunsOnce) {
    // Pixels that name their place: red = column % 256, green = row % 256, blue = 4 band + block.
    writeCross("index_cross.hdr", 768, 1024, [](int r, int c, unsigned char* p) {
        p[0] = c % 256, p[1] = r % 256, p[2] = 4 * (r / 256) + c / 256, p[3] = 136;
    });
    CaptureStderr();
    ASSERT_TRUE(skyCubeMap.load("index_cross.hdr"));
    GetCapturedStderr();

    glBindTexture(GL_TEXTURE_CUBE_MAP, skyCubeMap.identifier);
    std::vector<float> texels(256 * 256 * 3);
    for (int i = 0; i < 6; ++i) {
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_TEXTURE_INTERNAL_FORMAT,
                                 &format);
        EXPECT_EQ(format, GL_RGBA32F);
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB, GL_FLOAT, texels.data());
        const Texture* face = TextureManager::getInstance().getCubeMapFace("index_cross.hdr", i);
        EXPECT_EQ(std::memcmp(texels.data(), face->data, texels.size() * sizeof(float)), 0) << i;
        const std::vector<float> first(texels.begin(), texels.begin() + 3);
        if (i == 2) { // +Y texel (0, 0) is cross pixel (row 0, column 256)
            EXPECT_EQ(first, std::vector<float>({0, 0, 1}));
        } else if (i == 5) { // -Z texel (0, 0) is cross pixel (1023, 511)
            EXPECT_EQ(first, std::vector<float>({255, 255, 13}));
        }
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    const GLuint first = skyCubeMap.identifier; // once per process, in release builds too
    CaptureStderr();
    EXPECT_FALSE(skyCubeMap.load("index_cross.hdr"));
    EXPECT_NE(GetCapturedStderr().find("the cube map exists already"), std::string::npos);
    EXPECT_EQ(skyCubeMap.identifier, first);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(SkyTest, LookingAlongEachAxisShowsThatFaceBehindEverything) {
    // Faces +X red, -X green, +Y blue, -Y yellow, +Z magenta, -Z cyan, each 4.0 (128 x 2^3).
    const int faceAt[4][3] = {{-1, 2, -1}, {1, 4, 0}, {-1, 3, -1}, {-1, 5, -1}};
    const bool colours[6][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}};
    writeCross("colour_cross.hdr", 48, 64, [&](int r, int c, unsigned char* p) {
        const int face = faceAt[r / 16][c / 16];
        for (int k = 0; face >= 0 && k < 3; ++k)
            p[k] = colours[face][k] ? 128 : 0, p[3] = 139;
    });
    CaptureStderr();
    ASSERT_TRUE(skyCubeMap.load("colour_cross.hdr"));
    GetCapturedStderr();
    makeDisplay(32, 24);

    const double axes[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int i = 0; i < 6; ++i) {
        const std::vector<unsigned char> rgb = renderToward(axes[i][0], axes[i][1], axes[i][2]);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(rgb[(12 * 32 + 16) * 3 + c] > 128, colours[i][c]) << i << " " << c;
    }
    // Drawn through the default depth test against the cleared depth, and in front of it.
    float depth = 1.0f;
    glReadPixels(16, 12, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_TRUE(depth > 0.999f && depth < 1.0f) << depth;

    GLint program = -1, vertexArray = -1, cullMode = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    EXPECT_EQ(program + vertexArray, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && cullMode == GL_FRONT);

    // The rows the ground will cover are cleared and left; the rest are the sky as before.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    const std::vector<unsigned char> whole = renderToward(1, 0, 0);
    const std::vector<unsigned char> above = renderToward(1, 0, 0, 45.0f, 10);
    const size_t split = 10 * 32 * 3;
    EXPECT_TRUE(std::equal(above.begin() + split, above.end(), whole.begin() + split));
    EXPECT_TRUE(
        std::all_of(above.begin(), above.begin() + split, [](unsigned char v) { return v == 0; }));
    glReadPixels(16, 9, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(SkyTest, CrossesThatCannotBeCutDrawNoSkyAndBadSizesAreReported) {
    makeDisplay(8, 8);
    // Not float RGB (a BMP), and an HDR file whose header the reader refuses: no faces.
    ASSERT_TRUE(writeFile((root / "images" / "flat_cross.bmp").string(),
                          bmpFile(6, 8, Bytes(6 * 8 * 3, 77))));
    ASSERT_TRUE(writeFile((root / "images" / "refused_cross.hdr").string(),
                          Bytes{'#', '?', 'X', '\n', '\n'}));
    for (const std::string name : {"flat_cross.bmp", "refused_cross.hdr"}) {
        CaptureStderr();
        EXPECT_FALSE(skyCubeMap.load(name));
        EXPECT_NE(GetCapturedStderr().find("CubeMapTexture::load : " + name +
                                           " could not be cut into cube-map faces; the sky is "
                                           "not drawn"),
                  std::string::npos);
        EXPECT_EQ(skyCubeMap.identifier, 0u);
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        EXPECT_EQ(renderToward(0, 0, -1)[0], 51) << "only the clear colour";
        glClearColor(0, 0, 0, 1);
    }

    // 60 x 60 is not 3 by 4 squares: 20 x 15 faces, warned about, uploaded, the GL error told.
    writeCross("square_cross.hdr", 60, 60, [](int, int, unsigned char*) {});
    CaptureStderr();
    EXPECT_TRUE(skyCubeMap.load("square_cross.hdr"));
    const std::string err = GetCapturedStderr();
    EXPECT_NE(err.find("Not a valid cubemap !"), std::string::npos);
    EXPECT_NE(err.find(" >>> OpenGL ERROR @Loading CubeMapTexture failed!: "), std::string::npos);
    EXPECT_NE(skyCubeMap.identifier, 0u);
    DeleteCubeMap();

    // A missing cross ends the program as the Radiance reader does.
    EXPECT_EXIT(skyCubeMap.load("missing_cross.hdr"), testing::ExitedWithCode(1),
                "Error opening HDR file: ../images/missing_cross.hdr");
}

TEST_F(SkyTest, GeneratedSkyShowsTheSunBrightestAndNothingClipped) {
    ASSERT_TRUE(writeRadiance((root / "images" / "uffizi_cross.hdr").string(), 768, 1024,
                              renderSkyCross(256)));
    CaptureStderr();
    InitCubeMap();
    GetCapturedStderr();
    makeDisplay(640, 480);

    // Toward the sun: the white pixels are its disc, round the middle of the view; the sky is
    // bright, and nowhere white more than 3 degrees from the sun.
    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    const std::vector<unsigned char> sun = renderToward(sx, sy, sz);
    keep(sun, "sky-sun");
    const double degreesPerPixel = 2 * std::atan(std::tan(M_PI / 8) * 9 / 16) * 180 / M_PI / 480;
    double x = 0, y = 0, white = 0, farthest = 0;
    for (int i = 0; i < 640 * 480; ++i)
        if (std::max({sun[i * 3], sun[i * 3 + 1], sun[i * 3 + 2]}) >= 250) {
            x += i % 640, y += i / 640, ++white;
            farthest = std::max(farthest, std::hypot(i % 640 - 320, i / 640 - 240));
        }
    EXPECT_LE(std::hypot(x / white - 320, y / white - 240), 2.0);
    EXPECT_LE(farthest * degreesPerPixel, 3.0);
    EXPECT_GT(*std::min_element(sun.begin(), sun.end()), 150);

    // Toward the horizon where two side faces meet: along a row, pixels never jump.
    const std::vector<unsigned char> edge = renderToward(0.7, 0.12, 0.7);
    keep(edge, "sky-horizon-edge");
    int jump = 0;
    for (size_t i = 3; i < edge.size(); ++i)
        if ((i / 3) % 640 != 0)
            jump = std::max(jump, std::abs(edge[i] - edge[i - 3]));
    EXPECT_LE(jump, 3);
    EXPECT_GT(*std::min_element(edge.begin(), edge.end()), 20);

    keep(renderToward(sx, 0.25, sz, 100.0f), "sky-wide"); // horizon to high sky, to look at
}

TEST_F(SkyTest, TheBakedSkyShowsTheCubeMapsDisplayColoursInEveryDirection) {
    ASSERT_TRUE(writeRadiance((root / "images" / "uffizi_cross.hdr").string(), 768, 1024,
                              renderSkyCross(256)));
    CaptureStderr();
    InitCubeMap();
    GetCapturedStderr();
    makeDisplay(160, 120);

    // The same sky read straight from the cube map, without the dither.
    const fs::path reference = root / "reference";
    fs::create_directories(reference);
    fs::copy_file(fs::path(BRASTEL_SOURCE_DIR) / "shader" / "Common.glsl",
                  reference / "Common.glsl");
    fs::copy_file(fs::path(BRASTEL_SOURCE_DIR) / "shader" / "CubeMapShader.vert",
                  reference / "Direct.vert");
    const std::string directSource =
        "#version 150\n"
        "uniform samplerCube cubeMapSampler;\n"
        "in vec3 direction;\n"
        "out vec4 color;\n"
        "void main() {\n"
        "    color = vec4(displayColor(texture(cubeMapSampler, direction).rgb), 1.0);\n"
        "}\n";
    ASSERT_TRUE(writeFile((reference / "Direct.frag").string(),
                          Bytes(directSource.begin(), directSource.end())));
    ShaderProgram direct((reference / "Direct").string());
    ASSERT_NE(direct.program, 0u);

    // The horizon away from the sun, a face's corner, the zenith (the sun's glow: its steepest
    // gradient), and below the horizon, where the map's lower half folds (straight down its four
    // corners meet). Within a few levels in 255 (the dither is one), and less than one on average.
    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    const double views[][3] = {{-sx, 0.05, -sz}, {-0.7, 0.7, 0.7}, {0.01, 1, 0},
                               {-sx, -0.5, -sz}, {0.01, -1, 0},    {1, -0.2, 0.01}};
    for (const auto& v : views) {
        const std::vector<unsigned char> baked = renderToward(v[0], v[1], v[2], 60.0f);
        ShaderProgram* const show = cubeMapProgram;
        cubeMapProgram = &direct;
        const std::vector<unsigned char> exact = renderToward(v[0], v[1], v[2], 60.0f);
        cubeMapProgram = show;
        int most = 0;
        double sum = 0;
        for (size_t i = 0; i < baked.size(); ++i) {
            most = std::max(most, std::abs(baked[i] - exact[i]));
            sum += std::abs(baked[i] - exact[i]);
        }
        EXPECT_LE(most, 4) << v[0] << " " << v[1] << " " << v[2];
        EXPECT_LT(sum / baked.size(), 1.0) << v[0] << " " << v[1] << " " << v[2];
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(SkyTest, WithoutTheBakesProgramTheSkyIsBlackAndTheBakeIsTriedOnce) {
    // A run tree whose shader folder lacks the bake's program.
    const fs::path tree = root / "no-bake";
    fs::create_directories(tree / "bin");
    fs::create_directories(tree / "shader");
    fs::create_directory_symlink(root / "images", tree / "images");
    const fs::path bin = fs::current_path();
    fs::current_path(tree / "bin");
    writeCross("grey_cross.hdr", 48, 64,
               [](int, int, unsigned char* p) { p[0] = p[1] = p[2] = 128, p[3] = 129; });
    CaptureStderr();
    ASSERT_TRUE(skyCubeMap.load("grey_cross.hdr"));
    GetCapturedStderr();
    makeDisplay(16, 16);

    testing::internal::CaptureStdout();
    CaptureStderr();
    const std::vector<unsigned char> first = renderToward(0, 0, -1);
    const std::vector<unsigned char> second = renderToward(0, 0, -1);
    const std::string said = testing::internal::GetCapturedStdout() + GetCapturedStderr();
    fs::current_path(bin);
    EXPECT_NE(said.find("SkyDisplayMap"), std::string::npos) << said;
    EXPECT_EQ(said.find("SkyDisplayMap"), said.rfind("SkyDisplayMap")) << said;
    EXPECT_EQ(*std::max_element(second.begin(), second.end()), 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
