// Device resolution on high-density screens; worth a second run under GDK_SCALE=2.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/mstream.h>
#include <wx/statbmp.h>

#include "GuiTest.h"
#include "model/Tolvane32Doc.h"
#include "res/gen/CardPainter.h"
#include "res/resource.h"
#include "shell/AboutDlg.h"
#include "shell/CardBackDlg.h"
#include "shell/HelpProcess.h"
#include "shell/MainFrame.h"
#include "view/Tolvane32View.h"

namespace {
// Checks a picture of the view's table with s device pixels per logical pixel.
void CheckDeviceResolution(const wxImage& image, int s, CTolvane32View& view, const CPictureCache& pictures)
{
    ASSERT_EQ(image.GetSize(), view.GetClientSize() * s);
    auto table = [&](int x, int y) { return Pixel(image, x, y) == wxColour(0, 127, 0); };
    // The logical pixel (x, y) shows one colour.
    auto blocky = [&](int x, int y) { return image.GetSubImage(wxRect(s * x, s * y, s, s)).CountColours(1) == 1; };
    SCOPED_TRACE(testing::Message() << "scale " << s);
    CRect r;
    view.GetDocument().GetPositionRect(POS_STOCK, &r);
    const int L = s * r.left, T = s * r.top;
    // The stock's corner cut in device pixels; inside, its back for s one to one at s times its place.
    EXPECT_TRUE(table(L + 2 * s - 2, T) && !table(L + 2 * s, T) && (s == 1 || !blocky(r.left, r.top + 1)));
    const wxRect inside(0, 6 * s, s * r.Width(), s * (r.Height() - 12));  // clear of the cut corners
    const wxImage shown = image.GetSubImage(wxRect(inside.GetPosition() + wxPoint(L, T), inside.GetSize()));
    const wxBitmap* back = pictures.Get(view.GetDocument().Images().CurrentBackImage(), s);
    ASSERT_EQ(back->GetSize(), wxSize(r.Width(), r.Height()) * s);
    EXPECT_TRUE(Same(shown, back->ConvertToImage().GetSubImage(inside)));
    const int H = view.GetClientSize().y, h = view.StripHeight();
    bool crispText = false;  // some logical pixel of the strips' text shows two colours
    for (int i = 0; i < 200 * 2 * h && !crispText; ++i)
        crispText = !blocky(16 + i % 200, H - 2 * h + i / 200);
    EXPECT_TRUE(table(0, s * (H - 2 * h) - 1) && !table(0, s * (H - 2 * h)) && (s == 1 || crispText));
    EXPECT_EQ(Pixel(image, image.GetWidth() - 1, s * (H - 2 * h)), wxColour(0, 191, 0));  // the strips span the table
}

TEST(ScaleTest, TheTableIsDrawnAtTheResolutionOfItsTargetAndOfTheWindow)
{
    Loaded set;
    auto& [journal, settings, pictures, images] = set;
    fakes::FakeHost host(journal);
    CTolvane32Doc doc(host, settings, images);
    CHelpProcess help(TOLVANE_HELP_VIEWER);
    auto* frame = new CMainFrame(doc, pictures, host, help);
    CTolvane32View& view = *frame->GetView();
    frame->Show();
    PumpUntil([&] { return view.GetClientSize().y > 400; });
    doc.DealCards();
    for (int s : {2, 3}) {
        wxBitmap target;
        target.CreateWithDIPSize(view.GetClientSize(), s, 24);
        wxMemoryDC dc(target);
        view.OnDraw(dc);
        dc.SelectObject(wxNullBitmap);
        CheckDeviceResolution(target.ConvertToImage(), s, view, pictures);
    }
    const int s = static_cast<int>(view.GetContentScaleFactor() + 0.5);
    CheckDeviceResolution(view.RenderedTable().ConvertToImage(), s, view, pictures);
    frame->Destroy();
    PumpUntil([&] { return !wxTheApp->IsScheduledForDestruction(frame); });
}

// The painter's back at a device size as an image (the conversion is checked against the toolkit's reader below).
wxImage Painted(cairo_surface_t* surface)
{
    const wxImage image = CPictureCache::ImageOf(surface);
    cairo_surface_destroy(surface);
    return image;
}

// The card-back preview is as crisp as the table's back: drawn at the frame's device size, in the
// proportions of the frame, not enlarged from the table's picture.
TEST(ScaleTest, TheCardBackPreviewIsDrawnAtItsOwnDeviceSize)
{
    Loaded set;
    auto& [journal, settings, pictures, images] = set;
    CCardBackDlg dlg(nullptr, images);
    const int s = static_cast<int>(dlg.PreviewFrame()->GetContentScaleFactor() + 0.5);
    const wxSize device = dlg.PreviewFrame()->GetClientSize() * s;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(testing::Message() << "back " << i << " scale " << s);
        dlg.m_nCover = i;
        const wxBitmap shown = dlg.PreviewBitmap();
        EXPECT_EQ(shown.GetScaleFactor(), s);
        EXPECT_TRUE(Same(shown.ConvertToImage(), Painted(CCardPainter::BackAtSize(i, device.x, device.y))));
    }
}

