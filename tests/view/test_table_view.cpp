// The table view on a real (virtual) display: card outlines, inversion, the
// zones of the table, mouse play against a known deal, commands and the
// falling card.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/msgdlg.h>

#include "WxTestSupport.h"
#include "celebration/ClearAnimWnd.h"
#include "model/CardImageSet.h"
#include "model/Tolvane32Doc.h"
#include "res/resource.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

namespace {

const wxColour kTable(0, 127, 0);
const wxColour kRecord(0, 191, 0);

wxBitmap SolidBitmap(int width, int height, const wxColour& colour)
{
    wxBitmap bitmap(width, height, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(colour));
    dc.Clear();
    return bitmap;
}

bool SameImage(const wxImage& a, const wxImage& b)
{
    return a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + a.GetWidth() * a.GetHeight() * 3, b.GetData());
}

wxColour Pixel(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

// --------------------------------------------------------------- drawing primitives

TEST(CardDrawing, ClipsTheFourCutCornersExactly)
{
    const wxColour table(0, 0, 255);
    wxBitmap target = SolidBitmap(120, 140, table);
    const wxBitmap card = SolidBitmap(77, 106, *wxRED);
    const CRect rect{10, 20, 87, 126};
    {
        wxMemoryDC dc(target);
        CTolvane32View::DrawCardBitmap(dc, &card, rect);
    }
    const wxImage image = target.ConvertToImage();
    auto red = [&](int x, int y) { return Pixel(image, x, y) == *wxRED; };
    const int L = rect.left, T = rect.top, R = rect.right, B = rect.bottom;

    // Top left, cut by 2: the outline runs from (L+2, T) to (L, T+2).
    EXPECT_FALSE(red(L, T));
    EXPECT_FALSE(red(L + 1, T));
    EXPECT_FALSE(red(L, T + 1));
    EXPECT_TRUE(red(L + 2, T));
    EXPECT_TRUE(red(L + 1, T + 1));
    EXPECT_TRUE(red(L, T + 2));
    // Top right, cut by 4: row T ends before R-4, row T+3 before R-1.
    EXPECT_TRUE(red(R - 5, T));
    EXPECT_FALSE(red(R - 4, T));
    EXPECT_FALSE(red(R - 1, T + 3));
    EXPECT_TRUE(red(R - 1, T + 4));
    // Bottom left, cut by 5, and bottom right, cut by 3.
    EXPECT_FALSE(red(L, B - 1));
    EXPECT_FALSE(red(L + 3, B - 1));
    EXPECT_TRUE(red(L + 5, B - 1));
    EXPECT_TRUE(red(L, B - 6));
    EXPECT_FALSE(red(R - 1, B - 1));
    EXPECT_TRUE(red(R - 4, B - 1));
    EXPECT_TRUE(red(R - 1, B - 4));
    // The right and bottom edges lie outside the card; the middle inside.
    EXPECT_FALSE(red(R, T + 50));
    EXPECT_FALSE(red(L + 30, B));
    EXPECT_TRUE(red(L + 30, T + 50));
    EXPECT_FALSE(red(L - 1, T + 50));
    EXPECT_FALSE(red(L + 30, T - 1));
}

TEST(CardDrawing, MissingPictureOrEmptyRectangleDrawsNothing)
{
    wxBitmap target = SolidBitmap(100, 120, *wxBLUE);
    const wxImage before = target.ConvertToImage();
    const wxBitmap card = SolidBitmap(77, 106, *wxRED);
    {
        wxMemoryDC dc(target);
        CTolvane32View::DrawCardBitmap(dc, nullptr, CRect{0, 0, 77, 106});
        wxBitmap broken;
        CTolvane32View::DrawCardBitmap(dc, &broken, CRect{0, 0, 77, 106});
        CTolvane32View::DrawCardBitmap(dc, &card, CRect{5, 5, 5, 111});
    }
    EXPECT_TRUE(SameImage(before, target.ConvertToImage()));
}

TEST(CardDrawing, InversionFlipsEveryChannelAndTwiceRestores)
{
    wxBitmap target = SolidBitmap(60, 60, wxColour(0, 127, 0));
    {
        wxMemoryDC dc(target);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(10, 200, 77)));
        dc.DrawRectangle(20, 0, 40, 60);
    }
    const wxImage original = target.ConvertToImage();
    const CRect rect{5, 5, 45, 50};
    {
        wxMemoryDC dc(target);
        CTolvane32View::InvertRect(dc, rect);
    }
    const wxImage once = target.ConvertToImage();
    EXPECT_EQ(Pixel(once, 5, 5), wxColour(255, 128, 255));
    EXPECT_EQ(Pixel(once, 30, 30), wxColour(245, 55, 178));
    EXPECT_EQ(Pixel(once, 44, 49), wxColour(245, 55, 178));
    // Outside the rectangle nothing changes.
    EXPECT_EQ(Pixel(once, 45, 30), wxColour(10, 200, 77));
    EXPECT_EQ(Pixel(once, 4, 30), wxColour(0, 127, 0));
    EXPECT_EQ(Pixel(once, 30, 50), wxColour(10, 200, 77));
    {
        wxMemoryDC dc(target);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(10, 200, 77)));
        CTolvane32View::InvertRect(dc, rect);
        // The context's own brush still applies after an inversion.
        dc.DrawRectangle(0, 55, 4, 5);
    }
    const wxImage twice = target.ConvertToImage();
    EXPECT_EQ(Pixel(twice, 1, 57), wxColour(10, 200, 77));
    wxImage expected = original;
    for (int y = 55; y < 60; ++y)
        for (int x = 0; x < 4; ++x)
            expected.SetRGB(x, y, 10, 200, 77);
    EXPECT_TRUE(SameImage(expected, twice));
}

