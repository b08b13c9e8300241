// The toolkit bitmaps of the built-in pictures, decoded once and kept for the run.
//
// The game model names pictures by resource id; this cache turns an id into
// a wxBitmap. It also tells the card image set which pictures exist and
// their size.
#pragma once

#include <map>

#include <wx/bitmap.h>

#include "model/CardImageSet.h"

class CPictureCache : public IPictureSource {
public:
    // Decodes every card, back and stock picture from the built-in data.
    void LoadAll();

    // The bitmap of a picture id, or null when it has none (0 included).
    const wxBitmap* Get(PictureId id) const;

    bool PictureSize(PictureId id, int& width, int& height) const override;

private:
    std::map<PictureId, wxBitmap> m_bitmaps;
};

// The one cache of the program.
CPictureCache& Pictures();
