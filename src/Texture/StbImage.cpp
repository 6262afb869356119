// The one compiled copy of stb_image's decoders. Only compile-time options belong here: its
// run-time settings (flip on load, HDR gamma) are process-wide, and images are read from more
// than one thread, so the system never changes them.
//
// The packaged version's PNM, PSD and PIC readers misbehave on hostile files (integer overflow
// in the PNM header, for one) and no picture of the program uses those formats, so they are
// left out. JPEG Huffman tables are checked before decoding (jpegHuffmanTablesFit).
//
// Its JPEG reader uses quantisation tables a file names but never defines, from a block it
// does not clear: every block comes cleared, so such a file decodes from zeros instead of from
// what the heap held. Its DC sums can overflow an int on hostile files; this file is built with
// wrapping signed arithmetic (CMakeLists.txt), so that gives wrong pixels, not undefined
// behaviour.
#include <cstdlib>

#define STBI_MALLOC(size) calloc(1, size)
#define STBI_REALLOC(pointer, size) realloc(pointer, size)
#define STBI_FREE(pointer) free(pointer)
#define STBI_NO_PNM
#define STBI_NO_PSD
#define STBI_NO_PIC
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#endif
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
