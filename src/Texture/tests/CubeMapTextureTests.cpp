#include "Camera.h"
#include "CubeMapTexture.h"
#include "DisplayFramebuffer.h"
#include "GLTestContext.h"
#include "ImageBytes.h"
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
#include <unistd.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// The program reads crosses from "../images/": each test suite runs from bin/ of a scratch tree,
// with the sky's program and cube built in a real context.
class SkyTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        root = fs::temp_directory_path() / ("sky-gl-" + std::to_string(getpid()));
        fs::create_directories(root / "bin");
        fs::create_directories(root / "images");
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
        ASSERT_NE(cubeMapProgram->program, 0u);
        initArrayBuffer();
        initVertexArray();
        DeleteCubeMap();
    }
    void TearDown() override {
        DeleteCubeMap();
        DeleteSkyCube();
        delete cubeMapProgram;
        cubeMapProgram = nullptr;
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, renderbuffers);
        displayFramebuffer = 0;
    }

    static void writeCross(const std::string& name, const Bytes& file) {
        ASSERT_TRUE(writeFile((root / "images" / name).string(), file));
    }

    // An off-screen display of width x height with a depth buffer, as the window has.
    void makeDisplay(int w, int h) {
        width = w, height = h;
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  renderbuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  renderbuffers[1]);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), (GLenum)GL_FRAMEBUFFER_COMPLETE);
        displayFramebuffer = framebuffer;
    }

    // The sky from the origin toward (x, y, z), with the show's projection; RGB bytes, top row
    // first.
    std::vector<unsigned char> renderToward(double x, double y, double z, float fov = 45.0f) {
        Camera camera;
        camera.setPerspective(fov, (float)width / height, 1.0f, 1000.0f);
        const bool vertical = std::abs(y) > 0.99;
        camera.lookAt({0, 0, 0}, {(float)x, (float)y, (float)z},
                      vertical ? Vector3{0, 0, 1} : Vector3{0, 1, 0});
        glDepthFunc(GL_LESS);
        glClearDepth(1.0);
        RenderSkyBox(camera.viewMatrix, camera.projectionMatrix, width, height);
        std::vector<unsigned char> rgb((size_t)width * height * 3);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        for (int row = 0; row < height / 2; ++row) // GL's first row is the bottom one
            std::swap_ranges(rgb.begin() + (size_t)row * width * 3,
                             rgb.begin() + (size_t)(row + 1) * width * 3,
                             rgb.begin() + (size_t)(height - 1 - row) * width * 3);
        return rgb;
    }

    // Saves a rendered view where BRASTEL_SHOT_DIR asks for it, to look at.
    void keep(const std::vector<unsigned char>& rgb, const std::string& name) {
        if (const char* dir = std::getenv("BRASTEL_SHOT_DIR"))
            stbi_write_png((std::string(dir) + "/" + name).c_str(), width, height, 3, rgb.data(),
                           width * 3);
    }

    static fs::path root, saved;
    GLTestContext context;
    GLuint framebuffer = 0, renderbuffers[2] = {};
    int width = 0, height = 0;
};

fs::path SkyTest::root, SkyTest::saved;

// A float RGB cross whose pixels name their own row and column: red = column % 256,
// green = row % 256, blue = 4 x (row / 256) + column / 256.
Bytes indexCross() {
    Bytes rgbe((size_t)768 * 1024 * 4);
    for (int r = 0; r < 1024; ++r)
        for (int c = 0; c < 768; ++c) {
            unsigned char* p = &rgbe[((size_t)r * 768 + c) * 4];
            p[0] = c % 256, p[1] = r % 256, p[2] = 4 * (r / 256) + c / 256, p[3] = 136;
        }
    return rgbeFile(768, 1024, rgbe, true);
}

// Each face block of a w x w-face cross in one colour (RGBE bytes).
Bytes colourCross(int w, const unsigned char colours[6][4]) {
    static const int layout[4][3] = {{-1, 2, -1}, {1, 4, 0}, {-1, 3, -1}, {-1, 5, -1}};
    Bytes rgbe((size_t)3 * w * 4 * w * 4, 0);
    for (int r = 0; r < 4 * w; ++r)
        for (int c = 0; c < 3 * w; ++c)
            if (layout[r / w][c / w] >= 0)
                std::copy(colours[layout[r / w][c / w]], colours[layout[r / w][c / w]] + 4,
                          &rgbe[((size_t)r * 3 * w + c) * 4]);
    return rgbeFile(3 * w, 4 * w, rgbe, true);
}

} // namespace

