// Records with nowhere to go: the settings file lies under a path that runs
// through a regular file, so no write can ever succeed. The chosen card back
// and a new fastest clear must still hold for the rest of the run, and
// nothing may tell the player about the failed writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <wx/image.h>

#include "RobustSupport.h"
#include "celebration/ClearAnimWnd.h"
#include "model/CardImageSet.h"
#include "res/resource.h"
#include "shell/MainFrame.h"
#include "shell/Settings.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

namespace {

bool Exists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

class UnwritableRecordsTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tolvane-robust-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_blocker = m_dir + "/blocker";
        std::ofstream(m_blocker) << "a file, not a folder\n";
        m_settings = std::make_unique<CProfileSettings>(m_blocker + "/config/tolvane32.ini");
        g_cardImages.LoadImages(Pictures(), *m_settings);
        m_program = std::make_unique<ProgramFixture>(*m_settings, 23);
        m_program->Command(ID_GAME_DEAL);
        m_program->RunQueued();
    }

    void TearDown() override
    {
        m_program.reset();
        // The image set must not keep pointing at settings that are gone.
        g_cardImages.LoadImages(CardSizedPictures(), s_spare);
        std::remove(m_blocker.c_str());
        rmdir(m_dir.c_str());
    }

    void ExpectNothingWritten()
    {
        struct stat st {};
        ASSERT_EQ(stat(m_blocker.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_size, 21);
    }

    // The colour at a point of the stock as the view renders it.
    wxColour StockPixel(int dx, int dy)
    {
        CRect stock;
        m_program->m_doc->GetPositionRect(POS_STOCK, &stock);
        return PixelAt(m_program->m_view->RenderedTable(), stock.left + dx, stock.top + dy);
    }

    static wxColour BackPixel(int back, int dx, int dy)
    {
        const wxBitmap* picture = Pictures().Get(g_cardImages.BackImage(back));
        return picture != nullptr ? PixelAt(*picture, dx, dy) : wxColour();
    }

    // Where the backs differ: the test compares there.
    static wxPoint DistinctPoint(int a, int b)
    {
        for (int y = 10; y < 100; y += 3)
            for (int x = 10; x < 70; x += 3)
                if (BackPixel(a, x, y) != BackPixel(b, x, y))
                    return {x, y};
        return {-1, -1};
    }

    static FakeSettings s_spare;
    std::string m_dir;
    std::string m_blocker;
    std::unique_ptr<CProfileSettings> m_settings;
    std::unique_ptr<ProgramFixture> m_program;
};

FakeSettings UnwritableRecordsTest::s_spare;

TEST_F(UnwritableRecordsTest, ChosenBackShowsForTheRestOfTheRun)
{
    ASSERT_EQ(g_cardImages.m_iCover, 0);
    const wxPoint at = DistinctPoint(0, 2);
    ASSERT_GE(at.x, 0);
    EXPECT_EQ(StockPixel(at.x, at.y), BackPixel(0, at.x, at.y));

    ScriptedAnswers answers;
    answers.m_nBackSteps = 2;
    m_program->Command(ID_GAME_CARDBACK);
    m_program->RunQueued();
    EXPECT_EQ(g_cardImages.m_iCover, 2);
    EXPECT_EQ(StockPixel(at.x, at.y), BackPixel(2, at.x, at.y));

    // A new deal, and the back is still the chosen one.
    m_program->Command(ID_GAME_DEAL);
    m_program->RunQueued();
    EXPECT_EQ(StockPixel(at.x, at.y), BackPixel(2, at.x, at.y));
    EXPECT_EQ(answers.m_nMessageBoxes, 0);
    ExpectNothingWritten();
}

TEST_F(UnwritableRecordsTest, FastestClearHoldsInMemory)
{
    ScriptedAnswers answers;
    answers.m_nNameAnswer = wxID_OK;
    answers.m_strTypedName = wxString::FromUTF8("名前");
    answers.m_nMessageAnswer = wxID_CANCEL;  // the celebration's question: no new deal
    CTolvane32Doc& doc = *m_program->m_doc;
    const CPoint apex = PlacePoint(POS_TRIANGLE_FIRST, 38, 10);

    auto clear = [&](int secondsAgo) {
        LeaveOnlyTheApex(doc, secondsAgo);
        m_program->m_view->InvalidateRect(nullptr);
        m_program->Press(apex.x, apex.y);
        m_program->RunQueued();
        ASSERT_NE(m_program->m_view->GetCelebrationWindow(), nullptr);
        m_program->Press(5, 5);  // ends the celebration
        PumpEvents(50);
        ASSERT_EQ(m_program->m_view->GetCelebrationWindow(), nullptr);
    };

    // No record yet: the first clear asks, and the record is kept.
    clear(100);
    EXPECT_EQ(answers.m_nNameDialogs, 1);
    EXPECT_NEAR(doc.m_lFastTimeSpan, 100, 2);
    EXPECT_EQ(doc.GetFastPlayer(), "名前");
    // A slower clear is no record: the one in memory still counts.
    clear(200);
    EXPECT_EQ(answers.m_nNameDialogs, 1);
    EXPECT_NEAR(doc.m_lFastTimeSpan, 100, 2);
    // A faster one is, and the name accepted before is offered.
    clear(50);
    EXPECT_EQ(answers.m_nNameDialogs, 2);
    EXPECT_EQ(answers.m_strOfferedName, wxString::FromUTF8("名前"));
    EXPECT_NEAR(doc.m_lFastTimeSpan, 50, 2);

    // The celebration asked once per clear; nothing else was said.
    EXPECT_EQ(answers.m_nMessageBoxes, 3);
    ExpectNothingWritten();
    EXPECT_FALSE(Exists(m_blocker + "/config"));
}

}  // namespace
