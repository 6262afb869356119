// Preloaded into the program by an end-to-end test (LD_PRELOAD): the driver answers that every
// framebuffer object is incomplete (a missing attachment), as a driver without one of the
// lighting targets' formats would. No driver here lacks them, so the program's handling of that
// answer cannot be reached otherwise.

#include <GL/glew.h>
#include <GL/glx.h>

#include <dlfcn.h>

#include <cstring>

namespace {

using ProcAddress = void (*)();
using GetProcAddress = ProcAddress (*)(const GLubyte*);

GLenum GLAPIENTRY incompleteStatus(GLenum) {
    return GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT;
}

} // namespace

extern "C" ProcAddress glXGetProcAddressARB(const GLubyte* name) {
    static const auto real =
        reinterpret_cast<GetProcAddress>(dlsym(RTLD_NEXT, "glXGetProcAddressARB"));
    const char* n = reinterpret_cast<const char*>(name);
    if (std::strcmp(n, "glCheckFramebufferStatus") == 0 ||
        std::strcmp(n, "glCheckFramebufferStatusEXT") == 0)
        return reinterpret_cast<ProcAddress>(&incompleteStatus);
    return real ? real(name) : nullptr;
}