// --------------------------------------------------------------- the view on a known deal

class TableViewTest : public testing::Test {
protected:
    // Triangle index 21 (position 24) and 22 (position 25) hold 6 and 7: a pair.
    static constexpr int kPosSix = 24;
    static constexpr int kPosSeven = 25;
    static constexpr int kPosAbove = 18;  // covered by 24 and 25

    void SetUp() override
    {
        m_doc = std::make_unique<CTolvane32Doc>(m_host, m_settings, g_cardImages);
        m_frame = new wxFrame(nullptr, wxID_ANY, "table", wxPoint(4, 4), wxSize(640, 512));
        m_view = new CTolvane32View(m_frame, m_doc.get());
        m_doc->SetView(m_view);
        m_view->SetFallFrameMillis(0);
        m_frame->Show();
        PumpEvents(300);

        BYTE codes[52];
        g_cardImages.CopyOrdinaryCodes(codes);
        // Hearts 6 and clubs 7 side by side in the bottom row.
        std::swap(codes[21], codes[5]);                       // 0x06
        std::swap(codes[22], *std::find(codes, codes + 52, BYTE{0x27}));
        m_doc->Deal(codes);
        m_doc->m_timeDeal = m_host.m_now;
        m_view->InvalidateRect(nullptr);
        PumpEvents(50);
    }

    void TearDown() override
    {
        m_frame->Destroy();
        PumpEvents(50);
    }

    wxImage Table() { return m_view->RenderedTable().ConvertToImage(); }

    // What a full repaint would show now.
    wxImage Fresh()
    {
        wxBitmap bitmap(m_view->GetClientSize(), 24);
        {
            wxMemoryDC dc(bitmap);
            m_view->OnDraw(dc);
        }
        return bitmap.ConvertToImage();
    }

    CRect RectOf(int position)
    {
        CRect rect;
        m_doc->GetPositionRect(position, &rect);
        return rect;
    }

    void Click(int x, int y) { m_view->OnLButtonDown(CPoint{x, y}); }

    FakeHost m_host;
    FakeSettings m_settings;
    std::unique_ptr<CTolvane32Doc> m_doc;
    wxFrame* m_frame = nullptr;
    CTolvane32View* m_view = nullptr;
};