// The About box shows the program's icon drawn for the screen's scale, not enlarged.
TEST(ScaleTest, TheAboutIconIsTheOneDrawnForTheScreensScale)
{
    CAboutDlg box(nullptr);
    const wxBitmap icon = box.Icon()->GetBitmap();
    const int s = static_cast<int>(box.GetContentScaleFactor() + 0.5);
    EXPECT_EQ(icon.GetWidth(), s * box.Icon()->GetSize().x);
    const AssetBlob png = FindIconPng(icon.GetWidth());
    ASSERT_TRUE(png);
    wxMemoryInputStream stream(png.data, png.size);
    EXPECT_TRUE(Same(icon.ConvertToImage(), wxImage(stream, wxBITMAP_TYPE_PNG)));
}

// The fast decoder and the start-up worker give exactly what the toolkit's own PNG reader gives.
TEST(ScaleTest, DecodedAndPrefetchedPicturesMatchTheToolkitsReader)
{
    std::vector<PictureId> ids{IDB_STOCK_OK, IDB_STOCK_NG};
    for (const FaceRow& row : kFaceTable)
        ids.push_back(row.picture);
    for (PictureId id : kBackTable)
        ids.push_back(id);
    CPictureCache lazy, early;
    lazy.LoadAll();
    early.LoadAll();
    early.Prefetch(ids, 2);
    {
        CPictureCache abandoned;  // ends while its worker is busy
        abandoned.LoadAll();
        abandoned.Prefetch(ids, 3);
    }
    // In drawing order: the worker starts from the end, so some pictures are
    // taken back from its queue and others are waited for.
    for (auto id = ids.begin(); id != ids.end(); ++id) {
        for (int s = 1; s <= CPictureCache::kMaxScale; ++s) {
            SCOPED_TRACE(testing::Message() << "picture " << *id << " scale " << s);
            const AssetBlob png = FindBitmapPng(*id, s);
            wxMemoryInputStream stream(png.data, png.size);
            wxImage reference;
            ASSERT_TRUE(reference.LoadFile(stream, wxBITMAP_TYPE_PNG));
            int w = 0, h = 0;  // drawn at exactly s times its size
            EXPECT_TRUE(lazy.PictureSize(*id, w, h) && reference.GetSize() == wxSize(w, h) * s);
            for (const CPictureCache* cache : {&lazy, &early}) {
                const wxBitmap* bitmap = cache->Get(*id, s);
                ASSERT_NE(bitmap, nullptr);
                EXPECT_EQ(bitmap->GetScaleFactor(), s);
                EXPECT_TRUE(Same(bitmap->ConvertToImage(), reference));
            }
        }
    }
}

}  // namespace
