#include "ShaderProgram.h"
#include "GLTestContext.h"
#include "Shaders.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

const char* kVertex = "#version 150\nin vec4 Position;\nvoid main() { gl_Position = Position; }\n";

class ShaderFiles : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(context.ok()); }
    std::string write(const std::string& name, const std::string& text) {
        return folder.write(name, text);
    }
    std::string base(const std::string& name) { return folder.file(name); }

    GLTestContext context;
    ScratchFolder folder{"shaders"};
};

} // namespace

TEST_F(ShaderFiles, MissingStageFilesNameTheFileAndLeaveNoProgram) {
    CaptureStderr();
    ShaderProgram noVertex(base("absent"));
    EXPECT_EQ(GetCapturedStderr(),
              "Vertex shader file " + base("absent") + ".vert does not exist.\n");
    EXPECT_EQ(noVertex.program, 0u);

    write("half.vert", kVertex);
    CaptureStderr();
    ShaderProgram noFragment(base("half"));
    EXPECT_EQ(GetCapturedStderr(),
              "Fragment shader file " + base("half") + ".frag does not exist.\n");
    EXPECT_EQ(noFragment.program, 0u);
    EXPECT_EQ(noFragment.vertexShader, 0u);
}

TEST_F(ShaderFiles, CompileErrorPrintsBothLogsAndLeavesNoProgram) {
    write("broken.vert", kVertex);
    write("broken.frag", "#version 150\nout vec4 c;\nvoid main() { c = vec4(1.0) }\n");
    CaptureStdout();
    ShaderProgram broken(base("broken"));
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(broken.program, 0u);
    const auto compileFailed = out.find("Shader compilation failed.\n");
    const auto linkFailed = out.find("Shader linking failed.\n");
    ASSERT_NE(compileFailed, std::string::npos);
    ASSERT_NE(linkFailed, std::string::npos);
    EXPECT_LT(compileFailed, linkFailed);
    // Each failure line is followed by the driver's log.
    EXPECT_GT(linkFailed - compileFailed, std::string("Shader compilation failed.\n").size() + 1);
    EXPECT_GT(out.size(), linkFailed + std::string("Shader linking failed.\n").size() + 1);
}

TEST_F(ShaderFiles, ProjectShadersBuildAndAcceptTheNamesTheProgramSets) {
    WorkingDirectory cwd(fs::path(BRASTEL_SOURCE_DIR) / "app");
    CaptureStdout();
    CaptureStderr();
    const bool loaded = LoadShaders();
    ShaderProgram model("../shader/TestShader");
    const std::string out = GetCapturedStdout();
    const std::string err = GetCapturedStderr();
    ASSERT_TRUE(loaded) << out << err;
    ASSERT_NE(model.program, 0u) << out << err;
    EXPECT_EQ(out + err, "");

    // Vertex arrays set up with one program are drawn with another: Position must agree.
    for (ShaderProgram* p : {reduceProgram, synthesizeProgram, calcNormalsProgram, keyLightProgram,
                             noiseProgram, cubeMapProgram, cameraProgram, &model})
        EXPECT_EQ(glGetAttribLocation(p->program, "Position"), GLint(ATTRIB_POSITION));
    EXPECT_EQ(glGetAttribLocation(cubeMapProgram->program, "Texcoord"), GLint(ATTRIB_TEXCOORD));
    EXPECT_EQ(glGetAttribLocation(cameraProgram->program, "TexCoord"), GLint(ATTRIB_TEXCOORD));
    EXPECT_EQ(glGetAttribLocation(model.program, "Tangent"), GLint(ATTRIB_TANGENT));

    const std::pair<ShaderProgram*, std::vector<const char*>> uniforms[] = {
        {noiseProgram, {"permTexture", "time"}},
        {reduceProgram, {"hfPyramid", "scale", "size", "level"}},
        {synthesizeProgram, {"scale", "level", "tex_Source"}},
        {calcNormalsProgram, {"samLinearClamp", "size"}},
        // The key light declares its ten samplers, "phi" and "swathWidth" but reads only these (its
        // header says why).
        {keyLightProgram,
         {"heightField", "offset", "RedLightKey", "GreenLightKey", "BlueLightKey"}},
        // The sky declares "cubeMapSampler" but reads the display colours baked from it.
        {cubeMapProgram, {"projectionMatrix", "viewMatrix", "skyDisplay"}},
        {cameraProgram,
         {"projectionMatrix", "viewMatrix", "keyLightSampler", "envLightSampler", "heightData"}},
        {&model,
         {"ProjectionMatrix", "ModelViewMatrix", "DiffuseColorMap", "NormalMap",
          "LightSourcePosition", "LightFrontDiffuse", "MaterialFrontShininess", "SceneColor"}},
    };
    for (const auto& [program, names] : uniforms)
        for (const char* name : names)
            EXPECT_NE(glGetUniformLocation(program->program, name), -1) << name;
    ReleaseShaders();
}
