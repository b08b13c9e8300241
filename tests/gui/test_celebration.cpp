// The celebration window with a host of the test's own: the question
// asked once, with or without a bonus figure, the tick going on behind it,
// the frames on screen, and the mouse let go however the window ends.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include <wx/frame.h>
#include <wx/weakref.h>

#include "GuiTest.h"
#include "celebration/ClearAnimWnd.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "tests/unit/Fakes.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

namespace {

using fakes::Journal;

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
    fakes::FakeSettings settings{journal};
};

TEST(CelebrationWindow, APressStopsTheTuneAsksOnceAndClosesWithTheAnswer)
{
    CelebrationHost host;
    host.pictures.LoadAll();
    host.images.LoadImages(host.pictures, host.settings);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "", wxPoint(4, 4), wxSize(640, 480));
    frame->Show();
    auto cloth = [](CClearAnimWnd* wnd) { return wnd->Cloth().ConvertToImage(); };
    auto press = [](CClearAnimWnd* wnd) { wxMouseEvent event(wxEVT_LEFT_DOWN); wnd->ProcessWindowEvent(event); };
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
        std::tie(host.bonus, host.answer, host.whileAsked) = std::tie(row.bonus, row.answer, row.whileAsked);
        host.journal.clear();
        wxWeakRef<CClearAnimWnd> wnd(new CClearAnimWnd(host));
        ASSERT_TRUE(wnd->Create(frame, wxRect(0, 0, 600, 400)));
        EXPECT_EQ(wxWindow::GetCapture(), wnd.get());
        // What the ticks draw reaches the screen, where the first cards lie.
        const wxImage plain = cloth(wnd);
        const wxRect corner(0, 0, 120, 140);
        EXPECT_TRUE(PumpUntil([&] { return !Same(cloth(wnd), plain); }));
        EXPECT_TRUE(PumpUntil([&] { return Same(OnScreen(wnd, corner), cloth(wnd).GetSubImage(corner)); }));
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
