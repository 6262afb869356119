#pragma once

#include <string>

// The product model's OBJ text (material library "brastel.mtl").
std::string productModelObj();

// Writes brastel.obj, brastel.mtl and the material pictures (colour maps as TGA and PNG, normal
// maps) into the model folder, which must exist.
bool writeProductModel(const std::string& modelFolder);
