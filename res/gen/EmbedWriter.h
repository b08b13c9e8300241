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
    void Add(AssetKind kind, int id, int scale, std::vector<unsigned char> bytes);
    // Starts a new group: the assets added so far and those added next never
    // share the 64 KiB of the program file that the kernel maps in at once
    // when one page of it is read, so reading only the first group leaves
    // the second out of memory (whichever order the compiler lays them out).
    void StartGroup();
    // Writes the source; false when the file cannot be written.
    bool Write(const std::string& path) const;

private:
    struct Item {
        AssetKind kind;
        int id;
        int scale;
        std::vector<unsigned char> bytes;
        bool aligned = false;
    };
    std::vector<Item> m_items;
    bool m_startGroup = false;
};
