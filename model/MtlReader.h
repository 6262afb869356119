#pragma once

#include "ModelOBJ.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Reads one MTL material library: appends a record per newmtl statement, in file order, and maps
// each name to its record (a repeated name maps to the later one). Statements before the first
// newmtl have no material to apply to and are ignored.
void ReadMaterialLibrary(std::string_view text, std::vector<ModelMaterial>& materials,
                         std::map<std::string, int, std::less<>>& indexByName);
