#include "WedgeTables.h"

#include "WedgeProjection.h"

#include <iostream>
#include <memory>
#include <new>

GLuint wedge1DTextures[4] = {};
GLuint wedge2DTextures[4] = {};
GLuint envWedge2DTextures[4] = {};

namespace {

enum class Table { OneD, TwoD, Environment };

void setNearestClamp(GLenum target) {
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    if (target == GL_TEXTURE_2D)
        glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

bool calcWedgeTable(const char* title, Table table, GLuint textures[4]) {
    std::cout << title << std::endl;

    const int entries = table == Table::OneD ? WEDGE_GRID : WEDGE_GRID * WEDGE_GRID;
    std::unique_ptr<ShSample[]> samples(new (std::nothrow) ShSample[SAMPLE_COUNT]());
    std::unique_ptr<double[]> basis(new (std::nothrow) double[SAMPLE_COUNT * SH_COEFFICIENTS]());
    std::unique_ptr<double[]> coefficients(new (std::nothrow) double[entries * SH_COEFFICIENTS]());
    std::unique_ptr<float[]> staging(new (std::nothrow) float[entries * 16]());
    if (!samples || !basis || !coefficients || !staging) {
        std::cerr << "Unable to allocate space for samples" << std::endl;
        return false;
    }
    for (int i = 0; i < SAMPLE_COUNT; ++i)
        samples[i].basis = basis.get() + i * SH_COEFFICIENTS;
    generateSampleSet(samples.get());

    if (table == Table::OneD)
        computeWedgeTable1D(samples.get(), coefficients.get());
    else
        computeWedgeTable2D(samples.get(), table == Table::TwoD ? WEDGE_EXTENT : ENV_WEDGE_EXTENT,
                            coefficients.get());

    float* texels[4];
    for (int g = 0; g < 4; ++g)
        texels[g] = staging.get() + g * entries * 4;
    packWedgeTexels(coefficients.get(), entries, texels);

    for (int g = 0; g < 4; ++g) {
        if (textures[g]) // a second start-up in the same context replaces the old table
            glDeleteTextures(1, &textures[g]);
        textures[g] = table == Table::OneD ? createWedgeTexture1D(texels[g])
                                           : createWedgeTexture2D(texels[g]);
    }

    std::cout << "Done!" << std::endl << std::endl;
    return true;
}

} // namespace

GLuint createWedgeTexture1D(const float* texels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_1D, texture);
    setNearestClamp(GL_TEXTURE_1D);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA32F, WEDGE_GRID, 0, GL_RGBA, GL_FLOAT, nullptr);
    glTexSubImage1D(GL_TEXTURE_1D, 0, 0, WEDGE_GRID, GL_RGBA, GL_FLOAT, texels);
    glBindTexture(GL_TEXTURE_1D, 0);
    return texture;
}

GLuint createWedgeTexture2D(const float* texels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    setNearestClamp(GL_TEXTURE_2D);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, WEDGE_GRID, WEDGE_GRID, 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, WEDGE_GRID, WEDGE_GRID, GL_RGBA, GL_FLOAT, texels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

bool CalcWedge1D() {
    return calcWedgeTable("Calculating 1D Wedge Information ...", Table::OneD, wedge1DTextures);
}

bool CalcWedge2D() {
    return calcWedgeTable("Calculating 2D Wedge Information ...", Table::TwoD, wedge2DTextures);
}

bool CalcEnvWedge2D() {
    return calcWedgeTable("Calculating Environment 2D Wedge Information ...", Table::Environment,
                          envWedge2DTextures);
}
