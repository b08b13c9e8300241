// The table view in the main frame, and the celebration window over it; the tests' fake host answers every question.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include "GuiTest.h"
#include "celebration/ClearAnimWnd.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/AboutDlg.h"
#include "shell/HelpProcess.h"
#include "shell/MainFrame.h"
#include "view/Tolvane32View.h"

namespace {

using fakes::Journal;

const wxColour kTable(0, 127, 0);

std::string ExitQuestion() { return "MessageBox " + std::string(LoadResString(IDS_EXIT_CONFIRM)) + " 1"; }
CPoint Centre(const CRect& r) { return CPoint{r.left + r.Width() / 2, r.top + r.Height() / 2}; }

class TableTest : public testing::Test {
protected:
    TableTest()
    {
        m_pictures.LoadAll();
        m_images.LoadImages(m_pictures, m_settings);
        m_doc.SetView(m_view);
        m_view->SetFallFrameMillis(0);
        m_frame->Show();
        // Clears row by row from the bottom, left to right: neighbours make 13 and a king ends every even row.
        BYTE codes[52] = {13, 1, 12, 2, 11, 13, 3, 10, 4, 9, 5, 8, 6, 7, 13, 1, 12, 2, 11, 3, 10, 4, 9, 5, 8, 6, 7, 13};
        std::fill(codes + TRIANGLE_CARDS, codes + 52, BYTE{1});  // a stock of aces
        m_doc.DealCards();  // starts the clear time
        m_doc.Deal(codes);
        m_view->InvalidateRect(nullptr);
        m_journal.clear();
    }
    ~TableTest() override
    {
        if (m_frame != nullptr)
            m_frame->Destroy();  // again after a close: the toolkit keeps it once
        PumpUntil([&] { return !wxTheApp->IsScheduledForDestruction(m_frame); });
    }

    CRect Rect(int position) const { return PositionRect(position, m_images.CardWidth(), m_images.CardHeight()); }
    void PressAt(CPoint at, wxEventType type = wxEVT_LEFT_DOWN)
    {
        wxMouseEvent press(type);
        press.SetPosition(wxPoint(at.x, at.y));
        m_view->ProcessWindowEvent(press);
    }
    void Command(int commandId)
    {
        wxCommandEvent menu(wxEVT_MENU, CMainFrame::MenuItemId(commandId));
        m_frame->ProcessWindowEvent(menu);
    }
    wxImage Shown(wxRect area = wxRect())
    {
        const wxBitmap& table = m_view->RenderedTable();
        return (area.IsEmpty() ? table : table.GetSubBitmap(area)).ConvertToImage();
    }
    bool ScreenShowsTable() { return Same(OnScreen(m_view), Shown()); }
    wxImage Fresh()  // what a full repaint would show now
    {
        wxBitmap bitmap(m_view->GetClientSize(), 24);
        {
            wxMemoryDC dc(bitmap);
            m_view->OnDraw(dc);
        }
        return bitmap.ConvertToImage();
    }
    bool RedInScoreStrip(int x0, int x1)
    {
        const wxImage image = Shown();
        for (int y = image.GetHeight() - m_view->StripHeight(); y < image.GetHeight(); ++y)
            for (int x = x0; x < x1; ++x)
                if (image.GetRed(x, y) > 200 && image.GetGreen(x, y) < 80 && image.GetBlue(x, y) < 80)
                    return true;
        return false;
    }
    void Clear()  // the dealt triangle, row by row from the bottom
    {
        for (int row = 6; row >= 0; --row)
            for (int index = row * (row + 1) / 2; index <= row * (row + 3) / 2; ++index)
                PressAt(Centre(Rect(index + POS_TRIANGLE_FIRST)));
    }
    Journal Tail(std::size_t n) const { return {m_journal.end() - std::min(n, m_journal.size()), m_journal.end()}; }