TEST_F(TableViewTest, ZonesHaveTheirColoursAtTheirRows)
{
    const wxImage image = Table();
    const int H = image.GetHeight();
    const int W = image.GetWidth();
    const int h = m_view->StripHeight();
    ASSERT_GT(h, 10);
    ASSERT_LT(h, 40);
    ASSERT_EQ(W, 640);

    EXPECT_EQ(Pixel(image, W - 5, 5), kTable);
    EXPECT_EQ(Pixel(image, W - 5, H - 2 * h - 1), kTable);
    EXPECT_EQ(Pixel(image, W - 5, H - 2 * h), kRecord);
    EXPECT_EQ(Pixel(image, W - 5, H - h - 1), kRecord);
    EXPECT_EQ(Pixel(image, W - 5, H - h), *wxWHITE);
    EXPECT_EQ(Pixel(image, 5, H - 1), *wxWHITE);
    // Between two cards of the bottom row the table shows.
    EXPECT_EQ(Pixel(image, 92, 270), kTable);
}

TEST_F(TableViewTest, StripTextIsBlackInWhiteBoxesAndANegativeScoreRed)
{
    auto count = [](const wxImage& image, int x0, int y0, int x1, int y1, auto predicate) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += predicate(Pixel(image, x, y)) ? 1 : 0;
        return n;
    };
    auto isRed = [](const wxColour& c) { return c.Red() > 200 && c.Green() < 80 && c.Blue() < 80; };
    auto isDark = [](const wxColour& c) { return c.Red() < 80 && c.Green() < 80 && c.Blue() < 80; };
    auto isWhite = [](const wxColour& c) { return c == *wxWHITE; };

    ASSERT_EQ(m_doc->m_nScore, -56);
    wxImage image = Table();
    const int H = image.GetHeight();
    const int W = image.GetWidth();
    const int h = m_view->StripHeight();
    // The record line: black text in a white box on the light green strip.
    EXPECT_GT(count(image, 16, H - 2 * h + 2, 300, H - h, isDark), 20);
    EXPECT_GT(count(image, 16, H - 2 * h + 2, 300, H - h, isWhite), 20);
    EXPECT_EQ(count(image, 0, H - 2 * h, 15, H - h, isWhite), 0);
    // The bonus line in black; the score in red, nowhere else.
    EXPECT_GT(count(image, 16, H - h, 300, H, isDark), 20);
    EXPECT_GT(count(image, W - 56, H - h, W, H, isRed), 5);
    EXPECT_EQ(count(image, 0, H - h, W - 56, H, isRed), 0);

    m_doc->m_nScore = 0;
    m_view->RefreshScoreLine();
    image = Table();
    EXPECT_EQ(count(image, W - 56, H - h, W, H, isRed), 0);
    EXPECT_GT(count(image, W - 56, H - h, W, H, isDark), 5);
}

TEST_F(TableViewTest, CoveredCardRefusesUntilBothCardsBelowAreGone)
{
    const CRect above = RectOf(kPosAbove);
    // Its visible top strip: covered, so nothing is selected.
    Click(above.left + 40, above.top + 5);
    EXPECT_EQ(m_doc->m_nSelPos, POS_NONE);

    // The 6 and the 7 below it make 13 and fall.
    const CRect six = RectOf(kPosSix);
    Click(six.left + 30, six.top + 60);
    EXPECT_EQ(m_doc->m_nSelPos, kPosSix);
    Click(RectOf(kPosSeven).left + 30, RectOf(kPosSeven).top + 60);
    EXPECT_EQ(m_doc->GetPositionState(kPosSix), PS_EMPTY);
    EXPECT_EQ(m_doc->GetPositionState(kPosSeven), PS_EMPTY);
    EXPECT_EQ(m_doc->m_nScore, -52);
    EXPECT_TRUE(SameImage(Table(), Fresh()));

    // A click in the gap the 6 left reaches the card above, now free.
    const wxImage before = Table();
    Click(60, 230);
    EXPECT_EQ(m_doc->m_nSelPos, kPosAbove);
    const wxImage after = Table();
    const wxColour was = Pixel(before, above.left + 40, above.top + 50);
    EXPECT_EQ(Pixel(after, above.left + 40, above.top + 50),
              wxColour(255 - was.Red(), 255 - was.Green(), 255 - was.Blue()));
    // The highlight on screen is what a repaint draws for the selection,
    // and repainting another area leaves it alone.
    EXPECT_TRUE(SameImage(after, Fresh()));
    m_view->RefreshScoreLine();
    EXPECT_TRUE(SameImage(Table(), after));

    // Clicked again: deselected, and the picture is back as it was.
    Click(above.left + 40, above.top + 5);
    EXPECT_EQ(m_doc->m_nSelPos, POS_NONE);
    EXPECT_TRUE(SameImage(Table(), before));
}

