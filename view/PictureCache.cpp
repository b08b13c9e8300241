#include "PictureCache.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <utility>

#include <cairo.h>
#include <gdk/gdk.h>
#include <png.h>
#include <sys/mman.h>

#include <wx/image.h>

#include "model/Rect.h"
#include "res/resource.h"

namespace {

// The size a PNG declares in its header, read without decoding it; false
// when the data is no PNG.
bool PngHeaderSize(const AssetBlob& blob, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!blob || !png_image_begin_read_from_memory(&image, blob.data, blob.size))
        return false;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    png_image_free(&image);
    return true;
}

struct MappedPixels {
    void* data;
    std::size_t size;
};

void Unmap(void* pixels)
{
    auto* mapped = static_cast<MappedPixels*>(pixels);
    munmap(mapped->data, mapped->size);
    delete mapped;
}

const cairo_user_data_key_t kMappedPixels{};

}  // namespace

CPictureCache::Surface CPictureCache::NewImage(int width, int height)
{
    // No pixels, or a size cairo refuses (its stride is then -1), ask the
    // system for no memory or far too much, and it gives none.
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    const std::size_t size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        return nullptr;
    CPictureCache::Surface surface(
        cairo_image_surface_create_for_data(static_cast<unsigned char*>(data), CAIRO_FORMAT_RGB24, width, height, stride));
    auto* mapped = new MappedPixels{data, size};
    if (cairo_surface_set_user_data(surface.get(), &kMappedPixels, mapped, Unmap) != CAIRO_STATUS_SUCCESS) {
        Unmap(mapped);
        return nullptr;
    }
    return surface;
}

wxImage CPictureCache::ImageOf(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    wxImage image(w, h, false);
    unsigned char* rgb = image.GetData();
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            *rgb++ = static_cast<unsigned char>(row[x] >> 16);
            *rgb++ = static_cast<unsigned char>(row[x] >> 8);
            *rgb++ = static_cast<unsigned char>(row[x]);
        }
    }
    return image;
}

void CPictureCache::SurfaceDestroy::operator()(cairo_surface_t* surface) const
{
    cairo_surface_destroy(surface);
}

