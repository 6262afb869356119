#include "ProductStage.h"

#include "Angles.h"
#include "DisplayFramebuffer.h"
#include "GLError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int shadowTexels = 256;

bool sameMatrix(const Matrix4& a, const Matrix4& b) {
    return std::memcmp(a.data(), b.data(), sizeof a.m) == 0;
}

// Where a point of the model's frame is in the world once the model has turned about the world's
// y axis (cos and sin of the turn), as the model is drawn.
std::array<float, 3> turnedPoint(float cosTurn, float sinTurn, float x, float y, float z) {
    return {cosTurn * x + sinTurn * z, y, -sinTurn * x + cosTurn * z};
}

GLint boundDrawFramebuffer() {
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    return bound;
}

// A normalised Gaussian of standard deviation sigma texels, cut at three sigma.
std::vector<float> gaussianKernel(float sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0f * sigma)));
    std::vector<float> kernel(2 * radius + 1);
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[i + radius] = std::exp(-0.5f * i * i / (sigma * sigma));
    for (float& k : kernel)
        k /= sum;
    return kernel;
}

// Separable blur of a size x size grid; outside the grid counts as open floor (0).
std::vector<float> blurred(const std::vector<float>& grid, int size, float sigma) {
    const std::vector<float> kernel = gaussianKernel(sigma);
    const int radius = static_cast<int>(kernel.size() / 2);
    std::vector<float> rows(grid.size(), 0.0f), result(grid.size(), 0.0f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float sum = 0.0f;
            for (int k = std::max(-radius, -x); k <= std::min(radius, size - 1 - x); ++k)
                sum += kernel[k + radius] * grid[y * size + x + k];
            rows[y * size + x] = sum;
        }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float sum = 0.0f;
            for (int k = std::max(-radius, -y); k <= std::min(radius, size - 1 - y); ++k)
                sum += kernel[k + radius] * rows[(y + k) * size + x];
            result[y * size + x] = sum;
        }
    return result;
}

} // namespace

std::vector<float> FootprintShadow(const ModelOBJ& model, int size, float halfSize) {
    std::vector<float> covered(static_cast<std::size_t>(size) * size, 0.0f);
    if (size <= 0 || !(halfSize > 0.0f))
        return covered;
    const float scale = size / (2.0f * halfSize); // texels per unit
    const std::size_t vertexCount = model.vertices.size();
    for (std::size_t i = 0; i + 2 < model.indices.size(); i += 3) {
        float px[3], pz[3];
        bool inside = true;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t index = model.indices[i + c];
            if (index >= vertexCount) {
                inside = false;
                break;
            }
            px[c] = (model.vertices[index].position[0] + halfSize) * scale;
            pz[c] = (model.vertices[index].position[2] + halfSize) * scale;
            inside = inside && std::isfinite(px[c]) && std::isfinite(pz[c]);
        }
        if (!inside)
            continue;
        const float area = (px[1] - px[0]) * (pz[2] - pz[0]) - (pz[1] - pz[0]) * (px[2] - px[0]);
        if (std::fabs(area) < 1e-6f)
            continue; // a wall seen edge-on: the faces above and below it cover the floor
        // Texel centres inside the triangle, by edge functions over its clipped bounding box.
        const auto clampTexel = [size](float v) {
            return static_cast<int>(std::clamp(v, 0.0f, static_cast<float>(size - 1)));
        };
        const int x0 = clampTexel(std::floor(std::min({px[0], px[1], px[2]})));
        const int x1 = clampTexel(std::ceil(std::max({px[0], px[1], px[2]})));
        const int z0 = clampTexel(std::floor(std::min({pz[0], pz[1], pz[2]})));
        const int z1 = clampTexel(std::ceil(std::max({pz[0], pz[1], pz[2]})));
        const float sign = area > 0.0f ? 1.0f : -1.0f;
        for (int z = z0; z <= z1; ++z)
            for (int x = x0; x <= x1; ++x) {
                const float cx = x + 0.5f, cz = z + 0.5f;
                bool in = true;
                for (int e = 0; e < 3 && in; ++e) {
                    const int a = e, b = (e + 1) % 3;
                    const float edge =
                        (px[b] - px[a]) * (cz - pz[a]) - (pz[b] - pz[a]) * (cx - px[a]);
                    in = edge * sign >= 0.0f;
                }
                if (in)
                    covered[static_cast<std::size_t>(z) * size + x] = 1.0f;
            }
    }
    // A soft box much larger than the model: dark and fairly crisp where the model meets the
    // floor, a wide, faint penumbra around it.
    const std::vector<float> contact = blurred(covered, size, 0.012f * scale);
    const std::vector<float> penumbra = blurred(covered, size, 0.16f * scale);
    std::vector<float> shadow(covered.size());
    for (std::size_t i = 0; i < shadow.size(); ++i)
        shadow[i] = std::min(1.0f, 0.7f * contact[i] + 1.5f * penumbra[i]);
    return shadow;
}

