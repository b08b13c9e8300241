// The table of built-in assets that tolvane_assetgen writes into the build
// tree, shared by the generator and the lookup functions of Assets.cpp.
#pragma once

#include <cstddef>

enum class AssetKind : int { Bitmap = 0, Sound = 1, Midi = 2, Icon = 3, Help = 4 };

struct AssetEntry {
    AssetKind kind;
    int id;              // resource id, or the edge in pixels for icons
    int scale;           // device pixels per card pixel of a bitmap; 1 for the rest
    const char* bytes;   // the file image; char because it is a string literal
    std::size_t size;
};

// Ends with an entry without bytes. (A count beside the bytes would bring
// their pages into memory with it.)
extern const AssetEntry kAssetEntries[];