CPictureCache::Surface CPictureCache::Decode(const AssetBlob& png)
{
    // libpng's simplified reader writes the rows straight into the surface,
    // in the byte order of cairo's native-endian 32-bit pixels. Every
    // built-in picture is opaque: one with transparency has no place here.
    // libpng refuses an empty picture, cairo one too large for it.
    if (!png)
        return nullptr;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data, png.size))
        return nullptr;
    Surface surface;
    if ((image.format & PNG_FORMAT_FLAG_ALPHA) == 0)
        surface = NewImage(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!surface) {
        png_image_free(&image);
        return nullptr;
    }
    // The alpha byte, 255, lands in the byte that RGB24 ignores.
    image.format = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    const int stride = cairo_image_surface_get_stride(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    if (!png_image_finish_read(&image, nullptr, data, stride, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

CPictureCache::~CPictureCache()
{
    if (!m_worker.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void CPictureCache::Prefetch(const std::vector<PictureId>& ids, double factor)
{
    const int scale = PictureScale(factor);
    {
        std::lock_guard lock(m_mutex);
        for (PictureId id : ids) {
            auto it = m_pictures.find(id);
            if (it == m_pictures.end())
                continue;
            // Decoding twice what a table shows twice would be waste.
            Version* version = Looked(id, it->second, scale);
            if (version == nullptr || version->decoded || std::exchange(version->queued, true))
                continue;
            m_queue.push_back(Job{Key{id, scale}, version->png});
        }
    }
    if (!m_worker.joinable())
        m_worker = std::thread([this] { Work(); });
    m_wake.notify_all();
}

void CPictureCache::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        // From the end: drawing takes the front as it goes.
        const Job job = m_queue.back();
        m_queue.pop_back();
        m_busy = job.key;
        lock.unlock();
        Surface surface = Decode(job.png);
        lock.lock();
        m_ready[job.key] = std::move(surface);
        m_busy = Key{0, 0};
        m_progress.notify_all();
    }
}

CPictureCache::Surface CPictureCache::TakeOrDecode(const Key& key, const AssetBlob& png) const
{
    if (m_worker.joinable()) {
        std::unique_lock lock(m_mutex);
        auto queued = std::find_if(m_queue.begin(), m_queue.end(), [&](const Job& job) { return job.key == key; });
        if (queued != m_queue.end()) {
            m_queue.erase(queued);
        } else {
            m_progress.wait(lock, [&] { return m_busy != key; });
            auto ready = m_ready.find(key);
            if (ready != m_ready.end()) {
                Surface surface = std::move(ready->second);
                m_ready.erase(ready);
                return surface;
            }
        }
    }
    return Decode(png);
}

void CPictureCache::LoadAll()
{
    // Only the scale-1 data is touched here: the other scales cost nothing
    // until a high-density screen draws them.
    auto note = [this](PictureId id) {
        Entry entry;
        if (PngHeaderSize(FindBitmapPng(id), entry.width, entry.height))
            m_pictures[id] = std::move(entry);
    };
    for (const FaceRow& row : kFaceTable)
        note(row.picture);
    for (PictureId id : kBackTable)
        note(id);
    note(IDB_STOCK_OK);
    note(IDB_STOCK_NG);
}

CPictureCache::Version* CPictureCache::Looked(PictureId id, Entry& entry, int scale) const
{
    Version& version = entry.versions[scale - 1];
    if (!version.looked) {
        version.looked = true;
        // The generators draw every picture at exactly scale times its size.
        version.png = FindBitmapPng(id, scale);
    }
    return version.png ? &version : nullptr;
}

std::pair<CPictureCache::Version*, int> CPictureCache::Decoded(PictureId id, int scale) const
{
    auto it = m_pictures.find(id);
    if (it == m_pictures.end())
        return {};
    for (int s = std::clamp(scale, 1, kMaxScale); s >= 1; --s) {
        Version* version = Looked(id, it->second, s);
        if (version == nullptr)
            continue;
        if (!version->decoded) {
            version->decoded = true;
            m_bDecodedSince = true;
            version->surface = TakeOrDecode(Key{id, s}, version->png);
        }
        if (version->surface)
            return {version, s};
    }
    return {};
}

void CPictureCache::Draw(cairo_t* cr, PictureId id, int x, int y, int scale) const
{
    // A repaint of part of the table walks every card: those wholly outside
    // it are not worth decoding.
    int width = 0;
    int height = 0;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    cairo_clip_extents(cr, &left, &top, &right, &bottom);
    if (!PictureSize(id, width, height) || x >= right || y >= bottom || x + width <= left || y + height <= top)
        return;
    const auto [version, pictureScale] = Decoded(id, scale);
    if (version == nullptr)
        return;
    // As the toolkit draws its own bitmaps: the picture's pixels one to one
    // onto device pixels, never filtered.
    cairo_save(cr);
    cairo_translate(cr, x, y);
    if (pictureScale != 1)
        cairo_scale(cr, 1.0 / pictureScale, 1.0 / pictureScale);
    cairo_set_source_surface(cr, version->surface.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    // Cairo hands a picture to the X server through shared memory, whose
    // block it reuses only once it knows that the server is done with it.
    // Without that news every picture of a table would hold a copy of its
    // own there until the drawing ends: twice the pictures at the peak.
    if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_XLIB) {
        cairo_surface_flush(cairo_get_target(cr));
        gdk_display_sync(gdk_display_get_default());
    }
}

void CPictureCache::ReleasePixels()
{
    if (!std::exchange(m_bDecodedSince, false))
        return;
    // The PNG images read meanwhile go too.
    ReleaseBitmapPages();
    for (auto& [id, entry] : m_pictures) {
        for (Version& version : entry.versions) {
            if (!version.decoded)
                continue;
            version.surface.reset();
            version.bitmap = wxBitmap();
            version.decoded = false;
            version.queued = false;
        }
    }
}

const wxBitmap* CPictureCache::Get(PictureId id, int scale) const
{
    const auto [version, pictureScale] = Decoded(id, scale);
    if (version == nullptr)
        return nullptr;
    if (!version->bitmap.IsOk())
        version->bitmap = wxBitmap(ImageOf(version->surface.get()), 24, pictureScale);
    return version->bitmap.IsOk() ? &version->bitmap : nullptr;
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
    const wxPoint points[] = {{2 * s, 0},     {0, 2 * s},     {0, H - 5 * s}, {5 * s, H},
                              {W - 3 * s, H}, {W, H - 3 * s}, {W, 4 * s},     {W - 4 * s, 0}};
    return wxRegion(std::size(points), points, wxWINDING_RULE);
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
    return std::min(WholeScale(factor), kMaxScale);
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
