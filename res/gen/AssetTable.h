// The table of built-in assets that tolvane_assetgen writes into the build
// tree, shared by the generator and the lookup functions of Assets.cpp.
#pragma once

#include <cstddef>

enum class AssetKind : int { Bitmap = 0, Sound = 1, Midi = 2, Icon = 3 };

struct AssetEntry {
    AssetKind kind;
    int id;              // resource id, or the edge in pixels for icons
    const char* bytes;   // the file image; char because it is a string literal
    std::size_t size;
};

extern const AssetEntry kAssetEntries[];
extern const std::size_t kAssetEntryCount;
