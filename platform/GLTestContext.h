#pragma once

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>

// A hidden window with a current GL 3.2 context and GLEW loaded, for tests that need real GL
// (under a virtual X server with SDL_VIDEODRIVER=x11).
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