    Journal m_journal;
    fakes::FakeHost m_host{m_journal};
    fakes::FakeSettings m_settings{m_journal};
    CPictureCache m_pictures;
    CCardImageSet m_images;
    CTolvane32Doc m_doc{m_host, m_settings, m_images};
    CHelpProcess m_help{TOLVANE_HELP_VIEWER};
    wxWeakRef<CMainFrame> m_frame = new CMainFrame(m_doc, m_pictures, m_host, m_help);
    CTolvane32View* m_view = m_frame->GetView();
};

TEST_F(TableTest, CardsShowTheTableAtTheirCutCornersAndTheStripsLieAtTheBottom)
{
    EXPECT_EQ(m_frame->GetRect(), wxRect(4, 4, 640, 512));
    const wxImage image = Shown();
    const int W = image.GetWidth(), H = image.GetHeight(), h = m_view->StripHeight();
    const auto [L, T, R, B] = Rect(POS_STOCK);
    struct Row { int x, y; wxColour colour; bool is; };  // the pixel has that colour, or has not
    const Row rows[] = {
        // Corners cut by 2 (top left), 4 (top right), 5 (bottom left) and 3 (bottom right).
        {L, T, kTable, true}, {L + 1, T, kTable, true}, {L, T + 1, kTable, true}, {L + 2, T, kTable, false},
        {L + 1, T + 1, kTable, false}, {L, T + 2, kTable, false}, {R - 5, T, kTable, false}, {R - 4, T, kTable, true},
        {R - 1, T + 3, kTable, true}, {R - 1, T + 4, kTable, false}, {L, B - 1, kTable, true},
        {L + 3, B - 1, kTable, true}, {L + 5, B - 1, kTable, false}, {L, B - 6, kTable, false},
        {R - 1, B - 1, kTable, true}, {R - 4, B - 1, kTable, false}, {R - 1, B - 4, kTable, false},
        // The right and bottom edges lie outside the card.
        {R, T + 50, kTable, true}, {L + 30, B, kTable, true}, {R - 1, T + 50, kTable, false},
        // Table, record strip and score strip, each strip h rows high; the record line in a white box.
        {0, H - 2 * h - 1, kTable, true}, {W - 5, H - 2 * h, wxColour(0, 191, 0), true}, {0, H - 1, *wxWHITE, true},
        {0, H - h - 1, wxColour(0, 191, 0), true}, {W - 5, H - h, *wxWHITE, true}, {16, H - 2 * h + 2, *wxWHITE, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Pixel(image, row.x, row.y) == row.colour, row.is) << "at " << row.x << "," << row.y;
    // Two deals have made the score negative: red, and only the figure.
    EXPECT_TRUE(RedInScoreStrip(W - 56, W));
    EXPECT_FALSE(RedInScoreStrip(0, W - 56));
    // A new size shows all anew, the strips at the new bottom; an empty one shows nothing.
    m_frame->SetSize(700, 560);
    EXPECT_TRUE(PumpUntil([&] { return Shown().GetHeight() > H && ScreenShowsTable(); }));
    m_view->SetSize(0, 0);
    EXPECT_FALSE(m_view->RenderedTable().IsOk());
}

TEST_F(TableTest, EachLineOfTheStripsStandsAtItsPlace)
{
    const wxImage image = Shown();
    const int W = image.GetWidth(), H = image.GetHeight(), h = m_view->StripHeight();
    // x, y: where the text starts; until: where the next text covers it.
    struct Row { std::string text; int x, y, until; wxColour colour; };
    const Row rows[] = {
        {LoadResString(IDS_FAST_NONE), 16, H - 2 * h + 2, W, *wxBLACK},
        {FormatResString(IDS_BONUS_LINE, m_doc.GetBonus()), 16, H - h + 2, W - 96, *wxBLACK},
        {LoadResString(IDS_SCORE_LABEL), W - 96, H - h + 2, W - 56, *wxBLACK},
        {std::to_string(m_doc.GetScore()), W - 56, H - h + 2, W, wxColour(255, 0, 0)},  // negative: red
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

TEST_F(TableTest, APressReachesThePlaceUnderItsPoint)
{
    const CRect left = Rect(24), upper = Rect(18);  // 24 and 25, a 4 and a 9, lie over 18
    // inverted: the place whose picture the press inverts, or 0; quick: the toolkit makes it a double click.
    struct Row { const char* name; CPoint at; int selection, inverted; Journal heard; bool quick = false; };
    const Journal beep{"Beep"};
    const Row rows[] = {
        {"the visible strip of a covered card beeps", {upper.left + 40, upper.top + 5}, POS_NONE, 0, beep},
        {"a free card is selected", Centre(left), 24, 24, {}},
        {"a quick second press deselects it", Centre(left), POS_NONE, 24, {}, true},
        {"the right edge belongs to the covered card", {left.right, left.top + 60}, POS_NONE, 0, beep},
        {"the last column inside is the card's", {left.right - 1, left.top + 60}, 24, 24, {}},
        {"its partner takes both away", Centre(Rect(25)), POS_NONE, 0, {"PlayWave 300", "PlayWave 300"}},
        {"a gap reaches the card above it", {60, 230}, 18, 18, {}},
    };
    ASSERT_TRUE(PumpUntil([&] { return ScreenShowsTable(); }));  // the window is up
    std::vector<CRect> frames;
    m_view->SetFallFrameObserver([&](const CRect& frame) {
        frames.push_back(frame);
        // On screen before the next frame, while the view is busy: the face, a plain rectangle.
        EXPECT_TRUE(m_view->Busy().IsBusy());
        // Until its own fall, the pair's other card shows as the press left it, gone from the document as it is.
        const CPoint held = Centre(left);
        EXPECT_TRUE(frame.left == left.left || Pixel(Shown(), held.x, held.y) != Pixel(Fresh(), held.x, held.y));
        const wxRect shown =
            wxRect(frame.left, frame.top, frame.Width(), frame.Height()).Intersect(wxRect(m_view->GetClientSize()));
        const wxBitmap* face = m_pictures.Get(m_images.FaceImage(frame.left == left.left ? 4 : 9));
        if (!shown.IsEmpty()) {
            EXPECT_TRUE(Same(Shown(shown), face->ConvertToImage().GetSubImage(wxRect(shown.GetSize()))));
            EXPECT_TRUE(Same(OnScreen(m_view, shown), Shown(shown)));
        }
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const wxImage before = Shown();
        m_journal.clear();
        PressAt(row.at, row.quick ? wxEVT_LEFT_DCLICK : wxEVT_LEFT_DOWN);
        const wxImage after = Shown();
        EXPECT_EQ(m_doc.GetSelection(), row.selection);
        EXPECT_EQ(m_journal, row.heard);
        const CPoint c = Centre(Rect(row.inverted));  // (0, 0) for none: the bare table, unchanged
        const wxColour was = Pixel(before, c.x, c.y);
        EXPECT_EQ(Pixel(after, c.x, c.y),
                  row.inverted != 0 ? wxColour(255 - was.Red(), 255 - was.Green(), 255 - was.Blue()) : was);
        EXPECT_TRUE(Same(after, Fresh()));  // what the press drew is what a repaint draws
    }
    // Two falls, the card pressed last first, each straight down 8 pixels a frame until wholly below the client.
    std::vector<CRect> expected;
    for (const CRect& start : {Rect(25), left})
        for (int y = start.top; y < m_view->ClientRect().bottom + 8; y += 8)
            expected.push_back(CRect{start.left, y, start.right, y + start.Height()});
    EXPECT_TRUE(frames == expected);
    EXPECT_FALSE(m_view->Busy().IsBusy());
}

TEST_F(TableTest, FoldedMenuIdsReachTheViewAndUndoFollowsCanUndo)
{
    auto turn = [&] { PressAt(Centre(Rect(POS_STOCK))); };
    auto waste = [&] { PressAt(Centre(Rect(POS_WASTE))); };
    // atOnce: on screen before the press returns, as a message box may follow.
    struct Row { const char* name; std::function<void()> act; bool undo, atOnce = false; };
    const Row rows[] = {
        {"a fresh deal", [] {}, false},
        {"a stock turn", turn, true},
        {"a card selected", [&] { PressAt(Centre(Rect(24))); }, false, true},
        {"deselected again", [&] { PressAt(Centre(Rect(24))); }, true, true},
        {"the waste selected", waste, false, true},
        {"the stock pressed meanwhile", turn, false},
        {"the waste deselected", waste, true, true},
        {"a pair removed", [&] { PressAt(Centre(Rect(24))); PressAt(Centre(Rect(25))); }, true},
        {"the stock turned to its end", [&] { while (m_doc.GetPileCount(POS_STOCK) > 0) turn(); }, true},
        {"undone from the menu", [&] { Command(ID_GAME_UNDO); }, false},
    };
    const CPoint wastePoint = Centre(Rect(POS_WASTE));
    ASSERT_TRUE(PumpUntil([&] { return ScreenShowsTable(); }));
    for (const Row& row : rows) {
        row.act();
        EXPECT_TRUE(!row.atOnce || ScreenShowsTable()) << row.name;
        EXPECT_TRUE(PumpUntil([&] { return ScreenShowsTable(); }, 1000)) << row.name;
        wxUpdateUIEvent update(CMainFrame::MenuItemId(ID_GAME_UNDO));
        m_frame->ProcessWindowEvent(update);
        EXPECT_EQ(update.GetEnabled(), row.undo) << row.name;
        EXPECT_TRUE(Same(Shown(), Fresh())) << row.name;
        EXPECT_EQ(Pixel(Shown(), wastePoint.x, wastePoint.y) != kTable, m_doc.GetPileCount(POS_WASTE) > 0) << row.name;
    }
    const int score = m_doc.GetScore();
    Command(ID_GAME_DEAL);
    EXPECT_EQ(m_doc.GetScore(), score - DEAL_PRICE);
    PressAt(Centre(Rect(24)));  // before any paint: the new table is drawn already, the highlight on it
    EXPECT_TRUE(Same(Shown(), Fresh()));
    wxQueueEvent(m_frame, new wxCommandEvent(wxEVT_MENU, ID_GAME_DEAL));  // as start-up posts it, under its own id
    EXPECT_TRUE(PumpUntil([&] { return m_doc.GetScore() == score - 2 * DEAL_PRICE; }));
    m_images.SetCurrentBack(2);  // whatever the dialog did to the back, the stock shows it afterwards
    Command(ID_GAME_CARDBACK);
    EXPECT_EQ(m_journal.back(), "ChooseCardBack");
    EXPECT_TRUE(Same(Shown(), Fresh()));
    EXPECT_TRUE(PumpUntil([&] { return ScreenShowsTable(); }, 1000));
    bool about = false;  // About shows its box, which closes here from its own loop
    wxTheApp->CallAfter([&] {
        auto* box = dynamic_cast<CAboutDlg*>(wxTopLevelWindows.GetLast()->GetData());
        if (!(about = box != nullptr && box->IsModal()))
            return;
        // Over the frame, the version line whole and clear of OK, which has the focus; Esc as OK.
        CheckLayout(box, {});
        const wxStaticText* line = box->VersionLine();
        EXPECT_GE(line->GetSize().x, line->GetTextExtent(line->GetLabel()).x);
        EXPECT_LT(line->GetRect().GetRight(), box->OkButton()->GetPosition().x);
        EXPECT_EQ(box->GetEscapeId(), wxID_OK);
        EXPECT_EQ(box->GetDefaultItem(), box->OkButton());
        EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(box->GetHandle())), box->OkButton()->GetHandle());
        box->EndModal(wxID_OK);
    });
    Command(ID_APP_ABOUT);
    EXPECT_TRUE(about);
}

TEST_F(TableTest, TheMenuHoldsTheGameAndHelpCommandsWithoutAccelerators)
{
    Journal shown;
    const wxMenuBar* bar = m_frame->GetMenuBar();
    for (std::size_t m = 0; m < bar->GetMenuCount(); ++m) {
        shown.push_back(bar->GetMenuLabel(m).utf8_string());
        for (const wxMenuItem* item : bar->GetMenu(m)->GetMenuItems()) {
            const std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
            shown.push_back(item->IsSeparator() ? "-"
                                                : std::to_string(CMainFrame::CommandId(item->GetId())) + " " +
                                                      item->GetItemLabel().utf8_string() + (accel ? " accel" : ""));
        }
    }
    auto item = [](int command, int text) { return std::to_string(command) + " " + LoadResString(text); };
    EXPECT_EQ(shown, (Journal{LoadResString(IDS_MENU_GAME), item(ID_GAME_DEAL, IDS_MENU_DEAL), "-",
                              item(ID_GAME_UNDO, IDS_MENU_UNDO), item(ID_GAME_CARDBACK, IDS_MENU_CARDBACK), "-",
                              item(ID_APP_EXIT, IDS_MENU_EXIT), LoadResString(IDS_MENU_HELP),
                              item(ID_HELP_FINDER, IDS_MENU_HELP_FINDER), item(ID_APP_ABOUT, IDS_MENU_ABOUT)}));
    // The window manager gets the icon at every size the assets hold.
    m_frame->SetProgramIcons();
    for (int size : {16, 32, 48, 64, 128, 256})
        EXPECT_EQ(m_frame->GetIcons().GetIcon(size, wxIconBundle::FALLBACK_NONE).GetWidth(), size);
    // The help shows one window, however often it is asked for.
    Command(ID_HELP_FINDER);
    Command(ID_HELP_FINDER);
    ASSERT_TRUE(PumpUntil([this] { return m_help.IsShowing(); }, 20000));
    const std::vector<unsigned long> help = WindowsTitled(HelpTitle());
    ASSERT_EQ(help.size(), 1u);
    CloseBox(help[0]);
    EXPECT_TRUE(PumpUntil([this] { return !m_help.IsRunning(); }));
}

TEST_F(TableTest, ACloseDuringAPressAFallOrADialogWaitsAndIsAskedOnceAfterwards)
{
    bool armed = false, force = false;
    const auto request = [&] {  // as the window system's close arrives from a nested event loop
        if (!armed)
            return;
        const Journal before = m_journal;
        m_frame->Close(force);
        EXPECT_EQ(m_journal, before);  // nothing asked, nothing stacked on the open dialog
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(m_frame));
    };
    m_view->SetFallFrameObserver([&](const CRect&) { request(); });
    m_host.whileOpen = request;
    const auto about = [&] {  // its box is real: the request comes from the box's own loop, which then ends
        wxTheApp->CallAfter(
            [&] { request(), static_cast<wxDialog*>(wxTopLevelWindows.GetLast()->GetData())->EndModal(0); });
        Command(ID_APP_ABOUT);
    };
    wxMouseEvent press(wxEVT_LEFT_DOWN);
    const auto congratulate = [&] { m_view->GetCelebrationWindow()->ProcessWindowEvent(press); };
    struct Row { const char* name; std::function<void()> act; std::deque<int> answers; bool force = false; };
    const Row rows[] = {
        {"every fall and the name of the record of a clear", [&] { Clear(); }, {IDCANCEL}},
        {"the congratulation box", congratulate, {IDCANCEL, IDCANCEL}},
        {"the About box", about, {IDCANCEL}},
        {"the card-back dialog", [&] { Command(ID_GAME_CARDBACK); }, {IDCANCEL}},
        {"a session's end in the card-back dialog, without a question", [&] { Command(ID_GAME_CARDBACK); }, {}, true},
    };
    const auto asked = [&] { return std::count(m_journal.begin(), m_journal.end(), ExitQuestion()); };
    const auto gone = [&] { return m_frame == nullptr || wxTheApp->IsScheduledForDestruction(m_frame); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_host.answers = row.answers;
        force = row.force;
        armed = true;
        row.act();
        armed = false;
        const auto before = asked();
        EXPECT_TRUE(PumpUntil([&] { return asked() > before || gone(); }));
        bool settled = false;  // whatever the requests queued has run once this has
        wxTheApp->CallAfter([&] { settled = true; });
        EXPECT_TRUE(PumpUntil([&] { return settled; }));
        EXPECT_EQ(asked(), before + (row.force ? 0 : 1));
        EXPECT_EQ(gone(), row.force);
    }
}

TEST_F(TableTest, AClearCelebratesUntilAPressThenTheExitOffersTheBestScore)
{
    m_host.now += 42;
    m_host.typedName = "Taro";
    Clear();
    EXPECT_EQ(Tail(4), (Journal{"AskPlayerName " + FormatResString(IDS_CLEAR_ACHIEVED, 42) + " []",
                                "Write FastGameOver/lFastTimeSpan=42", "Write FastGameOver/strFastPlayer=Taro",
                                "PlayMusic"}));
    m_host.musicEnd();  // from the audio thread: the tune has ended, and the view closes it
    EXPECT_TRUE(PumpUntil([&] { return m_journal.back() == "CloseMusic"; }));

    // Over the table and the record strip; the first back of the trail at the top left, its cut corner on the cloth.
    CClearAnimWnd* wnd = m_view->GetCelebrationWindow();
    ASSERT_NE(wnd, nullptr);
    const CRect client = m_view->ClientRect();
    const int h = m_view->StripHeight();
    EXPECT_EQ(wnd->GetRect(), wxRect(0, 0, client.right, client.bottom - h));
    const wxColour cloth = CClearAnimWnd::ClothColour();
    EXPECT_TRUE(PumpUntil(  // the cloth comes with the window's first paint or tick
        [&] { return wnd->Cloth().IsOk() && Pixel(wnd->Cloth().ConvertToImage(), 38, 53) != cloth; }));
    EXPECT_EQ(Pixel(wnd->Cloth().ConvertToImage(), 0, 0), cloth);
    const wxRect corner(0, 0, 120, 140);  // and on screen
    EXPECT_TRUE(PumpUntil([&] { return Same(OnScreen(wnd, corner), wnd->Cloth().ConvertToImage().GetSubImage(corner)); }));
    const wxRect edge(0, 0, 19, 106);  // grown, it keeps the trail where it was: the first card's left edge
    const wxImage trail = wnd->Cloth().ConvertToImage().GetSubImage(edge);
    wnd->SetSize(wnd->GetSize() + wxSize(0, 10));
    EXPECT_TRUE(PumpUntil([&] { return wnd->Cloth().GetLogicalHeight() == client.bottom - h + 10; }));
    EXPECT_TRUE(Same(wnd->Cloth().ConvertToImage().GetSubImage(edge), trail));

    // A real press on the score strip, outside the window, ends it: the tune stops before the question, and Cancel
    // deals nothing. The tick goes on behind the question, and a press meanwhile asks nothing more.
    const int score = m_doc.GetScore();
    m_host.answers = {IDCANCEL};
    m_host.whileOpen = [&] {
        const wxImage before = wnd->Cloth().ConvertToImage();
        EXPECT_TRUE(PumpUntil([&] { return !Same(wnd->Cloth().ConvertToImage(), before); }));
        wxMouseEvent again(wxEVT_LEFT_DOWN);
        wnd->ProcessWindowEvent(again);
    };
    m_journal.clear();
    wxUIActionSimulator mouse;
    mouse.MouseMove(m_view->ClientToScreen(wxPoint(100, client.bottom - h / 2)));
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return m_view->GetCelebrationWindow() == nullptr; }));
    EXPECT_EQ(wxWindow::GetCapture(), nullptr);
    EXPECT_EQ(m_journal, (Journal{"StopMusic", "MessageBox " + FormatResString(IDS_CLEAR_BONUS, 2000, 42) + " 65"}));
    EXPECT_EQ(m_doc.GetScore(), score);
    EXPECT_TRUE(Same(Shown(), Fresh()));  // the table as it is now: the new record in its strip
    m_host.whileOpen = [] {};

    // OK deals again, once the window has gone.
    m_view->StartCelebration();
    ASSERT_NE(wnd = m_view->GetCelebrationWindow(), nullptr);
    m_host.answers = {IDOK};
    wxMouseEvent press(wxEVT_LEFT_DOWN);
    wnd->ProcessWindowEvent(press);
    EXPECT_EQ(m_view->GetCelebrationWindow(), nullptr);
    EXPECT_EQ(m_doc.GetScore(), score);
    EXPECT_TRUE(PumpUntil([&] { return m_doc.GetScore() == score - DEAL_PRICE; }));

    // Leaving amid a celebration: Cancel stays; OK offers the score, with the name given last; the mouse is let go.
    m_view->StartCelebration();
    m_view->StartCelebration();  // a new one takes the place of the one before
    EXPECT_EQ(m_view->GetChildren().size(), 1u);
    const int best = m_doc.GetScore();
    m_host.answers = {IDCANCEL, IDOK};
    m_host.typedName = "Hanako";
    m_host.whileOpen = [&] {  // a session's end amid the best score's name waits for the dialog
        if (m_journal.back().starts_with("AskPlayerName"))
            m_frame->Close(true);
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(m_frame));
    };
    Command(ID_APP_EXIT);
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(m_frame));
    Command(ID_APP_EXIT);
    EXPECT_TRUE(wxTheApp->IsScheduledForDestruction(m_frame));
    EXPECT_EQ(Tail(5), (Journal{ExitQuestion(), ExitQuestion(),
                                "AskPlayerName " + FormatResString(IDS_SCORE_ACHIEVED, best) + " [Taro]",
                                "Write MaxPoint/iMaxPoint=" + std::to_string(best), "Write MaxPoint/strChamp=Hanako"}));
    EXPECT_TRUE(PumpUntil([&] { return m_frame == nullptr; }));
    EXPECT_EQ(wxWindow::GetCapture(), nullptr);
    EXPECT_FALSE(m_host.musicEnd);  // the tune's end can no longer reach the view
}

}  // namespace