TEST_F(SkyTest, FacesReadBackAsTheirRecordsAndLoadRunsOnce) {
    writeCross("index_cross.hdr", indexCross());
    CaptureStderr();
    ASSERT_TRUE(skyCubeMap.load("index_cross.hdr"));
    GetCapturedStderr();
    ASSERT_NE(skyCubeMap.identifier, 0u);

    glBindTexture(GL_TEXTURE_CUBE_MAP, skyCubeMap.identifier);
    std::vector<float> texels(256 * 256 * 3);
    for (int i = 0; i < 6; ++i) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + i;
        GLint w = 0, h = 0, format = 0;
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        ASSERT_EQ(w * 1000 + h, 256256);
        EXPECT_EQ(format, GL_RGBA32F);
        glGetTexImage(target, 0, GL_RGB, GL_FLOAT, texels.data());
        const Texture* face = TextureManager::getInstance().getCubeMapFace("index_cross.hdr", i);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(std::memcmp(texels.data(), face->data, texels.size() * sizeof(float)), 0) << i;
        const std::vector<float> first(texels.begin(), texels.begin() + 3);
        if (i == 2) { // +Y texel (0, 0) is cross pixel (row 0, column 256)
            EXPECT_EQ(first, std::vector<float>({0, 0, 1}));
        }
        if (i == 5) { // -Z texel (0, 0) is cross pixel (1023, 511)
            EXPECT_EQ(first, std::vector<float>({255, 255, 13}));
        }
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    // Once per process, in release builds too.
    const GLuint first = skyCubeMap.identifier;
    CaptureStderr();
    EXPECT_FALSE(skyCubeMap.load("index_cross.hdr"));
    EXPECT_NE(GetCapturedStderr().find("CubeMapTexture::load : the cube map exists already"),
              std::string::npos);
    EXPECT_EQ(skyCubeMap.identifier, first);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(SkyTest, LookingAlongEachAxisShowsThatFaceBehindEverything) {
    // +X red, -X green, +Y blue, -Y yellow, +Z magenta, -Z cyan; 4.0 each (mantissa 128, E 139).
    const unsigned char colours[6][4] = {{128, 0, 0, 139},   {0, 128, 0, 139},
                                         {0, 0, 128, 139},   {128, 128, 0, 139},
                                         {128, 0, 128, 139}, {0, 128, 128, 139}};
    writeCross("colour_cross.hdr", colourCross(16, colours));
    CaptureStderr();
    ASSERT_TRUE(skyCubeMap.load("colour_cross.hdr"));
    GetCapturedStderr();
    makeDisplay(32, 24);

    const double axes[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int i = 0; i < 6; ++i) {
        const std::vector<unsigned char> rgb = renderToward(axes[i][0], axes[i][1], axes[i][2]);
        const unsigned char* centre = &rgb[((size_t)(height / 2) * width + width / 2) * 3];
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(centre[c] > 128, colours[i][c] > 0)
                << "face " << i << " channel " << c << ": " << (int)centre[c];
    }
    // The sky passed the depth test against the cleared depth, and lies in front of it.
    float depth = 1.0f;
    glReadPixels(width / 2, height / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_LT(depth, 1.0f);
    EXPECT_GT(depth, 0.999f);

    GLint program = -1, vertexArray = -1, cullMode = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ(program, 0);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && depthWrites);
    EXPECT_EQ(cullMode, GL_FRONT);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(SkyTest, CrossesThatCannotBeCutDrawNoSkyAndBadSizesAreReported) {
    makeDisplay(8, 8);
    auto nothingDrawn = [&] {
        glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
        const std::vector<unsigned char> rgb = renderToward(0, 0, -1);
        glClearColor(0, 0, 0, 1);
        return rgb[0] == 51 && rgb[1] == 102 && rgb[2] == 153;
    };

    // Not float RGB (a BMP), and an HDR file whose header the reader refuses: no faces.
    writeCross("flat_cross.bmp", bmpFile(6, 8, Bytes(6 * 8 * 3, 77)));
    writeCross("refused_cross.hdr", Bytes{'#', '?', 'X', '\n', '\n'});
    for (const char* name : {"flat_cross.bmp", "refused_cross.hdr"}) {
        CaptureStderr();
        EXPECT_FALSE(skyCubeMap.load(name));
        const std::string err = GetCapturedStderr();
        EXPECT_NE(err.find(std::string("CubeMapTexture::load : ") + name +
                           " could not be cut into cube-map faces; the sky is not drawn"),
                  std::string::npos)
            << err;
        EXPECT_EQ(skyCubeMap.identifier, 0u);
        EXPECT_TRUE(nothingDrawn()) << name;
    }

    // Not 3 by 4 squares: 60 x 60 gives 20 x 15 faces, warned about, uploaded, the GL error told.
    writeCross("square_cross.hdr", rgbeFile(60, 60, Bytes(60 * 60 * 4, 0), false));
    CaptureStderr();
    EXPECT_TRUE(skyCubeMap.load("square_cross.hdr"));
    const std::string err = GetCapturedStderr();
    EXPECT_NE(err.find("TextureManager::getCubeMapFaces : Not a valid cubemap !"),
              std::string::npos);
    EXPECT_NE(err.find(" >>> OpenGL ERROR @Loading CubeMapTexture failed!: "), std::string::npos)
        << err;
    EXPECT_NE(skyCubeMap.identifier, 0u);
    DeleteCubeMap();

    // A missing cross ends the program as the Radiance reader does.
    EXPECT_EXIT(skyCubeMap.load("missing_cross.hdr"), testing::ExitedWithCode(1),
                "Error opening HDR file: ../images/missing_cross.hdr");
}

TEST_F(SkyTest, GeneratedSkyShowsTheSunBrightestAndNothingClipped) {
    // The show's sky through InitCubeMap, from the file the data generator writes.
    ASSERT_TRUE(writeRadiance((root / "images" / "uffizi_cross.hdr").string(), 768, 1024,
                              renderSkyCross(256)));
    CaptureStderr();
    InitCubeMap();
    GetCapturedStderr();
    ASSERT_NE(skyCubeMap.identifier, 0u);
    makeDisplay(640, 480);

    double sx, sy, sz;
    sunDirection(sx, sy, sz);
    const std::vector<unsigned char> sun = renderToward(sx, sy, sz);
    keep(sun, "sky-sun.png");
    const double pixelsPerDegree =
        height /
        (2 * std::atan(std::tan(22.5 * M_PI / 180) / (4.0 / 3.0) / (4.0 / 3.0)) * 180 / M_PI);
    int brightestSum = 0, clippedAway = 0, darkest = 765;
    for (int i = 0; i < width * height; ++i) {
        const unsigned char* p = &sun[i * 3];
        brightestSum = std::max(brightestSum, p[0] + p[1] + p[2]);
        darkest = std::min(darkest, p[0] + p[1] + p[2]);
        const double degrees =
            std::hypot(i % width - width / 2, i / width - height / 2) / pixelsPerDegree;
        if (degrees > 3.0 && std::max({p[0], p[1], p[2]}) >= 250)
            ++clippedAway;
    }
    // The brightest pixels gather round the middle of the view.
    double x = 0, y = 0, count = 0;
    for (int i = 0; i < width * height; ++i)
        if (sun[i * 3] + sun[i * 3 + 1] + sun[i * 3 + 2] == brightestSum)
            x += i % width, y += i / width, ++count;
    EXPECT_LE(std::hypot(x / count - width / 2, y / count - height / 2), 2.0);
    EXPECT_EQ(clippedAway, 0) << "sky clipped to white away from the sun";
    EXPECT_GT(darkest, 150) << "the sky around the sun is bright";

    // Toward the horizon where two side faces meet (azimuth 45 degrees): no seam, no black band;
    // neighbouring pixels along a row never jump.
    const std::vector<unsigned char> edge = renderToward(0.7, 0.12, 0.7);
    keep(edge, "sky-horizon-edge.png");
    int jump = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 1; column < width; ++column)
            for (int c = 0; c < 3; ++c)
                jump = std::max(jump, std::abs(edge[(row * width + column) * 3 + c] -
                                               edge[(row * width + column - 1) * 3 + c]));
    EXPECT_LE(jump, 3);
    EXPECT_GT(*std::min_element(edge.begin(), edge.end()), 20);

    // A wide view under the sun, horizon to high sky, to look at.
    keep(renderToward(sx, 0.25, sz, 100.0f), "sky-wide.png");
}
