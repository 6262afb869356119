#pragma once

// The driver's own log of what it finds wrong or slow (KHR_debug, GL 4.3 or ARB_debug_output),
// asked for with BRASTEL_GL_DEBUG=1 in the environment. Each distinct message goes to standard
// error once, as "GL debug message: source S, type T, severity V, id N: text".

// With the context current: starts the log when the environment asks for it and the driver
// offers one, and says so on standard error with the renderer and version; false otherwise.
bool StartDriverMessages();
