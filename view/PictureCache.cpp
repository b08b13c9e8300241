#include "PictureCache.h"

#include <algorithm>
#include <cmath>
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

wxBitmap DecodePng(const AssetBlob& blob, int scale)
{
    if (!blob)
        return wxBitmap();
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(blob.data, blob.size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG))
        return wxBitmap();
    return wxBitmap(image, wxBITMAP_SCREEN_DEPTH, scale);
}

}  // namespace

void CPictureCache::LoadAll()
{
    // Only the scale-1 data is touched here: the other scales cost nothing
    // until a high-density screen draws them.
    auto note = [this](PictureId id) {
        Entry entry;
        Version& plain = entry.versions[0];
        plain.looked = true;
        plain.png = FindBitmapPng(id);
        if (PngHeaderSize(plain.png, entry.width, entry.height))
            m_pictures[id] = entry;
    };
    for (const FaceRow& row : kFaceTable)
        note(row.picture);
    for (PictureId id : kBackTable)
        note(id);
    note(IDB_STOCK_OK);
    note(IDB_STOCK_NG);
}

const wxBitmap* CPictureCache::Decoded(PictureId id, Entry& entry, int scale) const
{
    Version& version = entry.versions[scale - 1];
    if (!version.looked) {
        version.looked = true;
        int width = 0;
        int height = 0;
        // A picture of another size would move everything drawn after it.
        const AssetBlob png = FindBitmapPng(id, scale);
        if (PngHeaderSize(png, width, height) && width == entry.width * scale && height == entry.height * scale)
            version.png = png;
    }
    if (!version.png)
        return nullptr;
    if (!version.decoded) {
        version.decoded = true;
        version.bitmap = DecodePng(version.png, scale);
    }
    return version.bitmap.IsOk() ? &version.bitmap : nullptr;
}

const wxBitmap* CPictureCache::Get(PictureId id, int scale) const
{
    auto it = m_pictures.find(id);
    if (it == m_pictures.end())
        return nullptr;
    for (int s = std::clamp(scale, 1, kMaxScale); s >= 1; --s)
        if (const wxBitmap* bitmap = Decoded(id, it->second, s))
            return bitmap;
    return nullptr;
}

wxRegion CPictureCache::BuildCardOutline(int width, int height, int scale)
{
    // The white corners of the pictures are rounded; cutting them keeps the
    // table colour around a card. The toolkit rasterises the polygon at the
    // pixels it is given, so a high-density screen gets its cut in device
    // pixels rather than in enlarged logical ones.
    const int s = scale;
    const int W = width * s;
    const int H = height * s;
    const wxPoint points[8] = {{2 * s, 0},     {0, 2 * s},     {0, H - 5 * s}, {5 * s, H},
                               {W - 3 * s, H}, {W, H - 3 * s}, {W, 4 * s},     {W - 4 * s, 0}};
    return wxRegion(8, points, wxWINDING_RULE);
}

const wxRegion& CPictureCache::CardOutline(int width, int height, int scale) const
{
    // Rasterising a polygon costs more than drawing the card itself.
    const auto key = std::make_tuple(width, height, scale);
    auto it = m_outlines.find(key);
    if (it == m_outlines.end())
        it = m_outlines.emplace(key, BuildCardOutline(width, height, scale)).first;
    return it->second;
}

int CPictureCache::PictureScale(double factor)
{
    return std::clamp(static_cast<int>(std::lround(factor)), 1, kMaxScale);
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
