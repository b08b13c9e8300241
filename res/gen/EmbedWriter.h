// Collects the generated file images and writes them as one C++ source that
// defines the asset table of AssetTable.h.
//
// Bytes go out as string literals with three-digit octal escapes: the
// compiler reads those several times faster than brace lists of numbers,
// which keeps the build quick, and the fixed width avoids the ambiguity of
// an escape followed by a digit.
#pragma once

#include "AssetTable.h"

#include <string>
#include <vector>

class CEmbedWriter {
public:
    void Add(AssetKind kind, int id, std::vector<unsigned char> bytes);
    // Writes the source; false when the file cannot be written.
    bool Write(const std::string& path) const;

private:
    struct Item {
        AssetKind kind;
        int id;
        std::vector<unsigned char> bytes;
    };
    std::vector<Item> m_items;
};
