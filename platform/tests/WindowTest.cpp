#include "Window.h"
#include "GLError.h"

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>

// ESC and the close button end the frame loop, but shutdown still has GL objects to delete: the
// context must stay current until it releases it, and the window then goes with the window
// system, so a second window can be made in the same process.
TEST(Window, EscAndCloseEndTheLoopWithTheContextStillCurrent) {
    for (const bool closeButton : {false, true}) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        ASSERT_EQ(CreateGLWindow({64, 64, 32, false}), 1);
        GLuint buffer = 0;
        glGenBuffers(1, &buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);

        SDL_Event event{};
        if (closeButton) {
            event.type = SDL_WINDOWEVENT;
            event.window.event = SDL_WINDOWEVENT_CLOSE;
            event.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
        } else {
            event.type = SDL_KEYDOWN;
            event.key.keysym.sym = SDLK_ESCAPE;
        }
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        EXPECT_FALSE(PumpMessages());
        EXPECT_NE(SDL_GL_GetCurrentContext(), nullptr);
        EXPECT_TRUE(glIsBuffer(buffer));
        glDeleteBuffers(1, &buffer);
        EXPECT_FALSE(CheckGLError("deleting after the quit"));

        DestroyGLWindow();
        const std::string out = testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
        EXPECT_NE(out.find(closeButton ? "Window-close event\ndelete window()\n"
                                       : "ESC pressed\ndelete window()\n"),
                  std::string::npos)
            << out;
    }
}

TEST(Window, EveryKeyTheProgramUsesHasItsOwnCode) {
    const struct {
        int sdlKey, virtualKey;
    } keys[] = {{SDLK_ESCAPE, VK_ESC},  {SDLK_LEFT, VK_LEFT_ARROW}, {SDLK_RIGHT, VK_RIGHT_ARROW},
                {SDLK_UP, VK_UP_ARROW}, {SDLK_DOWN, VK_DOWN_ARROW}, {SDLK_c, VK_LETTER_C},
                {SDLK_2, VK_DIGIT_2},   {SDLK_3, VK_DIGIT_3},       {SDLK_F1, VK_F1},
                {SDLK_F6, 0x75}}; // F1 to F6 choose the view
    for (const auto& key : keys)
        EXPECT_EQ(VirtualKeyFromSdlKey(key.sdlKey), key.virtualKey) << SDL_GetKeyName(key.sdlKey);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_PAUSE), -1);
}
