#include "PictureCache.h"

#include <cstring>

#include <wx/image.h>
#include <wx/mstream.h>

#include "res/resource.h"

namespace {

// The size a PNG declares in its header (the IHDR chunk right after the
// signature), or false when the data does not start like a PNG.
bool PngHeaderSize(const AssetBlob& blob, int& width, int& height)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!blob || blob.size < 24 || std::memcmp(blob.data, kSignature, 8) != 0 ||
        std::memcmp(blob.data + 12, "IHDR", 4) != 0)
        return false;
    auto be32 = [&](std::size_t at) {
        const unsigned char* p = blob.data + at;
        return (static_cast<unsigned long>(p[0]) << 24) | (static_cast<unsigned long>(p[1]) << 16) |
               (static_cast<unsigned long>(p[2]) << 8) | p[3];
    };
    const unsigned long w = be32(16);
    const unsigned long h = be32(20);
    if (w == 0 || h == 0 || w > 0x7FFF || h > 0x7FFF)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

wxBitmap DecodePng(const AssetBlob& blob)
{
    if (!blob)
        return wxBitmap();
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(blob.data, blob.size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG))
        return wxBitmap();
    return wxBitmap(image);
}

}  // namespace

void CPictureCache::LoadAll()
{
    auto note = [this](PictureId id) {
        Entry entry;
        entry.png = FindBitmapPng(id);
        if (PngHeaderSize(entry.png, entry.width, entry.height))
            m_pictures[id] = entry;
    };
    for (const FaceRow& row : kFaceTable)
        note(row.picture);
    for (PictureId id : kBackTable)
        note(id);
    note(IDB_STOCK_OK);
    note(IDB_STOCK_NG);
}

const wxBitmap* CPictureCache::Get(PictureId id) const
{
    auto it = m_pictures.find(id);
    if (it == m_pictures.end())
        return nullptr;
    Entry& entry = it->second;
    if (!entry.decoded) {
        entry.decoded = true;
        entry.bitmap = DecodePng(entry.png);
    }
    return entry.bitmap.IsOk() ? &entry.bitmap : nullptr;
}

bool CPictureCache::PictureSize(PictureId id, int& width, int& height) const
{
    auto it = m_pictures.find(id);
    if (it == m_pictures.end())
        return false;
    width = it->second.width;
    height = it->second.height;
    return true;
}
