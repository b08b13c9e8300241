// The built-in pictures, decoded when first drawn and kept for the run.
//
// The game model names pictures by resource id; this cache turns an id into
// pixels to draw. It also tells the card image set which pictures exist and
// their size, which come from the PNG headers and cost nothing to read.
//
// Each picture is decoded into a cairo image surface in the screen's own
// pixel format: the table draws it with cairo as it is, without a toolkit
// bitmap beside it or a conversion at the first draw. Decoded pixels are
// kept only until the table that drew them is rendered (ReleasePixels): the
// table keeps its own rendered copy, and on a high-density screen the
// pictures of one deal would otherwise hold several times its memory for
// the rest of the run. Only the pictures a table shows are decoded.
//
// On a high-density screen (the toolkit's scale 2 or 3) a picture is drawn
// from its own version at that scale; sizes and positions stay in logical
// pixels whatever the scale. Such a version has four or nine times the
// pixels, and decoding the ones a deal shows takes longer than all the rest
// of its drawing, so the pictures a table is about to show can be handed to
// a worker thread (Prefetch). The worker takes them from the end of the
// list while drawing decodes from its start whatever the worker has not
// begun, so both halves of the work run at once; a picture the worker is
// decoding is waited for.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <wx/bitmap.h>
#include <wx/region.h>

#include "model/CardImageSet.h"
#include "res/Assets.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

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

    // Draws a picture with its top left corner at (x, y) on cr, whose user
    // units are logical pixels, from its version at scale (a scale the data
    // lacks gives the next smaller one it has), pixel for pixel: scale device
    // pixels per logical pixel. Nothing for an id without a picture (0 included).
    // The decoded picture stays until ReleasePixels.
    void Draw(cairo_t* cr, PictureId id, int x, int y, int scale) const;

    // Gives the memory of every decoded picture back to the system; the
    // next draw decodes it again. Pictures the worker has decoded but no
    // draw has taken yet stay with it.
    void ReleasePixels();

    // A toolkit bitmap of a picture at scale, with that scale factor, for
    // dialogs that transform it further; null when it has none. Made on the
    // first request and kept until ReleasePixels; the table never asks for one.
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

    // Queues these pictures for the worker thread, which it starts the first
    // time, at the scale that drawing on a device of the toolkit's scale
    // factor uses; pictures decoded or queued already, and those without data
    // at that scale, are left out. Drawing takes any picture the worker has
    // not begun. Call after LoadAll.
    void Prefetch(const std::vector<PictureId>& ids, double factor);

    struct SurfaceDestroy {
        void operator()(cairo_surface_t* surface) const;
    };
    using Surface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;
    // Decodes an opaque PNG into a cairo RGB24 image surface; empty for
    // anything else (transparency included). Touches no display, so it runs
    // on any thread. Its pixels are a NewImage.
    static Surface Decode(const AssetBlob& png);
    // An RGB24 image surface of width x height pixels on memory mapped for
    // it alone, which goes back to the system with the surface; empty when
    // cairo takes no surface of that size. For pictures drawn once and let
    // go, which the allocator would otherwise keep for reuse.
    static Surface NewImage(int width, int height);
    // The pixels of an RGB24 image surface as a toolkit image.
    static wxImage ImageOf(cairo_surface_t* surface);

private:
    struct Version {
        bool looked = false;   // the data was searched for this scale
        bool decoded = false;
        bool queued = false;   // handed to the worker once
        AssetBlob png;
        Surface surface;
        wxBitmap bitmap;       // only when Get asked for it
    };
    struct Entry {
        int width = 0;
        int height = 0;
        Version versions[kMaxScale];  // scale 1, 2, 3
    };
    using Key = std::pair<PictureId, int>;  // id and scale

    // The version at scale with its data looked up, or null without data.
    Version* Looked(PictureId id, Entry& entry, int scale) const;
    // The largest version up to scale that has pixels, decoded now if need
    // be, and its scale; null when none has.
    std::pair<Version*, int> Decoded(PictureId id, int scale) const;
    // The worker's pixels of a queued picture (its job taken back and
    // decoded here when the worker has not begun it), or a fresh decode.
    Surface TakeOrDecode(const Key& key, const AssetBlob& png) const;
    void Work();

    struct Job {
        Key key;
        AssetBlob png;
    };
    // All of the worker's state is guarded by m_mutex.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;      // a job was queued, or stop
    mutable std::condition_variable m_progress;  // a job was finished
    mutable std::deque<Job> m_queue;
    mutable std::map<Key, Surface> m_ready;
    Key m_busy{0, 0};  // the job the worker is decoding
    bool m_stop = false;
    std::thread m_worker;

    mutable std::map<PictureId, Entry> m_pictures;
    mutable bool m_bDecodedSince = false;  // a picture was decoded since ReleasePixels
    mutable std::map<std::tuple<int, int, int>, wxRegion> m_outlines;
};
