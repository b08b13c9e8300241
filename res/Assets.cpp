#include "res/Assets.h"

#include "res/gen/AssetTable.h"

namespace {

AssetBlob Find(AssetKind kind, int id, int scale = 1)
{
    for (const AssetEntry* e = kAssetEntries; e->bytes != nullptr; ++e) {
        if (e->kind == kind && e->id == id && e->scale == scale)
            return AssetBlob{reinterpret_cast<const unsigned char*>(e->bytes), e->size};
    }
    return {};
}

}  // namespace

AssetBlob FindBitmapPng(int resourceId, int scale) { return Find(AssetKind::Bitmap, resourceId, scale); }
AssetBlob FindSound(int resourceId) { return Find(AssetKind::Sound, resourceId); }
AssetBlob FindMidi(int resourceId) { return Find(AssetKind::Midi, resourceId); }
AssetBlob FindIconPng(int pixels) { return Find(AssetKind::Icon, pixels); }
AssetBlob FindHelpFile(int resourceId) { return Find(AssetKind::Help, resourceId); }