bool ProductStage::create(const ModelOBJ& model, const std::string& shaderFolder) {
    release();
    auto built = std::make_unique<ShaderProgram>(shaderFolder + "ProductStage");
    if (built->program == 0)
        return false;
    auto over = std::make_unique<ShaderProgram>(shaderFolder + "ModelOverStage");
    if (over->program != 0)
        compositeProgram = std::move(over);

    std::fill(modelLow, modelLow + 3, std::numeric_limits<float>::max());
    std::fill(modelHigh, modelHigh + 3, -std::numeric_limits<float>::max());
    float reach = 0.0f;
    for (const ModelVertex& v : model.vertices) {
        if (!std::isfinite(v.position[0]) || !std::isfinite(v.position[1]) ||
            !std::isfinite(v.position[2]))
            continue;
        for (int a = 0; a < 3; ++a) {
            modelLow[a] = std::min(modelLow[a], v.position[a]);
            modelHigh[a] = std::max(modelHigh[a], v.position[a]);
        }
        reach = std::max(reach, std::hypot(v.position[0], v.position[2]));
    }
    if (!(modelLow[0] <= modelHigh[0])) { // no vertex: an empty box at the origin
        std::fill(modelLow, modelLow + 3, 0.0f);
        std::fill(modelHigh, modelHigh + 3, 0.0f);
    }
    // Room for the penumbra around the model whichever way it has turned, so the shadow has
    // faded out at the texture's edge.
    shadowHalfSize = std::min(reach, 10.0f) + 0.55f;

    const std::vector<float> shadow = FootprintShadow(model, shadowTexels, shadowHalfSize);
    std::vector<unsigned char> texels(shadow.size());
    int first[2] = {shadowTexels, shadowTexels}, last[2] = {-1, -1}; // texels the shadow darkens
    for (std::size_t i = 0; i < shadow.size(); ++i) {
        texels[i] =
            static_cast<unsigned char>(std::lround(std::clamp(shadow[i], 0.0f, 1.0f) * 255));
        const int texel[2] = {static_cast<int>(i % shadowTexels),
                              static_cast<int>(i / shadowTexels)};
        for (int axis = 0; axis < 2 && texels[i]; ++axis) {
            first[axis] = std::min(first[axis], texel[axis]);
            last[axis] = std::max(last[axis], texel[axis]);
        }
    }
    // The patch of floor the shadow darkens: those texels and the half texel around them that a
    // filtered fetch blends them into, with room to spare, kept on the texture. Outside it the
    // floor is as the cached stage has it.
    const float texelSize = 2.0f * shadowHalfSize / shadowTexels;
    for (int axis = 0; axis < 2 && last[0] >= 0; ++axis) {
        shadowPatch[2 * axis] =
            std::max(-shadowHalfSize, (first[axis] - 1) * texelSize - shadowHalfSize);
        shadowPatch[2 * axis + 1] =
            std::min(shadowHalfSize, (last[axis] + 2) * texelSize - shadowHalfSize);
    }
    glGenTextures(1, &shadowTexture);
    glBindTexture(GL_TEXTURE_2D, shadowTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, shadowTexels, shadowTexels, 0, GL_RED, GL_UNSIGNED_BYTE,
                 texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);

    glGenVertexArrays(1, &vertexArray); // the full-screen triangle comes from gl_VertexID
    program = std::move(built);
    CheckGLError("ProductStage::create");
    return true;
}

void ProductStage::release() {
    if (vertexArray)
        glDeleteVertexArrays(1, &vertexArray);
    if (shadowTexture)
        glDeleteTextures(1, &shadowTexture);
    vertexArray = shadowTexture = 0;
    std::fill(shadowPatch, shadowPatch + 4, 0.0f);
    if (backgroundFbo || focusFbo) {
        glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
        glDeleteFramebuffers(1, &backgroundFbo);
        glDeleteFramebuffers(1, &focusFbo);
    }
    for (GLuint texture : {backgroundColor, focusColor, focusDepth})
        if (texture)
            glDeleteTextures(1, &texture);
    backgroundFbo = backgroundColor = focusFbo = focusColor = focusDepth = 0;
    backgroundViewport[2] = backgroundViewport[3] = 0;
    focusWidth = focusHeight = focusSamples = 0;
    focusSamplesMade = 1;
    program.reset();
    compositeProgram.reset();
}

