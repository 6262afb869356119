// The one compiled copy of stb_image's decoders. Only compile-time options belong here: its
// run-time settings (flip on load, HDR gamma) are process-wide, and images are read from more
// than one thread, so the system never changes them.
//
// The packaged version's PNM, PSD and PIC readers misbehave on hostile files (integer overflow
// in the PNM header, for one) and no picture of the program uses those formats, so they are
// left out. JPEG Huffman tables are checked before decoding (jpegHuffmanTablesFit).
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
