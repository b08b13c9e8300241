// The bonus, the end of a deal and the fastest-clear record.
#include "DocFixture.h"
#include "res/resource.h"

namespace {

class ScoringTest : public DocFixture {
protected:
    void SetUp() override { Prepare(); }
    void Prepare()
    {
        MakeDoc();
        doc->DealCards();
        ClearTable();
        journal.clear();
        doc->m_nScore = 0;
    }
    // The apex alone is left, a king: one click clears the deal.
    void LeaveTheApexKing() { doc->m_aTriangle[0].SetCode(0x0D); }
    void ClearWithClickAt(TimeSecs when)
    {
        doc->m_timeLastClick = when;
        doc->OnCardClick(POS_TRIANGLE_FIRST);
        doc->CheckGameOver();
    }
};

TEST_F(ScoringTest, BonusByTurnBacksAndJokersLeft)
{
    const int table[4][3] = {{2000, 1000, 500}, {200, 100, 50}, {20, 10, 5}, {0, 0, 0}};
    for (int recycles = 0; recycles <= 3; ++recycles) {
        for (int jokers = 2; jokers >= 0; --jokers) {
            ClearTable();
            doc->m_nRecycle = recycles;
            if (jokers >= 1)
                doc->m_aStock[0].SetCode(0x80);
            if (jokers == 2)
                doc->m_aWaste[3].SetCode(0x81);  // any slot of either pile counts
            EXPECT_EQ(doc->CountJokersLeft(), jokers);
            EXPECT_EQ(doc->GetBonus(), table[recycles][2 - jokers]) << recycles << " " << jokers;
        }
    }
}

TEST_F(ScoringTest, AClearPaysOnceInOrderAndStartsTheCelebration)
{
    settings.values["FastGameOver/lFastTimeSpan"] = "1";
    Prepare();
    LeaveTheApexKing();
    SetStock({0x80, 0x81});
    doc->m_timeDeal = 1000;
    ClearWithClickAt(1090);
    EXPECT_EQ(doc->m_nScore, 2 + 2000);
    EXPECT_TRUE(doc->m_bCleared);
    EXPECT_EQ(journal, (fakes::Journal{Fall(0x0D, 3), "RefreshScoreLine", "RefreshScoreLine", "StartCelebration"}));

    journal.clear();
    doc->CheckGameOver();
    doc->CheckGameOver();
    EXPECT_EQ(doc->m_nScore, 2002);
    EXPECT_TRUE(journal.empty());
}

TEST_F(ScoringTest, UndoAfterAClearAndClearingAgainPaysNothingMore)
{
    settings.values["FastGameOver/lFastTimeSpan"] = "1";
    Prepare();
    LeaveTheApexKing();
    ClearWithClickAt(doc->m_timeDeal + 5);
    EXPECT_EQ(doc->m_nScore, 502);
    doc->Undo();
    EXPECT_EQ(doc->m_nScore, 500) << "the bonus stays, the king's 2 points go";
    EXPECT_EQ(doc->m_aTriangle[0].GetCode(), 0x0D);
    journal.clear();
    ClearWithClickAt(doc->m_timeDeal + 6);
    EXPECT_EQ(doc->m_nScore, 502);
    EXPECT_EQ(journal, (fakes::Journal{Fall(0x0D, 3), "RefreshScoreLine"}));
}

TEST_F(ScoringTest, FirstClearWithoutARecordAsksAndWritesTimeThenName)
{
    LeaveTheApexKing();
    doc->m_timeDeal = 5000;
    host.nameAnswer = IDOK;
    host.typedName = "  \t山田 ";
    ClearWithClickAt(5095);
    EXPECT_EQ(journal, (fakes::Journal{Fall(0x0D, 3), "RefreshScoreLine", "RefreshScoreLine",
                                       "AskPlayerName 95 秒でゲームがクリアされました。 []",
                                       "Write FastGameOver/lFastTimeSpan=95",
                                       "Write FastGameOver/strFastPlayer=山田 ", "StartCelebration"}));
    EXPECT_EQ(doc->m_lFastTimeSpan, 95);
    EXPECT_EQ(doc->GetFastPlayer(), "山田 ");
    EXPECT_EQ(doc->m_strLastPlayer, "山田 ");
}

TEST_F(ScoringTest, RecordRuleIsStrictlyLess)
{
    doc->m_lFastTimeSpan = 60;
    doc->m_timeDeal = 100;
    host.nameAnswer = IDOK;
    host.typedName = "a";

    doc->m_timeLastClick = 160;  // a tie
    doc->RecordFastClear();
    EXPECT_TRUE(journal.empty());

    doc->m_timeLastClick = 159;
    doc->RecordFastClear();
    EXPECT_EQ(doc->m_lFastTimeSpan, 59);
    EXPECT_EQ(journal.size(), 3u);
}

TEST_F(ScoringTest, CancelKeepsTheOldRecordAndTheLastNameIsOfferedNext)
{
    doc->m_lFastTimeSpan = 60;
    doc->m_strFastPlayer = "old";
    doc->m_timeDeal = 0;
    doc->m_timeLastClick = 30;
    host.nameAnswer = IDCANCEL;
    doc->RecordFastClear();
    EXPECT_EQ(doc->m_lFastTimeSpan, 60);
    EXPECT_EQ(doc->GetFastPlayer(), "old");
    EXPECT_TRUE(settings.values.empty());

    host.nameAnswer = IDOK;
    host.typedName = "  first";
    doc->RecordFastClear();
    host.typedName = "second";
    doc->m_timeLastClick = 20;
    doc->RecordFastClear();
    EXPECT_EQ(host.offeredNames, (std::vector<std::string>{"", "", "first"}));
    EXPECT_EQ(settings.values["FastGameOver/strFastPlayer"], "second");
}

TEST_F(ScoringTest, AClockSetBackIsNoRecord)
{
    doc->m_lFastTimeSpan = 60;
    doc->m_timeDeal = 1000;
    doc->m_timeLastClick = 990;
    host.nameAnswer = IDOK;
    doc->RecordFastClear();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(doc->m_lFastTimeSpan, 60);
    doc->m_lFastTimeSpan = 0;
    doc->RecordFastClear();
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(settings.values.empty());
}

class LossTest : public ScoringTest {
protected:
    // Stock exhausted for good; two free cards in the bottom row that do not pair.
    void GetStuck()
    {
        doc->m_nRecycle = 3;
        doc->m_aTriangle[0].SetCode(0x01);
        doc->m_aTriangle[1].SetCode(0x02);
        doc->m_aTriangle[2].SetCode(0x03);
        // indexes 1 and 2 are row 1 and free: 2 + 3 do not make 13.
    }
};

TEST_F(LossTest, CancelDeclinesTheQuestionForTheRestOfTheDealEvenAfterUndo)
{
    GetStuck();
    view.answers = {IDCANCEL};
    doc->CheckGameOver();
    EXPECT_EQ(journal, (fakes::Journal{"ShowMessage 60014 65"}));
    EXPECT_TRUE(doc->m_bLossNotified);

    // Undo a waste king, take it again, get stuck again: no second question.
    SetWaste({0x1D});
    doc->OnWasteClick();
    doc->Undo();
    doc->OnWasteClick();
    journal.clear();
    doc->CheckGameOver();
    EXPECT_TRUE(journal.empty());

    // A new deal asks again.
    doc->DealCards();
    ClearTable();
    GetStuck();
    view.answers = {IDOK};
    doc->CheckGameOver();
    EXPECT_EQ(journal, (fakes::Journal{"ShowMessage 60014 65", "PostCommand 32771"}));
    EXPECT_FALSE(doc->m_bLossNotified);
}

TEST_F(LossTest, NoQuestionWhileAMoveIsLeft)
{
    GetStuck();
    SetWaste({0x0B});  // a jack on the waste pairs with the free 2
    doc->CheckGameOver();
    SetWaste({0x3D});  // a king goes alone
    doc->CheckGameOver();
    SetWaste({0x81});  // a joker pairs with anything
    doc->CheckGameOver();
    doc->m_aWaste[0].Clear();
    doc->m_nRecycle = 2;  // a turn-back is left
    doc->CheckGameOver();
    doc->m_nRecycle = 3;
    doc->m_aStock[0].SetCode(0x05);  // the stock still holds cards
    doc->CheckGameOver();
    EXPECT_TRUE(journal.empty());
}

TEST_F(LossTest, HasMoveLooksOnlyAtCardsInReach)
{
    GetStuck();
    EXPECT_FALSE(doc->HasMove());
    doc->m_aTriangle[0].SetCode(0x0D);  // a covered king does not count
    EXPECT_FALSE(doc->HasMove());
    doc->m_aTriangle[2].SetCode(0x0B);  // 2 + jack
    EXPECT_TRUE(doc->HasMove());
    doc->m_aTriangle[2].SetCode(0x3D);  // a free king
    EXPECT_TRUE(doc->HasMove());
}

}  // namespace