TEST_F(TableViewTest, EdgesBelongToTheNextPlace)
{
    const CRect six = RectOf(kPosSix);
    // The right edge of the 6 is outside it: the point belongs to the
    // covered card above, which refuses.
    Click(six.right, six.top + 60);
    EXPECT_EQ(m_doc->m_nSelPos, POS_NONE);
    Click(six.right - 1, six.top + 60);
    EXPECT_EQ(m_doc->m_nSelPos, kPosSix);
}

TEST_F(TableViewTest, StockClickTurnsACardAndRepaintsStockAndWaste)
{
    const CRect stock = RectOf(POS_STOCK);
    Click(stock.left + 5, stock.top + 5);
    EXPECT_EQ(m_doc->GetPositionState(POS_WASTE), PS_FREE);
    EXPECT_TRUE(SameImage(Table(), Fresh()));
}

TEST_F(TableViewTest, RefusedJokerWarningChangesNothing)
{
    // A joker on top of the waste, never warned about in this deal.
    m_doc->m_aWaste[0] = CCard(CARD_JOKER1);
    const CRect waste = RectOf(POS_WASTE);
    m_view->InvalidateRect(&waste);
    const wxImage before = Table();
    // Escape on the yes/no question counts as No.
    wxTEST_DIALOG(Click(waste.left + 10, waste.top + 10), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    EXPECT_EQ(m_doc->m_nSelPos, POS_NONE);
    EXPECT_TRUE(SameImage(Table(), before));

    // The warning comes once: the next click selects the joker.
    EXPECT_NO_DIALOG(Click(waste.left + 10, waste.top + 10));
    EXPECT_EQ(m_doc->m_nSelPos, POS_WASTE);
}

TEST_F(TableViewTest, FallingCardSteps8PixelsAndEveryFrameReachesTheScreen)
{
    const CRect rect = RectOf(30);
    const CCard card = m_doc->m_aTriangle[27];
    m_doc->m_aTriangle[27].Clear();

    std::vector<CRect> frames;
    int framesOnScreen = 0;
    int framesChecked = 0;
    m_view->SetFallFrameObserver([&](const CRect& frame) {
        frames.push_back(frame);
        // Read the window back and compare with the picture of this frame.
        const CRect client = m_view->ClientRect();
        const int top = std::max(frame.top, 0);
        const int bottom = std::min(frame.bottom, client.bottom);
        if (bottom - top < 4)
            return;
        wxBitmap screen(frame.Width(), bottom - top, 24);
        {
            wxClientDC window(m_view);
            wxMemoryDC copy(screen);
            copy.Blit(0, 0, frame.Width(), bottom - top, &window, frame.left, top);
        }
        const wxImage shown = screen.ConvertToImage();
        const wxImage drawn =
            m_view->RenderedTable().GetSubBitmap(wxRect(frame.left, top, frame.Width(), bottom - top)).ConvertToImage();
        ++framesChecked;
        framesOnScreen += SameImage(shown, drawn) ? 1 : 0;
    });
    m_view->AnimateCardFall(card, rect);
    m_view->SetFallFrameObserver(nullptr);

    const int H = m_view->ClientRect().bottom;
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames.front(), rect);
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].top - frames[i - 1].top, 8);
        EXPECT_EQ(frames[i].left, rect.left);
        EXPECT_EQ(frames[i].Height(), rect.Height());
    }
    EXPECT_GE(frames.back().top, H);
    EXPECT_LT(frames[frames.size() - 2].top, H);
    EXPECT_GT(framesChecked, 20);
    EXPECT_EQ(framesOnScreen, framesChecked);
    // Gone: the place is empty and the strips are whole again.
    EXPECT_TRUE(SameImage(Table(), Fresh()));
}

