#include "Window.h"

#include "GLError.h"

#include <GL/glew.h>
#include <GL/glxew.h>
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <iostream>

InputState input;

namespace {

constexpr int glMajorVersion = 3;
constexpr int glMinorVersion = 2;
constexpr const char* windowTitle = "Realtime Rendering (WinApi version)";

struct WindowState {
    SDL_Window* windowHandle = nullptr;
    SDL_GLContext renderingContext = nullptr;
    bool fullScreen = false;
    Uint32 quitEvent = 0;
} state;

enum class BoxIcon { Exclamation, Stop };

// When no box can be shown (no display), the text goes to standard error.
void ShowMessage(const char* text, const char* caption, BoxIcon icon) {
    const Uint32 flags = icon == BoxIcon::Stop ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_WARNING;
    if (SDL_ShowSimpleMessageBox(flags, caption, text, state.windowHandle) != 0)
        std::cerr << caption << ": " << text << std::endl;
}

// Yes/No box; when it cannot be shown, the answer is Yes (the safe choice: a window, not a mode
// switch).
bool AskYesNo(const char* text, const char* caption) {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    const SDL_MessageBoxData box = {
        SDL_MESSAGEBOX_WARNING, nullptr, caption, text, 2, buttons, nullptr};
    int answer = 1;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        std::cerr << caption << ": " << text << std::endl;
        return true;
    }
    return answer == 1;
}

bool DisplayModeAvailable(int width, int height, int colorBits) {
    SDL_DisplayMode wanted = {0, width, height, 0, nullptr};
    SDL_DisplayMode closest;
    if (!SDL_GetClosestDisplayMode(0, &wanted, &closest))
        return false;
    const int bits = static_cast<int>(SDL_BITSPERPIXEL(closest.format));
    return closest.w == width && closest.h == height && (colorBits <= 0 || bits >= colorBits - 8);
}

void SetPixelFormatAttributes(int colorBits, int depthBits, int samples) {
    const int channelBits = colorBits >= 24 ? 8 : (colorBits >= 15 ? 5 : 0);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}

bool CreateContextExtensionSupported() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0)
        return glxewIsSupported("GLX_ARB_create_context");
    // Other drivers create contexts through EGL, where versioned creation is part of the
    // extension SDL requires anyway.
    return true;
}

// Close and ESC only end the frame loop: the context stays current until shutdown has deleted
// the GL objects.
void WndProcClose() {
    std::cout << "Window-close event" << std::endl;
    PostQuit(0);
}

void WndProcKeyDown(int virtualKey) {
    if (virtualKey == VK_ESC) {
        std::cout << "ESC pressed" << std::endl;
        PostQuit(0);
    }
}

void WndProcSize(int width, int height) {
    std::cout << "VideoResize event encountered: " << (width & 0xFFFF) << " x " << (height & 0xFFFF)
              << std::endl;
}

} // namespace

int VirtualKeyFromSdlKey(int sdlKey) {
    switch (sdlKey) {
    case SDLK_ESCAPE:
        return VK_ESC;
    case SDLK_LEFT:
        return VK_LEFT_ARROW;
    case SDLK_UP:
        return VK_UP_ARROW;
    case SDLK_RIGHT:
        return VK_RIGHT_ARROW;
    case SDLK_DOWN:
        return VK_DOWN_ARROW;
    case SDLK_RETURN:
        return 0x0D;
    case SDLK_SPACE:
        return 0x20;
    case SDLK_TAB:
        return 0x09;
    case SDLK_BACKSPACE:
        return 0x08;
    }
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12)
        return VK_F1 + (sdlKey - SDLK_F1);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9)
        return 0x30 + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z)
        return 0x41 + (sdlKey - SDLK_a);
    return -1;
}

int CreateGLWindow(const WindowSettings& settings) {
    std::cout << "create window with desired OpenGL version " << glMajorVersion << "."
              << glMinorVersion << std::endl;
    state.fullScreen = settings.fullScreen;

    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::cerr << "SDL: " << SDL_GetError() << std::endl;
        ShowMessage("Failed To Register The Window Class.", "ERROR", BoxIcon::Exclamation);
        return -1;
    }
    state.quitEvent = SDL_RegisterEvents(1);

    if (state.fullScreen &&
        !DisplayModeAvailable(settings.width, settings.height, settings.colorBits)) {
        if (AskYesNo("The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use "
                     "Windowed Mode Instead?",
                     "Zelvo GL")) {
            state.fullScreen = false;
        } else {
            ShowMessage("Program Will Now Close.", "ERROR", BoxIcon::Stop);
            return -1;
        }
    }

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    flags |= state.fullScreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
    // The 32-bit depth buffer of the request is not offered by every X server; 24 bits is the
    // next best. Multisampled visuals are not offered everywhere either: without one the window
    // draws with one sample per pixel.
    const int samples = std::max(settings.samples, 0);
    for (int wantedSamples : {samples, 0}) {
        for (int depthBits : {32, 24}) {
            SDL_GL_ResetAttributes();
            SetPixelFormatAttributes(settings.colorBits, depthBits, wantedSamples);
            state.windowHandle =
                SDL_CreateWindow(windowTitle, 0, 0, settings.width, settings.height, flags);
            if (state.windowHandle)
                break;
        }
        if (state.windowHandle || wantedSamples == 0)
            break;
        std::cerr << "No " << samples
                  << "-sample visual for the window: drawing without multisampling" << std::endl;
    }
    if (!state.windowHandle) {
        std::cerr << "SDL: " << SDL_GetError() << std::endl;
        ShowMessage("Window Creation Error.", "ERROR", BoxIcon::Exclamation);
        return -1;
    }
    if (state.fullScreen)
        SDL_ShowCursor(SDL_DISABLE);

    std::cout << "creating temp-context first" << std::endl;
    SDL_GLContext tempContext = SDL_GL_CreateContext(state.windowHandle);
    if (!tempContext) {
        std::cerr << "SDL: " << SDL_GetError() << std::endl;
        return -1;
    }

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        std::cerr << "GLEW init problem" << std::endl;
    else
        std::cout << "GLEW init worked fine" << std::endl;
    // Loading entry points on a context may leave an error behind; it is not the program's.
    while (glGetError() != GL_NO_ERROR) {
    }

    std::cout << std::endl
              << "info about current GL-context before getting GL 3.x explicitly" << std::endl;
    TestGLContext();

    if (CreateContextExtensionSupported()) {
        // Debug flag, no profile attribute, not shared.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, glMajorVersion);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, glMinorVersion);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_DEBUG_FLAG);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        SDL_GLContext context = SDL_GL_CreateContext(state.windowHandle);
        if (!context)
            std::cerr << "ERROR: could not create rendering context" << std::endl;
        SDL_GL_MakeCurrent(state.windowHandle, nullptr);
        SDL_GL_DeleteContext(tempContext);
        if (context)
            SDL_GL_MakeCurrent(state.windowHandle, context);
        state.renderingContext = context;
    } else {
        std::cout << "sticking to temp-context, no GL 3.x forward context" << std::endl;
        state.renderingContext = tempContext;
    }
    if (!state.renderingContext)
        return -1;

    SDL_ShowWindow(state.windowHandle);
    SDL_RaiseWindow(state.windowHandle);
    return 1;
}

