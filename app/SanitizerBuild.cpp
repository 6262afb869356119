// The sanitizer build's program, run by hand as well as under CTest, reports only its own leaks.
#include <dlfcn.h>

namespace {

// Closing the X display at exit unloads Mesa's GL driver, and the blocks its one-time set-up
// still holds then look leaked, from a module that no longer has a name: no suppression can name
// it. Loaded here once and never unloaded, the driver keeps those blocks reachable from its data.
[[maybe_unused]] const bool driverKept =
    dlopen(BRASTEL_GL_DRIVER, RTLD_LAZY | RTLD_NODELETE) != nullptr;

} // namespace

// The system libraries' leaks that are not ours (scripts/lsan.supp), without LSAN_OPTIONS.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" BRASTEL_LSAN_SUPPRESSIONS ":print_suppressions=0";
}
