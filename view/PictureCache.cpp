#include "PictureCache.h"

#include <wx/image.h>
#include <wx/mstream.h>

#include "res/Assets.h"
#include "res/resource.h"

namespace {

wxBitmap DecodePng(const AssetBlob& blob)
{
    if (!blob)
        return wxBitmap();
    wxMemoryInputStream stream(blob.data, blob.size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG))
        return wxBitmap();
    return wxBitmap(image);
}

}  // namespace

void CPictureCache::LoadAll()
{
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    auto load = [this](PictureId id) {
        wxBitmap bitmap = DecodePng(FindBitmapPng(id));
        if (bitmap.IsOk())
            m_bitmaps[id] = bitmap;
    };
    for (const FaceRow& row : kFaceTable)
        load(row.picture);
    for (PictureId id : kBackTable)
        load(id);
    load(IDB_STOCK_OK);
    load(IDB_STOCK_NG);
}

const wxBitmap* CPictureCache::Get(PictureId id) const
{
    auto it = m_bitmaps.find(id);
    return it == m_bitmaps.end() ? nullptr : &it->second;
}

bool CPictureCache::PictureSize(PictureId id, int& width, int& height) const
{
    const wxBitmap* bitmap = Get(id);
    if (bitmap == nullptr)
        return false;
    width = bitmap->GetWidth();
    height = bitmap->GetHeight();
    return true;
}

CPictureCache& Pictures()
{
    static CPictureCache cache;
    return cache;
}
