// The window squeezed to nothing and stretched far past the screen while a
// card falls, while the celebration runs, and before a clear: nothing may
// crash, hang or assert, the table is rendered for whatever size the view
// has, and the game goes on afterwards.
#include <gtest/gtest.h>

#include <memory>

#include <wx/app.h>

#include "RobustSupport.h"
#include "celebration/ClearAnimWnd.h"
#include "model/CardImageSet.h"
#include "res/resource.h"
#include "shell/MainFrame.h"
#include "view/Tolvane32View.h"

namespace {

const wxSize kSizes[] = {{1, 1}, {50, 50}, {2000, 1500}, {640, 512}};

class WindowSizeTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_program = std::make_unique<ProgramFixture>(m_settings, 11);
        m_program->Command(ID_GAME_DEAL);
        m_program->RunQueued();
    }
    void TearDown() override { m_program.reset(); }

    CTolvane32Doc& Doc() { return *m_program->m_doc; }
    CTolvane32View& View() { return *m_program->m_view; }

    void Resize(const wxSize& size)
    {
        m_program->m_frame->SetSize(size);
        PumpEvents(150);
        // The view fills the frame, and its picture has the view's size.
        EXPECT_EQ(View().GetSize(), m_program->m_frame->GetClientSize());
        const wxSize client = View().GetClientSize();
        if (client.x > 0 && client.y > 0) {
            EXPECT_EQ(View().RenderedTable().GetSize(), client);
        }
    }

    void PressApex()
    {
        const CPoint apex = PlacePoint(POS_TRIANGLE_FIRST, 38, 10);
        m_program->Press(apex.x, apex.y);
        m_program->RunQueued();
    }

    // Ends the celebration with OK and checks that the next deal came.
    void CloseCelebrationWithNewDeal(ScriptedAnswers& answers)
    {
        CClearAnimWnd* wnd = View().GetCelebrationWindow();
        ASSERT_NE(wnd, nullptr);
        const int boxes = answers.m_nMessageBoxes;
        answers.m_nMessageAnswer = wxID_OK;
        m_program->Press(5, 5);
        PumpEvents(100);
        EXPECT_EQ(answers.m_nMessageBoxes, boxes + 1);
        EXPECT_EQ(View().GetCelebrationWindow(), nullptr);
        for (const CCard& card : Doc().m_aTriangle)
            EXPECT_FALSE(card.IsEmpty());
        EXPECT_FALSE(Doc().m_bCleared);
    }

    FakeSettings m_settings;
    std::unique_ptr<ProgramFixture> m_program;
};

TEST_F(WindowSizeTest, CelebrationGoesOnWhileTheWindowIsSqueezedAndStretched)
{
    ScriptedAnswers answers;
    LeaveOnlyTheApex(Doc(), 30);
    View().InvalidateRect(nullptr);
    PressApex();
    CClearAnimWnd* wnd = View().GetCelebrationWindow();
    ASSERT_NE(wnd, nullptr);
    PumpEvents(250);
    const wxRect area = wnd->GetRect();

    for (const wxSize& size : kSizes) {
        Resize(size);
        ASSERT_EQ(View().GetCelebrationWindow(), wnd) << size.x << "x" << size.y;
        // Still ticking, still over the area it was opened on.
        EXPECT_EQ(wnd->TimerID(), 1u);
        EXPECT_EQ(wnd->GetRect(), area);
        EXPECT_EQ(wnd->Cloth().GetSize(), area.GetSize());
    }
    EXPECT_NE(wnd->Motion().Pattern(), AnimPattern::None);
    CloseCelebrationWithNewDeal(answers);
}

TEST_F(WindowSizeTest, ClearInAWindowTooSmallToShowIt)
{
    ScriptedAnswers answers;
    Resize({1, 1});
    LeaveOnlyTheApex(Doc(), 30);
    View().InvalidateRect(nullptr);
    PressApex();
    CClearAnimWnd* wnd = View().GetCelebrationWindow();
    ASSERT_NE(wnd, nullptr);
    // The motion in a window with no room must neither hang nor divide by zero.
    PumpEvents(350);
    Resize({2000, 1500});
    PumpEvents(250);
    ASSERT_EQ(View().GetCelebrationWindow(), wnd);
    Resize({640, 512});
    CloseCelebrationWithNewDeal(answers);
}

TEST_F(WindowSizeTest, CardFallsWhileTheWindowChangesSize)
{
    ScriptedAnswers answers;
    LeaveOnlyTheApex(Doc(), 30);
    View().InvalidateRect(nullptr);
    // Every few frames of the fall the window takes the next size.
    int frames = 0;
    std::size_t next = 0;
    View().SetFallFrameMillis(1);
    View().SetFallFrameObserver([&](const CRect&) {
        if (++frames % 4 == 0 && next < std::size(kSizes)) {
            m_program->m_frame->SetSize(kSizes[next++]);
            PumpEvents(30);
        }
    });
    PressApex();
    View().SetFallFrameObserver(nullptr);
    EXPECT_GT(frames, 0);
    // The card has gone and the clear came as usual.
    EXPECT_TRUE(Doc().m_aTriangle[0].IsEmpty());
    EXPECT_TRUE(Doc().m_bCleared);
    Resize({640, 512});
    CloseCelebrationWithNewDeal(answers);
}

}  // namespace