void ProductStage::draw(const Matrix4& view, const Matrix4& projection,
                        float modelTurnDegrees) const {
    drawPass(view, projection, modelTurnDegrees, Coverage::WholePicture);
}

void ProductStage::drawPass(const Matrix4& view, const Matrix4& projection, float modelTurnDegrees,
                            Coverage coverage) const {
    if (!program)
        return;
    float eye[3];
    for (int a = 0; a < 3; ++a)
        eye[a] =
            -(view[a * 4 + 0] * view[12] + view[a * 4 + 1] * view[13] + view[a * 4 + 2] * view[14]);
    const float turn = DegreesToRadians(modelTurnDegrees);
    const float cosTurn = std::cos(turn), sinTurn = std::sin(turn);

    float clip[4][4] = {}, rays[4][3] = {};
    int corners = 3;
    if (coverage == Coverage::ShadowPatch) {
        // The patch's corners on the floor, turned with the model.
        const Matrix4 viewProjection = multiply(projection, view);
        corners = 4;
        for (int k = 0; k < corners; ++k) {
            const float x = shadowPatch[k & 1], z = shadowPatch[2 + (k >> 1)];
            const std::array<float, 3> p = turnedPoint(cosTurn, sinTurn, x, floorHeight(), z);
            transformPoint(viewProjection, p.data(), clip[k]);
            for (int a = 0; a < 3; ++a)
                rays[k][a] = p[a] - eye[a];
        }
    } else {
        // One triangle over the whole picture. The eye's ray through each corner, in the world:
        // the view matrix's rows are the camera's axes; the projection's diagonal gives the
        // half-extents of the picture at unit distance (its off-centre terms shift them).
        const float tanX = 1.0f / projection[0], tanY = 1.0f / projection[5];
        const float corner[3][2] = {{-1.0f, -1.0f}, {3.0f, -1.0f}, {-1.0f, 3.0f}};
        for (int k = 0; k < corners; ++k) {
            clip[k][0] = corner[k][0], clip[k][1] = corner[k][1], clip[k][3] = 1.0f;
            for (int a = 0; a < 3; ++a) {
                const float xAxis = view[a * 4 + 0], yAxis = view[a * 4 + 1];
                const float ahead =
                    -view[a * 4 + 2] + xAxis * projection[8] * tanX + yAxis * projection[9] * tanY;
                rays[k][a] = xAxis * tanX * corner[k][0] + yAxis * tanY * corner[k][1] + ahead;
            }
        }
    }

    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    const GLuint shader = program->program;
    glUseProgram(shader);
    glUniform4fv(glGetUniformLocation(shader, "CornerClip"), corners, clip[0]);
    glUniform3fv(glGetUniformLocation(shader, "CornerRay"), corners, rays[0]);
    glUniform3fv(glGetUniformLocation(shader, "Eye"), 1, eye);
    glUniform1f(glGetUniformLocation(shader, "FloorHeight"), floorHeight());
    glUniform2f(glGetUniformLocation(shader, "ModelTurn"), cosTurn, sinTurn);
    glUniform1f(glGetUniformLocation(shader, "ShadowHalfSize"), shadowHalfSize);
    glUniform1f(glGetUniformLocation(shader, "ShadowStrength"),
                coverage == Coverage::WithoutShadow ? 0.0f : 1.0f);
    glUniform1i(glGetUniformLocation(shader, "FootprintShadow"), 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, shadowTexture);
    glBindVertexArray(vertexArray);
    glDrawArrays(corners == 4 ? GL_TRIANGLE_STRIP : GL_TRIANGLES, 0, corners);
    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
    glDepthMask(GL_TRUE);
}

