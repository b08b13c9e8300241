// The toolkit bitmaps of the built-in pictures, kept for the run.
//
// The game model names pictures by resource id; this cache turns an id into
// a wxBitmap. It also tells the card image set which pictures exist and
// their size.
//
// A picture is decoded the first time it is drawn, not at start-up: the
// first table shows about half of the sixty pictures, and decoding them all
// was the largest piece of work before the window could appear. Which
// pictures exist and their size come from the PNG headers, which cost
// nothing to read.
//
// On a high-density screen (the toolkit's scale 2 or 3) a picture is drawn
// from its own version at that scale; sizes and positions stay in logical
// pixels whatever the scale. Such a version has four or nine times the
// pixels, and decoding the first table's share of them took longer than all
// the rest of its drawing, so start-up may hand the pictures a first table
// can show to a worker thread (Prefetch), which decodes them while the
// window is made; drawing a picture the worker has not reached yet waits for
// it.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include <wx/bitmap.h>
#include <wx/region.h>

#include "model/CardImageSet.h"
#include "res/Assets.h"

class CPictureCache : public IPictureSource {
public:
    // The largest scale the built-in pictures are drawn at.
    static constexpr int kMaxScale = 3;

    CPictureCache() = default;
    CPictureCache(const CPictureCache&) = delete;
    CPictureCache& operator=(const CPictureCache&) = delete;
    // Stops the worker after the picture it is decoding.
    ~CPictureCache() override;

    // Takes note of every card, back and stock picture of the built-in data.
    void LoadAll();

    // The bitmap of a picture id, or null when it has none (0 included). At
    // a scale above 1 it has that many device pixels per logical pixel and
    // that scale factor, so it draws at the picture's logical size; a scale
    // the data lacks gives the next smaller one it has.
    const wxBitmap* Get(PictureId id, int scale = 1) const;

    // The card outline of a width x height card at the origin, in device
    // pixels at scale: the polygon with corners cut by 2 (top left), 5
    // (bottom left), 3 (bottom right) and 4 (top right) logical pixels,
    // rasterised at that scale. Built once per size and scale.
    const wxRegion& CardOutline(int width, int height, int scale) const;
    static wxRegion BuildCardOutline(int width, int height, int scale);

    // The picture scale for a device whose content scale factor is factor:
    // the nearest whole number, 1 to kMaxScale.
    static int PictureScale(double factor);

    bool PictureSize(PictureId id, int& width, int& height) const override;

    // Starts decoding these pictures at scale on a worker thread, in this
    // order; later calls and pictures without data at that scale are
    // ignored. Call after LoadAll.
    void Prefetch(const std::vector<PictureId>& ids, int scale);

    // Decoded pixels in the form the toolkit's bitmaps keep them, so that
    // making the bitmap copies nothing.
    struct PixbufUnref {
        void operator()(GdkPixbuf* pixbuf) const;
    };
    using Pixels = std::unique_ptr<GdkPixbuf, PixbufUnref>;
    // Decodes an opaque PNG; empty for anything else (alpha included).
    static Pixels DecodeRgb(const AssetBlob& png);

private:
    struct Version {
        bool looked = false;   // the data was searched for this scale
        bool decoded = false;
        AssetBlob png;
        wxBitmap bitmap;
    };
    struct Entry {
        int width = 0;
        int height = 0;
        Version versions[kMaxScale];  // scale 1, 2, 3
    };
    const wxBitmap* Decoded(PictureId id, Entry& entry, int scale) const;
    // The data of a picture at scale, when it has exactly scale times the
    // picture's size; empty otherwise.
    static AssetBlob ScaledPng(PictureId id, const Entry& entry, int scale);
    // The worker's pixels of a picture it was given at that scale, waited
    // for; empty for any other.
    Pixels TakePrefetched(PictureId id, int scale) const;

    struct Job {
        PictureId id = 0;
        AssetBlob png;
        Pixels pixels;
    };
    // m_jobs is fixed before the worker starts; the worker fills the pixels
    // of job i and then raises m_done past i, both under m_mutex's guard.
    mutable std::vector<Job> m_jobs;
    int m_prefetchScale = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_progress;
    std::size_t m_done = 0;
    bool m_stop = false;
    std::thread m_worker;

    mutable std::map<PictureId, Entry> m_pictures;
    mutable std::map<std::tuple<int, int, int>, wxRegion> m_outlines;
};
