// What reaches the screen: every change of the table repainted where it
// happened, the falling card frame by frame, the text of the strips at its
// places, and the celebration window driven by a host of the test's own.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <functional>
#include <map>

#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/settings.h>
#include <wx/weakref.h>

#include "GuiTest.h"
#include "celebration/ClearAnimWnd.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/MainFrame.h"
#include "tests/unit/Fakes.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

namespace {

using fakes::Journal;

// The pixels of the window's client area as the display server has them.
wxImage OnScreen(wxWindow* window, wxRect area = wxRect())
{
    if (area.IsEmpty())
        area = wxRect(window->GetClientSize());
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window->GTKGetDrawingWindow(), area.x, area.y, area.width,
                                                   area.height);
    wxImage image(area.width, area.height);
    if (pixbuf == nullptr)
        return image;
    const int stride = gdk_pixbuf_get_rowstride(pixbuf), channels = gdk_pixbuf_get_n_channels(pixbuf);
    for (int y = 0; y < area.height; ++y)
        for (int x = 0; x < area.width; ++x) {
            const guchar* p = gdk_pixbuf_get_pixels(pixbuf) + y * stride + x * channels;
            image.SetRGB(x, y, p[0], p[1], p[2]);
        }
    g_object_unref(pixbuf);
    return image;
}

wxRect ToWx(const CRect& r) { return wxRect(r.left, r.top, r.Width(), r.Height()); }
CPoint Centre(const CRect& r) { return CPoint{r.left + r.Width() / 2, r.top + r.Height() / 2}; }

class ViewTest : public testing::Test {
protected:
    ViewTest()
    {
        m_pictures.LoadAll();
        m_images.LoadImages(m_pictures, m_settings);
        m_doc.SetView(m_view);
        m_view->SetFallFrameMillis(0);
        m_frame->Show();
        // Bottom row: a 4 and a 9 at 24 and 25; the stock holds aces.
        BYTE codes[52] = {13, 1, 12, 2, 11, 13, 3, 10, 4, 9, 5, 8, 6, 7, 13, 1, 12, 2, 11, 3, 10, 4, 9, 5, 8, 6, 7, 13};
        std::fill(codes + TRIANGLE_CARDS, codes + 52, BYTE{1});
        m_doc.Deal(codes);
        m_view->InvalidateRect(nullptr);
    }
    ~ViewTest() override
    {
        m_frame->Destroy();
        PumpUntil([&] { return !wxTheApp->IsScheduledForDestruction(m_frame); });
    }

    CRect Rect(int position) const { return PositionRect(position, m_images.CardWidth(), m_images.CardHeight()); }
    void PressAt(CPoint at)
    {
        wxMouseEvent press(wxEVT_LEFT_DOWN);
        press.SetPosition(wxPoint(at.x, at.y));
        m_view->ProcessWindowEvent(press);
    }
    wxImage Shown(wxRect area = wxRect())
    {
        const wxImage image = m_view->RenderedTable().ConvertToImage();
        return area.IsEmpty() ? image : image.GetSubImage(area);
    }
    bool ScreenShowsTable() { return Same(OnScreen(m_view), Shown()); }

    Journal m_journal;
    fakes::FakeHost m_host{m_journal};
    fakes::FakeSettings m_settings{m_journal};
    CPictureCache m_pictures;
    CCardImageSet m_images;
    CTolvane32Doc m_doc{m_host, m_settings, m_images};
    CMainFrame* m_frame = new CMainFrame(m_doc, m_pictures, m_host);
    CTolvane32View* m_view = m_frame->GetView();
};

TEST_F(ViewTest, EveryChangeReachesTheScreenWhereItHappened)
{
    ASSERT_TRUE(PumpUntil([&] { return ScreenShowsTable(); }));
    auto menu = [&](int command) {
        wxCommandEvent event(wxEVT_MENU, command);
        m_view->ProcessWindowEvent(event);
    };
    // atOnce: on screen before the press returns (a message box may follow).
    struct Row { const char* name; std::function<void()> act; bool atOnce; };
    const Row rows[] = {
        {"a card selected", [&] { PressAt(Centre(Rect(24))); }, true},
        {"and deselected", [&] { PressAt(Centre(Rect(24))); }, true},
        {"a stock turn", [&] { PressAt(Centre(Rect(POS_STOCK))); }, false},
        {"the waste selected", [&] { PressAt(Centre(Rect(POS_WASTE))); }, true},
        {"the stock pressed meanwhile", [&] { PressAt(Centre(Rect(POS_STOCK))); }, false},
        {"the waste deselected", [&] { PressAt(Centre(Rect(POS_WASTE))); }, true},
        {"a pair removed", [&] { PressAt(Centre(Rect(24))); PressAt(Centre(Rect(25))); }, false},
        {"the back changed", [&] { m_images.SetCurrentBack(3); menu(ID_GAME_CARDBACK); }, false},
        {"the stock turned to its end", [&] { while (m_doc.GetPileCount(POS_STOCK) > 0) PressAt(Centre(Rect(POS_STOCK))); }, false},
        {"the waste turned back", [&] { PressAt(Centre(Rect(POS_STOCK))); }, false},
        {"undone", [&] { menu(ID_GAME_UNDO); }, false},
        {"dealt", [&] { menu(ID_GAME_DEAL); }, false},
    };
    // Each frame of a fall is on screen before the next: the card's face,
    // a plain rectangle, where the frame says, while the view is busy.
    const std::map<int, BYTE> fallen{{Rect(24).left, 4}, {Rect(25).left, 9}};
    int frames = 0;
    m_view->SetFallFrameObserver([&](const CRect& frame) {
        ++frames;
        EXPECT_TRUE(m_view->IsFalling());
        const wxRect shown = ToWx(frame).Intersect(wxRect(m_view->GetClientSize()));
        const wxBitmap* face = m_pictures.Get(m_images.FaceImage(fallen.at(frame.left)));
        ASSERT_NE(face, nullptr);
        if (shown.IsEmpty())
            return;  // the last frame, wholly below the client
        EXPECT_TRUE(Same(Shown(shown), face->ConvertToImage().GetSubImage(wxRect(shown.GetSize()))));
        EXPECT_TRUE(Same(OnScreen(m_view, shown), Shown(shown))) << frame.top;
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        if (row.atOnce) {
            EXPECT_TRUE(ScreenShowsTable());
        }
        EXPECT_TRUE(PumpUntil([&] { return ScreenShowsTable(); }, 1000));
        EXPECT_FALSE(m_view->IsFalling());
    }
    EXPECT_GT(frames, 2 * 30);
}

}  // namespace
