#include "PictureCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <png.h>

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

wxBitmap ToBitmap(CPictureCache::Pixels pixels, int scale)
{
    // The bitmap takes over the pixels.
    wxBitmap bitmap(pixels.release(), 24);
    bitmap.SetScaleFactor(scale);
    return bitmap;
}

wxBitmap DecodePng(const AssetBlob& blob, int scale)
{
    if (!blob)
        return wxBitmap();
    if (CPictureCache::Pixels pixels = CPictureCache::DecodeRgb(blob))
        return ToBitmap(std::move(pixels), scale);
    // Pictures with transparency take the toolkit's slower general path.
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(blob.data, blob.size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG))
        return wxBitmap();
    return wxBitmap(image, wxBITMAP_SCREEN_DEPTH, scale);
}

}  // namespace

void CPictureCache::PixbufUnref::operator()(GdkPixbuf* pixbuf) const
{
    g_object_unref(pixbuf);
}

CPictureCache::Pixels CPictureCache::DecodeRgb(const AssetBlob& png)
{
    // libpng's simplified reader writes the rows straight into the pixbuf;
    // the toolkit's reader goes through a row buffer, a loop per pixel and a
    // copy. Neither touches the display, so this runs on any thread.
    if (!png)
        return nullptr;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data, png.size))
        return nullptr;
    Pixels pixels;
    if ((image.format & PNG_FORMAT_FLAG_ALPHA) == 0 && image.width > 0 && image.width <= 0x7FFF &&
        image.height > 0 && image.height <= 0x7FFF)
        pixels.reset(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, static_cast<int>(image.width),
                                    static_cast<int>(image.height)));
    if (!pixels) {
        png_image_free(&image);
        return nullptr;
    }
    image.format = PNG_FORMAT_RGB;
    if (!png_image_finish_read(&image, nullptr, gdk_pixbuf_get_pixels(pixels.get()),
                               gdk_pixbuf_get_rowstride(pixels.get()), nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    return pixels;
}

CPictureCache::~CPictureCache()
{
    if (!m_worker.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_worker.join();
}

void CPictureCache::Prefetch(const std::vector<PictureId>& ids, int scale)
{
    if (m_worker.joinable() || scale < 1 || scale > kMaxScale)
        return;
    for (PictureId id : ids) {
        auto it = m_pictures.find(id);
        if (it == m_pictures.end())
            continue;
        if (const AssetBlob png = ScaledPng(id, it->second, scale))
            m_jobs.push_back(Job{id, png, {}});
    }
    if (m_jobs.empty())
        return;
    m_prefetchScale = scale;
    m_worker = std::thread([this] {
        for (std::size_t i = 0; i < m_jobs.size(); ++i) {
            Pixels pixels = DecodeRgb(m_jobs[i].png);
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            m_jobs[i].pixels = std::move(pixels);
            m_done = i + 1;
            m_progress.notify_all();
        }
    });
}

CPictureCache::Pixels CPictureCache::TakePrefetched(PictureId id, int scale) const
{
    if (scale != m_prefetchScale)
        return nullptr;
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        if (m_jobs[i].id != id)
            continue;
        std::unique_lock lock(m_mutex);
        m_progress.wait(lock, [&] { return m_done > i; });
        return std::move(m_jobs[i].pixels);
    }
    return nullptr;
}

AssetBlob CPictureCache::ScaledPng(PictureId id, const Entry& entry, int scale)
{
    // A picture of another size would move everything drawn after it.
    int width = 0;
    int height = 0;
    const AssetBlob png = FindBitmapPng(id, scale);
    if (PngHeaderSize(png, width, height) && width == entry.width * scale && height == entry.height * scale)
        return png;
    return AssetBlob();
}

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
        version.png = ScaledPng(id, entry, scale);
    }
    if (!version.png)
        return nullptr;
    if (!version.decoded) {
        version.decoded = true;
        Pixels pixels = TakePrefetched(id, scale);
        version.bitmap = pixels ? ToBitmap(std::move(pixels), scale) : DecodePng(version.png, scale);
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
