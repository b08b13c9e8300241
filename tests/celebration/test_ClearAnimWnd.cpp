// The celebration window on a real (virtual) display, over a real view and
// document: creation over the table, the trail of card backs, the tick that
// goes on behind the closing question, and the closing itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

class GTestModalHook;
#define wxTEST_DIALOG_HOOK_CLASS GTestModalHook
#include <wx/testing.h>

#include "celebration/ClearAnimWnd.h"
#include "model/CardImageSet.h"
#include "model/Random.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

// Unmet or unexpected dialogs fail the running test instead of asserting;
// an unexpected one is cancelled rather than left waiting for a user.
class GTestModalHook : public wxTestingModalHook {
public:
    using wxTestingModalHook::wxTestingModalHook;
    void ReportFailure(const wxString& msg) override { ADD_FAILURE() << msg.utf8_string(); }

protected:
    int Enter(wxDialog* dlg) override {
        const int answer = wxTestingModalHook::Enter(dlg);
        return answer == wxID_NONE ? wxID_CANCEL : answer;
    }
};

class CelebrationTestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

namespace {

class NullHost : public IHost {
public:
    int Rand() override { return m_random.Rand(); }
    TimeSecs Now() override { return 1'800'000'000; }
    void Beep() override {}
    int AskPlayerName(const std::string&, std::string&) override { return IDCANCEL; }

private:
    CRuntimeRandom m_random;
};

class MemorySettings : public ISettings {
public:
    int GetInt(const char*, const char*, int def) override { return def; }
    std::string GetString(const char*, const char*, const char* def) override { return def; }
    void WriteString(const char*, const char*, const std::string&) override {}
};

void PumpEvents(int millis) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (std::chrono::steady_clock::now() < end) {
        if (loop != nullptr) {
            while (loop->Pending())
                loop->Dispatch();
        }
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

// Readable failures: colours print as RGB.
void PrintTo(const wxColour& c, std::ostream* os) {
    *os << "RGB(" << int(c.Red()) << ", " << int(c.Green()) << ", " << int(c.Blue()) << ")";
}

namespace {

wxColour Pixel(const wxImage& image, int x, int y) {
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

// The closing question: answers with id, keeps the text and style, and runs
// during() while the box is "open" (as its own loop would run timers).
class ExpectQuestion : public wxExpectModal<wxMessageDialog> {
public:
    struct Seen {
        std::string text;
        long style = 0;
        int shown = 0;
    };
    ExpectQuestion(int id, std::shared_ptr<Seen> seen, std::function<void()> during = {})
        : wxExpectModal<wxMessageDialog>(id), m_seen(std::move(seen)), m_during(std::move(during)) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override {
        m_seen->text = dlg->GetMessage().utf8_string();
        m_seen->style = dlg->GetMessageDialogStyle();
        ++m_seen->shown;
        if (m_during)
            m_during();
        return wxExpectModal<wxMessageDialog>::OnInvoked(dlg);
    }

private:
    std::shared_ptr<Seen> m_seen;
    std::function<void()> m_during;
};

class ClearAnimWndTest : public testing::Test {
protected:
    void SetUp() override {
        m_doc = std::make_unique<CTolvane32Doc>(m_host, m_settings, g_cardImages);
        m_frame = new wxFrame(nullptr, wxID_ANY, "celebration", wxPoint(4, 4), wxSize(640, 512));
        m_view = new CTolvane32View(m_frame, m_doc.get());
        m_doc->SetView(m_view);
        m_frame->Show();
        PumpEvents(200);

        BYTE codes[52];
        g_cardImages.CopyOrdinaryCodes(codes);
        m_doc->Deal(codes);
        // A cleared triangle, 42 seconds after the deal.
        for (CCard& card : m_doc->m_aTriangle)
            card.Clear();
        m_doc->m_timeDeal = 1000;
        m_doc->m_timeLastClick = 1042;
        m_doc->m_bCleared = true;
    }

    void TearDown() override {
        m_frame->Destroy();
        PumpEvents(50);
    }

    // Both jokers still in the stock or waste: none; one: 1000 when no
    // turn-back was used; turn-backs divide the base by ten each.
    void SetBonus(int recycles, int jokers) {
        m_doc->m_nRecycle = recycles;
        for (CCard* pile : {m_doc->m_aStock, m_doc->m_aWaste})
            for (int i = 0; i < PILE_SLOTS; ++i)
                if (pile[i].IsJoker())
                    pile[i].SetCode(0x01);
        for (int j = 0; j < jokers; ++j)
            m_doc->m_aStock[j].SetCode(static_cast<BYTE>(CARD_JOKER1 + j));
    }

    CClearAnimWnd* Start() {
        m_view->StartCelebration();
        CClearAnimWnd* wnd = m_view->GetCelebrationWindow();
        PumpEvents(30);
        return wnd;
    }

    void PressOn(CClearAnimWnd* wnd) {
        wxMouseEvent press(wxEVT_LEFT_DOWN);
        press.SetEventObject(wnd);
        wnd->ProcessWindowEvent(press);
    }

    bool TriangleDealt() const { return !m_doc->m_aTriangle[0].IsEmpty(); }

    NullHost m_host;
    MemorySettings m_settings;
    std::unique_ptr<CTolvane32Doc> m_doc;
    wxFrame* m_frame = nullptr;
    CTolvane32View* m_view = nullptr;
};

TEST_F(ClearAnimWndTest, CoversTheTableAndRecordStripOnPlainCloth) {
    SetBonus(3, 0);
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    const wxSize view = m_view->GetClientSize();
    EXPECT_EQ(wnd->GetPosition(), wxPoint(0, 0));
    EXPECT_EQ(wnd->GetClientSize(), wxSize(view.x, view.y - m_view->StripHeight()));
    EXPECT_TRUE(wnd->IsShownOnScreen());
    EXPECT_TRUE(wnd->HasCapture());
    EXPECT_EQ(wnd->TimerID(), 1u);

    const wxImage cloth = wnd->Cloth().ConvertToImage();
    EXPECT_EQ(cloth.GetSize(), wnd->GetClientSize());
    bool plain = true;
    for (int y = 0; y < cloth.GetHeight(); y += 7)
        for (int x = 0; x < cloth.GetWidth(); x += 7)
            plain = plain && Pixel(cloth, x, y) == wxColour(0, 127, 1);
    EXPECT_TRUE(plain);
}

TEST_F(ClearAnimWndTest, EachTickAddsOneCutCornerCardBackToTheTrail) {
    SetBonus(3, 0);  // bonus 0: the border tour
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    wnd->PlayFrame();
    wnd->PlayFrame();
    wnd->PlayFrame();
    ASSERT_EQ(wnd->Motion().Card(), (CPoint{38, 0}));

    const wxBitmap* back = Pictures().Get(g_cardImages.CurrentBackImage());
    ASSERT_NE(back, nullptr);
    const wxImage face = back->ConvertToImage();
    const wxImage trail = wnd->Cloth().ConvertToImage();
    const wxColour cloth(0, 127, 1);
    // The last card lies on top of the two before it.
    for (const auto& [x, y] : {std::pair{40, 50}, std::pair{10, 3}, std::pair{70, 100}})
        EXPECT_EQ(Pixel(trail, 38 + x, y), Pixel(face, x, y)) << x << "," << y;
    // The first card's cut top-left corner shows the cloth; its body the back.
    EXPECT_EQ(Pixel(trail, 0, 0), cloth);
    EXPECT_EQ(Pixel(trail, 2, 50), Pixel(face, 2, 50));
    // Beyond the trail and below it: cloth.
    EXPECT_EQ(Pixel(trail, 38 + 77 + 2, 50), cloth);
    EXPECT_EQ(Pixel(trail, 50, 110), cloth);

    // The screen shows what the trail holds (the timer may have added a
    // card meanwhile, so the trail is read again).
    PumpEvents(60);
    wxBitmap shot(wnd->GetClientSize(), 24);
    {
        wxMemoryDC mem(shot);
        wxClientDC client(wnd);
        mem.Blit(0, 0, shot.GetWidth(), shot.GetHeight(), &client, 0, 0);
    }
    const wxImage screen = shot.ConvertToImage();
    const wxImage now = wnd->Cloth().ConvertToImage();
    EXPECT_EQ(Pixel(screen, 78, 50), Pixel(now, 78, 50));
    EXPECT_EQ(Pixel(screen, 20, 60), Pixel(now, 20, 60));
    EXPECT_EQ(Pixel(screen, 0, 0), cloth);
    EXPECT_EQ(Pixel(screen, 300, 200), cloth);
}

TEST_F(ClearAnimWndTest, TimerTicksTenTimesASecond) {
    SetBonus(3, 0);  // the border tour: one quarter card along the top per tick
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(wnd->Motion().IsFirstFrame());
    PumpEvents(1050);
    // About ten ticks; the first draws the card at the start.
    const int ticks = wnd->Motion().Card().x / 19 + 1;
    EXPECT_EQ(wnd->Motion().Card().y, 0);
    EXPECT_GE(ticks, 7);
    EXPECT_LE(ticks, 11);
}

TEST_F(ClearAnimWndTest, OkStopsAsksWithTheClearTimeAndDealsAfterClosing) {
    SetBonus(3, 0);
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    wxWeakRef<CClearAnimWnd> alive(wnd);
    auto seen = std::make_shared<ExpectQuestion::Seen>();
    bool dealtWhileAsking = true;
    wxTEST_DIALOG(PressOn(wnd), ExpectQuestion(wxID_OK, seen, [&] { dealtWhileAsking = TriangleDealt(); }));

    EXPECT_EQ(seen->text, FormatResString(IDS_CLEAR_NO_BONUS, 42));
    EXPECT_TRUE(seen->style & wxOK);
    EXPECT_TRUE(seen->style & wxCANCEL);
    EXPECT_TRUE(seen->style & wxICON_INFORMATION);
    EXPECT_FALSE(dealtWhileAsking);
    // Gone at once; the deal was posted, not run.
    EXPECT_FALSE(alive);
    EXPECT_EQ(m_view->GetCelebrationWindow(), nullptr);
    EXPECT_EQ(wxWindow::GetCapture(), nullptr);
    EXPECT_FALSE(TriangleDealt());
    PumpEvents(100);
    EXPECT_TRUE(TriangleDealt());
}

TEST_F(ClearAnimWndTest, CancelShowsTheBonusAndLeavesNoDeal) {
    SetBonus(0, 1);  // 1000: the bounce
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    ASSERT_EQ(m_doc->GetBonus(), 1000);
    wxWeakRef<CClearAnimWnd> alive(wnd);
    auto seen = std::make_shared<ExpectQuestion::Seen>();
    wxTEST_DIALOG(PressOn(wnd), ExpectQuestion(wxID_CANCEL, seen));

    EXPECT_EQ(seen->text, FormatResString(IDS_CLEAR_BONUS, 1000, 42));
    EXPECT_FALSE(alive);
    EXPECT_EQ(m_view->GetCelebrationWindow(), nullptr);
    PumpEvents(200);
    EXPECT_FALSE(TriangleDealt());
}

TEST_F(ClearAnimWndTest, TickGoesOnBehindTheQuestionAndStopsAfterIt) {
    SetBonus(0, 0);
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    wnd->PlayFrame();
    CPoint before, during;
    auto seen = std::make_shared<ExpectQuestion::Seen>();
    wxTEST_DIALOG(PressOn(wnd), ExpectQuestion(wxID_CANCEL, seen, [&] {
                      before = wnd->Motion().Card();
                      PumpEvents(350);
                      during = wnd->Motion().Card();
                  }));
    EXPECT_EQ(seen->shown, 1);
    EXPECT_FALSE(before == during);
    // Later timer events must find nothing to draw on.
    PumpEvents(300);
}

TEST_F(ClearAnimWndTest, PressOnTheScoreStripEndsTheCelebration) {
    SetBonus(3, 0);
    CClearAnimWnd* wnd = Start();
    ASSERT_NE(wnd, nullptr);
    wxWeakRef<CClearAnimWnd> alive(wnd);
    const wxSize view = m_view->GetClientSize();
    const wxPoint strip = m_view->ClientToScreen(wxPoint(view.x / 2, view.y - m_view->StripHeight() / 2));
    ASSERT_FALSE(wnd->GetScreenRect().Contains(strip));

    auto seen = std::make_shared<ExpectQuestion::Seen>();
    wxUIActionSimulator sim;
    wxTEST_DIALOG(
        {
            sim.MouseMove(strip);
            PumpEvents(100);
            sim.MouseClick();
            for (int i = 0; i < 40 && alive; ++i)
                PumpEvents(50);
        },
        ExpectQuestion(wxID_CANCEL, seen));
    EXPECT_EQ(seen->shown, 1);
    EXPECT_FALSE(alive);
}

TEST_F(ClearAnimWndTest, ANewCelebrationReplacesTheOld) {
    SetBonus(3, 0);
    CClearAnimWnd* first = Start();
    ASSERT_NE(first, nullptr);
    wxWeakRef<CClearAnimWnd> alive(first);
    CClearAnimWnd* second = Start();
    EXPECT_FALSE(alive);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->HasCapture());
    PumpEvents(250);
    EXPECT_FALSE(second->Motion().IsFirstFrame());
    // TearDown closes the frame with the celebration still running.
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(CelebrationTestApp);

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new CelebrationTestApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display for the GUI tests\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    delete wxLog::SetActiveTarget(new wxLogStderr);
    // A failed toolkit assertion (a window destroyed holding the mouse, a
    // capture released twice) fails the test instead of opening a dialog.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
        ADD_FAILURE() << "wx assertion " << cond.utf8_string() << " " << msg.utf8_string() << " at "
                      << file.utf8_string() << ":" << line << " in " << func.utf8_string();
    });
    Pictures().LoadAll();
    MemorySettings settings;
    g_cardImages.LoadImages(Pictures(), settings);

    int result = 0;
    {
        wxEventLoop loop;
        wxEventLoopActivator activate(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
