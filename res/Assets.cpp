#include "res/Assets.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

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

void ReleaseBitmapPages()
{
    // Whole pages inside each image only: what lies beside an image in
    // memory may be written at load time, and would lose what was written.
    // The images themselves are never written.
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    for (const AssetEntry* e = kAssetEntries; e->bytes != nullptr; ++e) {
        if (e->kind != AssetKind::Bitmap)
            continue;
        const auto start = reinterpret_cast<std::uintptr_t>(e->bytes);
        const std::uintptr_t begin = (start + page - 1) / page * page;
        const std::uintptr_t end = (start + e->size) / page * page;
        if (end > begin)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
    }
}
