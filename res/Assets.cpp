#include "res/Assets.h"

#include "res/gen/AssetTable.h"

namespace {

AssetBlob Find(AssetKind kind, int id)
{
    for (std::size_t i = 0; i < kAssetEntryCount; ++i) {
        const AssetEntry& e = kAssetEntries[i];
        if (e.kind == kind && e.id == id)
            return AssetBlob{reinterpret_cast<const unsigned char*>(e.bytes), e.size};
    }
    return {};
}

}  // namespace

AssetBlob FindBitmapPng(int resourceId) { return Find(AssetKind::Bitmap, resourceId); }
AssetBlob FindSound(int resourceId) { return Find(AssetKind::Sound, resourceId); }
AssetBlob FindMidi(int resourceId) { return Find(AssetKind::Midi, resourceId); }
AssetBlob FindIconPng(int pixels) { return Find(AssetKind::Icon, pixels); }
