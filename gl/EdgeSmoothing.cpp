#include "EdgeSmoothing.h"

#include "DisplayFramebuffer.h"
#include "GLError.h"
#include "RunTree.h"

#include <algorithm>
#include <string>

bool EdgeSmoothing::begin(int w, int h) {
    active = false;
    if (w <= 0 || h <= 0)
        return false;
    GLint samples = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
    if (samples > 0)
        return false;
    if (!programTried) {
        programTried = true;
        program =
            std::make_unique<ShaderProgram>(runtree::shaderFolder + std::string("EdgeSmoothing"));
        glGenVertexArrays(1, &vertexArray); // the triangle comes from gl_VertexID
    }
    if (!program || program->program == 0)
        return false;

    if (!framebuffer || w != width || h != height) {
        if (!framebuffer) {
            glGenFramebuffers(1, &framebuffer);
            glGenTextures(1, &colour);
            glGenRenderbuffers(1, &depth);
        }
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST); // read texel by texel
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        width = w;
        height = h;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
        return false;
    }
    display = displayFramebuffer;
    displayFramebuffer = framebuffer;
    active = true;
    return true;
}

void EdgeSmoothing::end(int edgeRows) {
    if (!active)
        return;
    active = false;
    displayFramebuffer = display;
    const int smoothRows = std::clamp(edgeRows, 0, height);
    if (smoothRows < height) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, displayFramebuffer);
        glBlitFramebuffer(0, smoothRows, width, height, 0, smoothRows, width, height,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, displayFramebuffer);
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    if (smoothRows > 0) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, width, smoothRows);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, colour);
        glUseProgram(program->program);
        glUniform1i(glGetUniformLocation(program->program, "picture"), 0);
        glBindVertexArray(vertexArray);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(0);
        glUseProgram(0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_SCISSOR_TEST);
    }
    CheckGLError("EdgeSmoothing::end");
}

void EdgeSmoothing::release() {
    if (active) {
        displayFramebuffer = display;
        active = false;
    }
    program.reset();
    programTried = false;
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &colour);
    glDeleteRenderbuffers(1, &depth);
    vertexArray = framebuffer = colour = depth = 0;
    width = height = 0;
}
