// Every program of the shader folder, as the driver gets it (prelude included), through the
// reference GLSL front end (glslangValidator, Debian package glslang-tools), which holds to the
// language's rules where a lenient driver lets things pass.

#include "ShaderProgram.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The validator's output and exit status for the linked stages.
int validate(const std::string& vertex, const std::string& fragment, std::string& output) {
    const std::string command = "glslangValidator -l '" + vertex + "' '" + fragment + "' 2>&1";
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    return pclose(pipe);
}

} // namespace

TEST(StrictGlsl, EveryProgramWithItsPreludeCompilesAndLinksUnderTheReferenceFrontEnd) {
    std::string output;
    ASSERT_EQ(std::system("glslangValidator --version > /dev/null 2>&1"), 0)
        << "glslangValidator is missing (Debian package glslang-tools)";
    const fs::path folder = fs::path(BRASTEL_SOURCE_DIR) / "shader";
    ScratchFolder scratch("strict-glsl");
    int programs = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".vert")
            continue;
        const fs::path base = entry.path().parent_path() / entry.path().stem();
        ASSERT_TRUE(fs::exists(base.string() + ".frag")) << base;
        const std::string common = CommonSourceBeside(base.string());
        const std::string name = base.filename().string();
        // The model's program also draws as a variant, for grey colour maps.
        std::vector<std::string> variants = {""};
        if (name == "TestShader")
            variants.push_back("#define GREY_COLOUR_IN_NORMAL_ALPHA\n");
        for (const std::string& defines : variants) {
            const std::string vertex = scratch.write(
                name + ".vert", WithPrelude(readFile(base.string() + ".vert"), common, defines));
            const std::string fragment = scratch.write(
                name + ".frag", WithPrelude(readFile(base.string() + ".frag"), common, defines));
            EXPECT_EQ(validate(vertex, fragment, output), 0) << name << " " << defines << ":\n"
                                                            << output;
        }
        ++programs;
    }
    EXPECT_GE(programs, 12) << "the eleven programs of the table and the model's";
}
