#pragma once

#include <GL/glew.h>
#include <SDL.h>

#include <cstddef>
#include <cstdio>
#include <vector>

// A hidden window with a current GL 3.2 context and GLEW loaded, for tests that need real GL
// (under a virtual X server with SDL_VIDEODRIVER=x11); an off-screen target to draw into.
class GLTestContext {
  public:
    GLTestContext() {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow("test", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window)
            context = SDL_GL_CreateContext(window);
        if (!context) {
            std::fprintf(stderr, "GL context: %s\n", SDL_GetError());
            return;
        }
        glewExperimental = GL_TRUE;
        if (glewInit() != GLEW_OK)
            return;
        while (glGetError() != GL_NO_ERROR) {
        } // glewInit may leave an invalid-enum behind on core contexts
        ready = true;
    }
    ~GLTestContext() {
        if (context)
            SDL_GL_DeleteContext(context);
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool ok() const { return ready; }

  private:
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool ready = false;
};

// A colour and depth framebuffer of its own, bound while the object lives.
class OffscreenTarget {
  public:
    OffscreenTarget(int w, int h) : width(w), height(h) {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  renderbuffers[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  renderbuffers[1]);
        complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        glViewport(0, 0, w, h);
        clear();
    }
    ~OffscreenTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, renderbuffers);
    }
    void clear() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // RGBA rows, bottom row first.
    std::vector<unsigned char> read() const {
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    const unsigned char* at(const std::vector<unsigned char>& pixels, int x, int y) const {
        return &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
    }
    // Mean of r + g + b over a rectangle (x0 <= x < x1, y0 <= y < y1, y from the bottom).
    double brightness(const std::vector<unsigned char>& pixels, int x0, int y0, int x1,
                      int y1) const {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = at(pixels, x, y);
                sum += p[0] + p[1] + p[2];
            }
        return sum / ((x1 - x0) * (y1 - y0));
    }

    int width, height;
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
    bool complete = false;
};