void TestGLContext() {
    GLint major = 0, minor = 0, flags = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    std::cout << "Loaded OpenGL Version " << major << "." << minor << std::endl;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    if (flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT)
        std::cout << "Context -IS- forward compatible." << std::endl;
    else
        std::cout << "Context -IS NOT- forward compatible." << std::endl;
    std::cout << "Doing illegal operation (glTranslate) now..." << std::endl;
    CheckGLError("before glTranslatef()");
    glTranslatef(0.0f, 0.0f, 0.0f);
    if (CheckGLError("after glTranslatef()"))
        std::cerr << "GL DOES NOT know deprecated fixed function pipeline, like glTranslatef()"
                  << std::endl;
    else
        std::cerr << "GL knows deprecated fixed function pipeline, like glTranslatef()"
                  << std::endl;
}

bool KillGLWindow() {
    if (state.renderingContext) {
        std::cout << "delete window()" << std::endl;
        SDL_GL_MakeCurrent(state.windowHandle, nullptr);
        SDL_GL_DeleteContext(state.renderingContext);
        state.renderingContext = nullptr;
    }
    return true;
}

void DestroyGLWindow() {
    KillGLWindow();
    if (state.windowHandle)
        SDL_DestroyWindow(state.windowHandle);
    state.windowHandle = nullptr;
    SDL_Quit();
}

void PostQuit(int exitCode) {
    SDL_Event event{};
    event.type = state.quitEvent;
    event.user.code = exitCode;
    SDL_PushEvent(&event);
}

bool PumpMessages() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (state.quitEvent != 0 && event.type == state.quitEvent)
            return false;
        switch (event.type) {
        case SDL_QUIT: // a signal such as Ctrl+C: end like a normal quit
            PostQuit(0);
            break;
        case SDL_KEYDOWN: {
            const int vk = VirtualKeyFromSdlKey(event.key.keysym.sym);
            if (vk >= 0 && vk < 256)
                input.keys[vk] = true;
            WndProcKeyDown(vk);
            break;
        }
        case SDL_KEYUP: {
            const int vk = VirtualKeyFromSdlKey(event.key.keysym.sym);
            if (vk >= 0 && vk < 256)
                input.keys[vk] = false;
            if (vk == VK_LETTER_C)
                input.pathCameraToggle = !input.pathCameraToggle;
            if (vk >= VK_F1 && vk <= VK_F12)
                input.releasedFunctionKey = vk;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT)
                input.leftButtonDown = true;
            else if (event.button.button == SDL_BUTTON_RIGHT)
                input.rightButtonDown = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                WndProcClose();
            else if (event.window.event == SDL_WINDOWEVENT_RESIZED)
                WndProcSize(event.window.data1, event.window.data2);
            break;
        }
    }
    // SDL hands out events pushed during a drain only at the next one: take a quit that ESC or
    // the close button just posted now, so that no frame is drawn after it.
    if (state.quitEvent != 0 &&
        SDL_PeepEvents(&event, 1, SDL_GETEVENT, state.quitEvent, state.quitEvent) > 0)
        return false;
    return true;
}

void PollInput() {
    int x = 0, y = 0;
    const Uint32 buttons = SDL_GetGlobalMouseState(&x, &y);
    if (input.leftButtonDown && !(buttons & SDL_BUTTON(SDL_BUTTON_LEFT)))
        input.leftButtonDown = false;
    if (input.rightButtonDown && !(buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)))
        input.rightButtonDown = false;
    input.previousCursorX = input.cursorX;
    input.previousCursorY = input.cursorY;
    input.cursorX = x;
    input.cursorY = y;
}

void SetWindowTitle(const char* title) {
    if (state.windowHandle)
        SDL_SetWindowTitle(state.windowHandle, title);
}

void SwapWindowBuffers() {
    if (state.windowHandle && state.renderingContext)
        SDL_GL_SwapWindow(state.windowHandle);
}

void UnthrottleWindow(bool hide) {
    if (state.windowHandle && hide)
        SDL_HideWindow(state.windowHandle);
    SDL_GL_SetSwapInterval(0);
}

bool ContextIsCurrent() {
    return SDL_GL_GetCurrentContext() != nullptr;
}
