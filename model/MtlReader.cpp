#include "MtlReader.h"

#include "ObjCursor.h"

#include <cstdint>

void ReadMaterialLibrary(std::string_view text, std::vector<ModelMaterial>& materials,
                         std::map<std::string, int, std::less<>>& indexByName) {
    ObjCursor cursor(text);
    std::string_view token;
    // Statements before the first newmtl go to a scratch record, so the reading stays aligned.
    ModelMaterial scratch;
    size_t current = SIZE_MAX;
    while (cursor.nextToken(token)) {
        ModelMaterial& material = current == SIZE_MAX ? scratch : materials[current];
        const char second = token.size() >= 2 ? token[1] : '\0';
        switch (token[0]) {
        case 'n': {
            std::string name(firstWord(cursor.restOfLine()));
            current = materials.size();
            materials.emplace_back();
            materials.back().name = name;
            indexByName[name] = int(current);
            break;
        }
        case 'K': {
            float* color = second == 'a'   ? material.ambient
                           : second == 'd' ? material.diffuse
                           : second == 's' ? material.specular
                                           : nullptr;
            if (!color) {
                cursor.skipLine();
                break;
            }
            cursor.scanFloats(color, 3);
            color[3] = 1.0f;
            break;
        }
        case 'N':
            cursor.scanFloat(material.shininess);
            material.shininess /= 1000.0f;
            break;
        case 'T':
            if (second == 'r') {
                cursor.scanFloat(material.opacity);
                material.opacity = 1.0f - material.opacity;
            } else {
                cursor.skipLine();
            }
            break;
        case 'd':
            cursor.scanFloat(material.opacity);
            break;
        case 'i': {
            int illumination = 0;
            cursor.scanInt(illumination);
            if (illumination == 1) {
                material.specular[0] = material.specular[1] = material.specular[2] = 0.0f;
                material.specular[3] = 1.0f;
            }
            break;
        }
        case 'm':
            if (token.find("map_Kd") != std::string_view::npos)
                material.colorMapFile = std::string(firstWord(cursor.restOfLine()));
            else if (token.find("map_bump") != std::string_view::npos)
                material.bumpMapFile = std::string(firstWord(cursor.restOfLine()));
            else
                cursor.skipLine();
            break;
        default:
            cursor.skipLine();
            break;
        }
    }
}