ProductStage::PixelBox ProductStage::screenBox(const Matrix4& viewProjection,
                                               const GLint viewport[4],
                                               float modelTurnDegrees) const {
    const float turn = DegreesToRadians(modelTurnDegrees);
    const float cosTurn = std::cos(turn), sinTurn = std::sin(turn);
    float x0 = std::numeric_limits<float>::max(), y0 = x0, x1 = -x0, y1 = -x0;
    for (int corner = 0; corner < 8; ++corner) {
        const std::array<float, 3> p = turnedPoint(
            cosTurn, sinTurn, corner & 1 ? modelHigh[0] : modelLow[0],
            corner & 2 ? modelHigh[1] : modelLow[1], corner & 4 ? modelHigh[2] : modelLow[2]);
        float clip[4];
        transformPoint(viewProjection, p.data(), clip);
        if (!(clip[3] > 1e-4f)) // behind the eye: the box may reach anywhere
            return {0, 0, viewport[2], viewport[3]};
        const float sx = (clip[0] / clip[3] * 0.5f + 0.5f) * viewport[2];
        const float sy = (clip[1] / clip[3] * 0.5f + 0.5f) * viewport[3];
        x0 = std::min(x0, sx), x1 = std::max(x1, sx), y0 = std::min(y0, sy), y1 = std::max(y1, sy);
    }
    // A pixel of margin for the samples of the edge pixels. The corner is on even pixels, so the
    // 2 x 2 blocks that screen-space derivatives are taken over are the window's own: what is
    // drawn in the box shades as it would in the window, wherever the box lies.
    const auto pixel = [](float v, int limit) { // NaN, from a degenerate matrix, counts as 0
        return v > 0.0f ? static_cast<int>(std::min(v, static_cast<float>(limit))) : 0;
    };
    PixelBox box;
    box.x = pixel(std::floor(x0) - 1.0f, viewport[2]) & ~1;
    box.y = pixel(std::floor(y0) - 1.0f, viewport[3]) & ~1;
    box.width = pixel(std::ceil(x1) + 1.0f, viewport[2]) - box.x;
    box.height = pixel(std::ceil(y1) + 1.0f, viewport[3]) - box.y;
    return box;
}

bool ProductStage::prepareBackground(const Matrix4& view, const Matrix4& projection,
                                     const GLint viewport[4], bool windowLayout) {
    const bool sameStorage = backgroundFbo && backgroundViewport[2] == viewport[2] &&
                             backgroundViewport[3] == viewport[3] &&
                             windowLayout == backgroundWindowLayout;
    if (sameStorage && sameMatrix(view, backgroundView) &&
        sameMatrix(projection, backgroundProjection))
        return true;
    if (!sameStorage) {
        if (!backgroundFbo) {
            glGenFramebuffers(1, &backgroundFbo);
            glGenTextures(1, &backgroundColor);
        }
        // For a window, unsized RGBA from BGRA data: drivers that keep a window in BGRA order
        // store the texture the same way.
        glBindTexture(GL_TEXTURE_2D, backgroundColor);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, windowLayout ? GL_RGBA : GL_RGBA8, viewport[2], viewport[3],
                     0, windowLayout ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, backgroundFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backgroundColor,
                               0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, backgroundFbo);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;
    glViewport(0, 0, viewport[2], viewport[3]);
    Matrix4 flip; // a window's rows are stored top row first
    flip[5] = windowLayout ? -1.0f : 1.0f;
    drawPass(view, multiply(flip, projection), 0.0f, Coverage::WithoutShadow);
    backgroundView = view;
    backgroundProjection = projection;
    backgroundWindowLayout = windowLayout;
    std::copy(viewport, viewport + 4, backgroundViewport);
    return true;
}

bool ProductStage::prepareFocus(int width, int height, int samples) {
    if (focusFbo && width <= focusWidth && height <= focusHeight && samples == focusSamples)
        return true;
    if (!focusFbo) {
        glGenFramebuffers(1, &focusFbo);
        glGenTextures(1, &focusColor);
        glGenTextures(1, &focusDepth);
    }
    // Grown in steps, so a model that turns or comes closer does not reallocate every frame.
    focusWidth = std::max(focusWidth, (width + 63) / 64 * 64);
    focusHeight = std::max(focusHeight, (height + 63) / 64 * 64);
    focusSamples = samples;
    // Both made alike, so the driver gives them the same number of samples, which the composite
    // must know.
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, focusColor);
    glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, GL_RGBA8, focusWidth, focusHeight,
                            GL_TRUE);
    GLint made = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D_MULTISAMPLE, 0, GL_TEXTURE_SAMPLES, &made);
    focusSamplesMade = std::max(made, 1);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, focusDepth);
    glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, GL_DEPTH_COMPONENT24, focusWidth,
                            focusHeight, GL_TRUE);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, focusFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D_MULTISAMPLE,
                           focusColor, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D_MULTISAMPLE,
                           focusDepth, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    focusWidth = focusHeight = 0; // made again next time
    return false;
}

