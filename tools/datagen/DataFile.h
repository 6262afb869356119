#pragma once

#include <string>
#include <string_view>

// Writes one generated file whole; says which file when it cannot, and returns false.
bool writeDataFile(const std::string& path, std::string_view bytes);

// The last part of a path: the file's own name.
std::string fileName(const std::string& path);