TEST_F(TableViewTest, AFallFromAnEmptyRectangleEndsAtOnce)
{
    int frames = 0;
    m_view->SetFallFrameObserver([&](const CRect&) { ++frames; });
    m_view->AnimateCardFall(CCard(0x01), CRect{});
    EXPECT_EQ(frames, 0);
}

TEST_F(TableViewTest, PostedDealRunsAfterTheHandlerAndUndoFollowsCanUndo)
{
    const int score = m_doc->m_nScore;
    m_view->PostCommand(ID_GAME_DEAL);
    EXPECT_EQ(m_doc->m_nScore, score);
    PumpEvents(100);
    EXPECT_EQ(m_doc->m_nScore, score - 56);

    auto undoEnabled = [&] {
        wxUpdateUIEvent event(ID_GAME_UNDO);
        EXPECT_TRUE(m_view->ProcessWindowEventLocally(event));
        return event.GetEnabled();
    };
    EXPECT_FALSE(undoEnabled());
    const CRect stock = RectOf(POS_STOCK);
    Click(stock.left + 5, stock.top + 5);
    EXPECT_TRUE(undoEnabled());

    wxCommandEvent undo(wxEVT_MENU, ID_GAME_UNDO);
    m_view->ProcessWindowEventLocally(undo);
    EXPECT_EQ(m_doc->GetPositionState(POS_WASTE), PS_EMPTY);
    EXPECT_FALSE(undoEnabled());
    EXPECT_TRUE(SameImage(Table(), Fresh()));
}

TEST_F(TableViewTest, ResizingToTinyAndBackNeitherCrashesNorMisdraws)
{
    for (const wxSize size : {wxSize(120, 90), wxSize(30, 20), wxSize(1, 1), wxSize(900, 700)}) {
        m_frame->SetSize(size);
        PumpEvents(60);
        const CRect stock = RectOf(POS_STOCK);
        Click(stock.left + 5, stock.top + 5);
        if (m_view->GetClientSize().x > 0 && m_view->GetClientSize().y > 0) {
            EXPECT_TRUE(SameImage(Table(), Fresh())) << size.x << "x" << size.y;
        }
    }
    m_doc->m_aTriangle[27].Clear();
    m_view->AnimateCardFall(CCard(0x0D), RectOf(30));
    EXPECT_TRUE(SameImage(Table(), Fresh()));
}

TEST_F(TableViewTest, AClearOpensOneCelebrationAboveTheScoreStrip)
{
    auto celebrations = [&] {
        int n = 0;
        for (wxWindow* child : m_view->GetChildren())
            n += dynamic_cast<CClearAnimWnd*>(child) != nullptr ? 1 : 0;
        return n;
    };
    // The apex gone: the document pays the bonus and calls for the celebration.
    m_doc->m_aTriangle[0].Clear();
    m_doc->CheckGameOver();
    CClearAnimWnd* first = m_view->GetCelebrationWindow();
    ASSERT_NE(first, nullptr);
    const CRect client = m_view->ClientRect();
    EXPECT_EQ(first->GetRect(), wxRect(0, 0, client.Width(), client.Height() - m_view->StripHeight()));
    EXPECT_EQ(celebrations(), 1);

    // A second clear replaces the window rather than stacking another.
    m_view->StartCelebration();
    EXPECT_NE(m_view->GetCelebrationWindow(), nullptr);
    EXPECT_EQ(celebrations(), 1);

    // The window says it is going; the view forgets it and shows the table.
    CClearAnimWnd* current = m_view->GetCelebrationWindow();
    m_view->OnCelebrationClosed(current);
    EXPECT_EQ(m_view->GetCelebrationWindow(), nullptr);
    current->Destroy();

    // Stopping the tune: its end is reported from the audio thread and the
    // device is closed on this one.
    const bool played = m_view->IsMusicOpen();
    m_view->StopMusic();
    for (int i = 0; i < 40 && m_view->IsMusicOpen(); ++i)
        PumpEvents(50);
    EXPECT_FALSE(m_view->IsMusicOpen()) << "tune played: " << played;
    EXPECT_EQ(celebrations(), 0);
    EXPECT_TRUE(SameImage(Table(), Fresh()));
}

}  // namespace