void ProductStage::composite(const PixelBox& box, const float clipBox[4],
                             const GLint viewport[4]) const {
    const GLuint shader = compositeProgram->program;
    glUseProgram(shader);
    glUniform4fv(glGetUniformLocation(shader, "BoxClip"), 1, clipBox);
    glUniform1i(glGetUniformLocation(shader, "Focus"), 0);
    glUniform1i(glGetUniformLocation(shader, "FocusSamples"), focusSamplesMade);
    glUniform2i(glGetUniformLocation(shader, "FocusOrigin"), viewport[0] + box.x,
                viewport[1] + box.y);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, focusColor);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA); // premultiplied
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
    glUseProgram(0);
}

bool ProductStage::drawFocused(const Matrix4& view, const Matrix4& projection,
                               float modelTurnDegrees, int samples,
                               const std::function<void(const Matrix4&)>& drawModel) {
    GLint maxColorSamples = 0, maxDepthSamples = 0, targetSamples = 0, viewport[4] = {};
    glGetIntegerv(GL_MAX_COLOR_TEXTURE_SAMPLES, &maxColorSamples);
    glGetIntegerv(GL_MAX_DEPTH_TEXTURE_SAMPLES, &maxDepthSamples);
    glGetIntegerv(GL_SAMPLE_BUFFERS, &targetSamples);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Without anti-aliasing the model is drawn straight over the stage: the cached stage pays
    // either way.
    samples = samples > 1 ? std::min({samples, maxColorSamples, maxDepthSamples}) : 0;
    if (!program || (samples && !compositeProgram) || targetSamples > 0 || viewport[2] <= 0 ||
        viewport[3] <= 0)
        return false;
    const GLint target = boundDrawFramebuffer();
    const auto restore = [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, target);
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    };
    // A window is stored top row first, in BGRA order; an offscreen RGBA8 target bottom row
    // first, in RGBA order. A cache laid out as its target is copied in without converting or
    // turning rows around: a software rasteriser then copies memory (0.1-0.2 ms at 1024x768,
    // where a converting copy takes 2), and a GPU pays nothing either way.
    const bool windowLayout = target == 0;
    if (!prepareBackground(view, projection, viewport, windowLayout)) {
        restore();
        return false;
    }
    // Only the model's edges need anti-aliasing: its soft shadow, which reaches further out over
    // the floor, is drawn straight into the target, and only the model's own box is multisampled.
    const PixelBox box =
        samples ? screenBox(multiply(projection, view), viewport, modelTurnDegrees) : PixelBox{};
    if (box.width > 0 && box.height > 0 && !prepareFocus(box.width, box.height, samples)) {
        restore();
        return false;
    }

    glBindFramebuffer(GL_READ_FRAMEBUFFER, backgroundFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glBlitFramebuffer(0, windowLayout ? viewport[3] : 0, viewport[2],
                      windowLayout ? 0 : viewport[3], viewport[0], viewport[1],
                      viewport[0] + viewport[2], viewport[1] + viewport[3], GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    restore();
    if (shadowPatch[0] < shadowPatch[1])
        drawPass(view, projection, modelTurnDegrees, Coverage::ShadowPatch);
    if (!samples) {
        drawModel(projection);
    } else if (box.width > 0 && box.height > 0) {
        // The box's part of the picture (x0, y0, x1, y1 in clip space), stretched over the focus
        // target's viewport.
        const float clipBox[4] = {2.0f * box.x / viewport[2] - 1.0f,
                                  2.0f * box.y / viewport[3] - 1.0f,
                                  2.0f * (box.x + box.width) / viewport[2] - 1.0f,
                                  2.0f * (box.y + box.height) / viewport[3] - 1.0f};
        const float width = clipBox[2] - clipBox[0], height = clipBox[3] - clipBox[1];
        Matrix4 crop;
        crop[0] = 2.0f / width;
        crop[5] = 2.0f / height;
        crop[12] = -(clipBox[0] + clipBox[2]) / width;
        crop[13] = -(clipBox[1] + clipBox[3]) / height;
        const Matrix4 cropped = multiply(crop, projection);

        glBindFramebuffer(GL_FRAMEBUFFER, focusFbo);
        glViewport(0, 0, box.width, box.height);
        GLfloat clearColour[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
        drawModel(cropped);
        restore();
        composite(box, clipBox, viewport);
    }
    CheckGLError("ProductStage::drawFocused");
    return true;
}
