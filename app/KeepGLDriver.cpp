// Sanitizer build only. Closing the X display at exit unloads Mesa's GL driver, and the blocks
// its one-time set-up still holds then look leaked, from a module that no longer has a name: no
// suppression can name it, so LeakSanitizer would fail every run. Loaded here once and never
// unloaded, the driver keeps those blocks reachable from its data, and a run reports only the
// program's own leaks.
#include <dlfcn.h>

namespace {

[[maybe_unused]] const bool driverKept =
    dlopen(BRASTEL_GL_DRIVER, RTLD_LAZY | RTLD_NODELETE) != nullptr;

} // namespace
