#pragma once

// The commit the program was built from ("unknown" outside a git checkout); written at build
// time into the build folder.
extern const char* const programVersion;
