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
        const wxBitmap& table = m_view->RenderedTable();
        return (area.IsEmpty() ? table : table.GetSubBitmap(area)).ConvertToImage();
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

TEST_F(ViewTest, EachLineOfTheStripsStandsAtItsPlace)
{
    const wxImage image = Shown();
    const int W = image.GetWidth(), H = image.GetHeight(), h = m_view->StripHeight();
    // x, y: where the text starts; until: where the next text covers it.
    struct Row { std::string text; int x, y, until; wxColour colour; };
    const Row rows[] = {
        {LoadResString(IDS_FAST_NONE), 16, H - 2 * h + 2, W, *wxBLACK},
        {FormatResString(IDS_BONUS_LINE, m_doc.GetBonus()), 16, H - h + 2, W - 96, *wxBLACK},
        {LoadResString(IDS_SCORE_LABEL), W - 96, H - h + 2, W - 56, *wxBLACK},
        {std::to_string(m_doc.GetScore()), W - 56, H - h + 2, W, wxColour(255, 0, 0)},  // a deal's price: red
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        // The text alone, in its white box.
        wxBitmap alone(W, h, 24);
        wxSize box;
        {
            wxMemoryDC dc(alone);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
            dc.SetTextForeground(row.colour);
            dc.DrawText(wxString::FromUTF8(row.text), 0, 0);
            box = dc.GetTextExtent(wxString::FromUTF8(row.text));
        }
        box.x = std::min(box.x, row.until - row.x);
        EXPECT_TRUE(Same(image.GetSubImage(wxRect(wxPoint(row.x, row.y), box)),
                         alone.ConvertToImage().GetSubImage(wxRect(box))));
    }
}

// The celebration window's host: a bonus and an answer of the test's own.
class CelebrationHost : public ICelebrationHost {
public:
    int Bonus() const override { return bonus; }
    int ClearSeconds() const override { return 42; }
    const CCardImageSet& Images() const override { return images; }
    void DrawCard(wxDC& dc, PictureId picture, const CRect& rect) override
    {
        CTolvane32View::DrawCardBitmap(dc, pictures, picture, rect);
    }
    int MessageBox(wxWindow* owner, const std::string& text, unsigned style) override
    {
        journal.push_back(text + " " + std::to_string(style));
        if (whileAsked && journal.size() < 3)
            whileAsked(static_cast<CClearAnimWnd*>(owner));
        return answer;
    }
    void StopMusic() override { journal.push_back("StopMusic"); }
    void OnCelebrationClosed(wxWindow*, bool dealAgain) override { journal.push_back(dealAgain ? "Deal" : "Closed"); }
    IRandom& Random() override { return random; }
    CAnimRunState& RunState() override { return state; }

    Journal journal;
    int bonus = 0, answer = IDOK;
    std::function<void(CClearAnimWnd*)> whileAsked;
    CPictureCache pictures;
    CCardImageSet images;
    CRuntimeRandom random;
    CAnimRunState state;
};

TEST(CelebrationWindow, APressStopsTheTuneAsksOnceAndClosesWithTheAnswer)
{
    CelebrationHost host;
    Journal journal;
    fakes::FakeSettings settings(journal);
    host.pictures.LoadAll();
    host.images.LoadImages(host.pictures, settings);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "", wxPoint(4, 4), wxSize(640, 480));
    frame->Show();
    auto cloth = [](CClearAnimWnd* wnd) { return wnd->Cloth().ConvertToImage(); };
    auto press = [](CClearAnimWnd* wnd) {
        wxMouseEvent event(wxEVT_LEFT_DOWN);
        wnd->ProcessWindowEvent(event);
    };
    // The tick goes on behind the question, and a press meanwhile is not a second one.
    auto meanwhile = [&](CClearAnimWnd* wnd) {
        const wxImage before = cloth(wnd);
        EXPECT_TRUE(PumpUntil([&] { return !Same(cloth(wnd), before); }));
        press(wnd);
    };
    struct Row { int bonus, answer; std::function<void(CClearAnimWnd*)> whileAsked; Journal heard; };
    const Row rows[] = {
        {0, IDCANCEL, nullptr, {"StopMusic", FormatResString(IDS_CLEAR_NO_BONUS, 42) + " 65", "Closed"}},
        {1000, IDOK, nullptr, {"StopMusic", FormatResString(IDS_CLEAR_BONUS, 1000, 42) + " 65", "Deal"}},
        {5, IDOK, meanwhile, {"StopMusic", FormatResString(IDS_CLEAR_BONUS, 5, 42) + " 65", "Deal"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bonus);
        host.journal.clear();
        host.bonus = row.bonus;
        host.answer = row.answer;
        host.whileAsked = row.whileAsked;
        wxWeakRef<CClearAnimWnd> wnd(new CClearAnimWnd(host));
        ASSERT_TRUE(wnd->Create(frame, wxRect(0, 0, 600, 400)));
        EXPECT_EQ(wxWindow::GetCapture(), wnd.get());
        // What the ticks draw reaches the screen: the first card, then more.
        const wxImage plain = cloth(wnd);
        EXPECT_TRUE(PumpUntil([&] { return !Same(cloth(wnd), plain); }));
        EXPECT_TRUE(PumpUntil([&] { return Same(OnScreen(wnd), cloth(wnd)); }));
        press(wnd);
        EXPECT_EQ(host.journal, row.heard);
        EXPECT_FALSE(wnd);
        EXPECT_EQ(wxWindow::GetCapture(), nullptr);
    }
    // Taken away while it runs, it lets go of the mouse.
    auto* wnd = new CClearAnimWnd(host);
    wnd->Create(frame, wxRect(0, 0, 600, 400));
    wnd->Destroy();
    EXPECT_EQ(wxWindow::GetCapture(), nullptr);
    frame->Destroy();
    PumpUntil([&] { return !wxTheApp->IsScheduledForDestruction(frame); });
}

}  // namespace
