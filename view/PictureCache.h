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
#pragma once

#include <map>

#include <wx/bitmap.h>

#include "model/CardImageSet.h"
#include "res/Assets.h"

class CPictureCache : public IPictureSource {
public:
    // Takes note of every card, back and stock picture of the built-in data.
    void LoadAll();

    // The bitmap of a picture id, or null when it has none (0 included).
    const wxBitmap* Get(PictureId id) const;

    bool PictureSize(PictureId id, int& width, int& height) const override;

private:
    struct Entry {
        AssetBlob png;
        int width = 0;
        int height = 0;
        bool decoded = false;
        wxBitmap bitmap;
    };
    mutable std::map<PictureId, Entry> m_pictures;
};
