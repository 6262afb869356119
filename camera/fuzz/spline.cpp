// Path files are read as text; whatever they hold, building and walking the path stays in bounds.
#include "Spline.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Spline path(ReadPathPoints(text), 0.0f, 0.0f, 0.0f);
    const float times[] = {0.0f, 0.37f, 1.0f, -2.5f, 1e9f, -1e30f};
    for (float t : times) {
        path.evaluate(t);
        path.getPoint(t, 1.0f);
        path.getPoint(123.0f, t);
    }
    std::ostringstream out;
    path.print(out);
    return 0;
}
