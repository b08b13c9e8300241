// Pairing rules, selection, kings, the joker notice, the stock and the waste.
#include "DocFixture.h"
#include "res/resource.h"

namespace {

class RulesTest : public DocFixture {
protected:
    void SetUp() override
    {
        MakeDoc();
        doc->DealCards();
        ClearTable();
        journal.clear();
        doc->m_nScore = 0;
    }
    // Positions of the bottom row (free) and one of the row above (covered by two of them).
    static constexpr int kBottomLeft = 24;  // index 21
    static constexpr int kBottomNext = 25;  // index 22
    static constexpr int kAboveBoth = 18;   // index 15, covered by indexes 21 and 22
};

TEST_F(RulesTest, PairsAddUpToThirteenOrUseAJoker)
{
    const CardCode queenOfClubs = 0x2C;
    EXPECT_TRUE(CTolvane32Doc::IsPair(CCard(0x01), CCard(queenOfClubs)));
    EXPECT_TRUE(CTolvane32Doc::IsPair(CCard(0x32), CCard(0x1B)));
    EXPECT_TRUE(CTolvane32Doc::IsPair(CCard(0x16), CCard(0x07)));
    EXPECT_FALSE(CTolvane32Doc::IsPair(CCard(0x16), CCard(0x06)));
    EXPECT_FALSE(CTolvane32Doc::IsPair(CCard(0x0D), CCard(0x3D)));
    EXPECT_TRUE(CTolvane32Doc::IsPair(CCard(0x80), CCard(0x0D)));
    EXPECT_TRUE(CTolvane32Doc::IsPair(CCard(0x05), CCard(0x81)));
}

TEST_F(RulesTest, CoveringFollowsTheRowsBelow)
{
    doc->m_aTriangle[15].SetCode(0x05);
    doc->m_aTriangle[21].SetCode(0x06);
    doc->m_aTriangle[22].SetCode(0x07);
    EXPECT_EQ(doc->GetPositionState(kAboveBoth), PS_COVERED);
    doc->m_aTriangle[21].Clear();
    EXPECT_EQ(doc->GetPositionState(kAboveBoth), PS_COVERED);
    doc->m_aTriangle[22].Clear();
    doc->m_aTriangle[21].SetCode(0x06);
    EXPECT_EQ(doc->GetPositionState(kAboveBoth), PS_COVERED);
    doc->m_aTriangle[21].Clear();
    EXPECT_EQ(doc->GetPositionState(kAboveBoth), PS_FREE);
    EXPECT_EQ(doc->GetPositionState(kBottomLeft), PS_EMPTY);
    doc->m_aTriangle[27].SetCode(0x01);
    EXPECT_EQ(doc->GetPositionState(30), PS_FREE);
    // The apex lies under indexes 1 and 2.
    doc->m_aTriangle[0].SetCode(0x01);
    doc->m_aTriangle[2].SetCode(0x02);
    EXPECT_EQ(doc->GetPositionState(3), PS_COVERED);
    EXPECT_EQ(doc->GetPositionState(0), PS_EMPTY);
    EXPECT_EQ(doc->GetPositionState(31), PS_EMPTY);
    SetStock({0x01});
    EXPECT_EQ(doc->GetPositionState(POS_STOCK), PS_FREE);
    EXPECT_EQ(doc->GetPositionState(POS_WASTE), PS_EMPTY);
}

TEST_F(RulesTest, SelectAndDeselectToggleTheHighlightOnly)
{
    doc->m_aTriangle[21].SetCode(0x05);
    doc->OnCardClick(kBottomLeft);
    EXPECT_EQ(doc->m_nSelPos, kBottomLeft);
    EXPECT_EQ(doc->m_cardSel.GetCode(), 0x05);
    doc->OnCardClick(kBottomLeft);
    EXPECT_EQ(doc->m_nSelPos, POS_NONE);
    EXPECT_TRUE(doc->m_cardSel.IsEmpty());
    EXPECT_EQ(journal, (fakes::Journal{Highlight(kBottomLeft), Highlight(kBottomLeft)}));
    EXPECT_EQ(doc->m_nScore, 0);
}

TEST_F(RulesTest, TwoTriangleCardsMakingThirteenPayFour)
{
    doc->m_aTriangle[21].SetCode(0x05);
    doc->m_aTriangle[22].SetCode(0x28);
    doc->OnCardClick(kBottomLeft);
    doc->OnCardClick(kBottomNext);
    EXPECT_TRUE(doc->m_aTriangle[21].IsEmpty());
    EXPECT_TRUE(doc->m_aTriangle[22].IsEmpty());
    EXPECT_EQ(doc->m_nScore, 4);
    EXPECT_EQ(doc->m_nSelPos, POS_NONE);
    // The clicked card falls first, then the one that was selected.
    EXPECT_EQ(journal, (fakes::Journal{Highlight(kBottomLeft), Fall(0x28, kBottomNext), Fall(0x05, kBottomLeft),
                                       "RefreshScoreLine"}));
}

TEST_F(RulesTest, AFailedPairWarnsAndKeepsTheSelection)
{
    doc->m_aTriangle[21].SetCode(0x05);
    doc->m_aTriangle[22].SetCode(0x27);
    doc->OnCardClick(kBottomLeft);
    doc->OnCardClick(kBottomNext);
    EXPECT_EQ(doc->m_nSelPos, kBottomLeft);
    EXPECT_FALSE(doc->m_aTriangle[22].IsEmpty());
    EXPECT_EQ(journal.back(), "ShowMessage 60007 64");
}

TEST_F(RulesTest, KingsGoAloneFromTheTriangleForPointsAndFromTheWasteForNone)
{
    doc->m_aTriangle[21].SetCode(0x1D);
    doc->OnCardClick(kBottomLeft);
    EXPECT_TRUE(doc->m_aTriangle[21].IsEmpty());
    EXPECT_EQ(doc->m_nScore, 2);
    EXPECT_EQ(journal, (fakes::Journal{Fall(0x1D, kBottomLeft), "RefreshScoreLine"}));

    journal.clear();
    SetWaste({0x03, 0x3D});
    doc->OnWasteClick();
    EXPECT_TRUE(doc->m_aWaste[1].IsEmpty());
    EXPECT_EQ(doc->m_aWaste[0].GetCode(), 0x03);
    EXPECT_EQ(doc->m_nScore, 2);
    EXPECT_EQ(journal, (fakes::Journal{Fall(0x3D, POS_WASTE), "RefreshScoreLine"}));
}

TEST_F(RulesTest, WasteAndTrianglePairPaysTwoWhicheverIsSelectedFirst)
{
    doc->m_aTriangle[21].SetCode(0x09);
    SetWaste({0x04});
    doc->OnWasteClick();
    doc->OnCardClick(kBottomLeft);
    EXPECT_EQ(doc->m_nScore, 2);
    EXPECT_EQ(doc->GetPositionState(POS_WASTE), PS_EMPTY);
    EXPECT_EQ(journal, (fakes::Journal{Highlight(POS_WASTE), Fall(0x09, kBottomLeft), Fall(0x04, POS_WASTE),
                                       "RefreshScoreLine"}));

    journal.clear();
    doc->m_aTriangle[22].SetCode(0x0A);
    SetWaste({0x33});
    doc->OnCardClick(kBottomNext);
    doc->OnWasteClick();
    EXPECT_EQ(doc->m_nScore, 4);
    EXPECT_EQ(journal, (fakes::Journal{Highlight(kBottomNext), Fall(0x33, POS_WASTE), Fall(0x0A, kBottomNext),
                                       "RefreshScoreLine"}));
}

TEST_F(RulesTest, AJokerOnTheWasteTakesAKingAlong)
{
    settings.values["MaxPoint/iMaxPoint"] = "10";  // no notice for a player with a best score
    MakeDoc();
    doc->DealCards();
    ClearTable();
    journal.clear();
    doc->m_nScore = 0;
    doc->m_aTriangle[21].SetCode(0x0D);
    SetWaste({0x80});
    doc->OnWasteClick();
    doc->OnCardClick(kBottomLeft);
    EXPECT_EQ(doc->m_nScore, 2);
    EXPECT_TRUE(doc->m_aTriangle[21].IsEmpty());
    EXPECT_EQ(doc->CountJokersLeft(), 0);
    EXPECT_EQ(journal, (fakes::Journal{Highlight(POS_WASTE), Fall(0x0D, kBottomLeft), Fall(0x80, POS_WASTE),
                                       "RefreshScoreLine"}));
}

TEST_F(RulesTest, JokerNoticeComesOnceInARunAndNoCancelsOnlyThatClick)
{
    SetWaste({0x81});
    view.answers = {IDNO};
    doc->OnWasteClick();
    EXPECT_EQ(doc->m_nSelPos, POS_NONE);
    EXPECT_EQ(journal, (fakes::Journal{"ShowMessage 60006 68"}));
    EXPECT_FALSE(doc->m_bJokerNotice);

    journal.clear();
    doc->OnWasteClick();
    EXPECT_EQ(doc->m_nSelPos, POS_WASTE);
    EXPECT_EQ(journal, (fakes::Journal{Highlight(POS_WASTE)}));

    // Even after a new deal the notice does not come again.
    doc->DealCards();
    ClearTable();
    journal.clear();
    SetWaste({0x80});
    doc->OnWasteClick();
    EXPECT_EQ(journal, (fakes::Journal{Highlight(POS_WASTE)}));
}

TEST_F(RulesTest, JokerNoticeYesGoesOnAndAppliesToTheWasteAsPartner)
{
    doc->m_aTriangle[21].SetCode(0x06);
    SetWaste({0x80});
    doc->OnCardClick(kBottomLeft);
    view.answers = {IDYES};
    doc->OnWasteClick();
    EXPECT_EQ(journal.at(1), "ShowMessage 60006 68");
    EXPECT_TRUE(doc->m_aTriangle[21].IsEmpty());
    EXPECT_EQ(doc->m_nScore, 2);
}

TEST_F(RulesTest, JokerNoticeNeverShownWithAStoredBestScore)
{
    doc->m_iMaxPoint = 5;
    SetWaste({0x81});
    doc->OnWasteClick();
    EXPECT_EQ(journal, (fakes::Journal{Highlight(POS_WASTE)}));
    EXPECT_TRUE(doc->m_bJokerNotice);
}

TEST_F(RulesTest, StockClickWithASelectionOnlyBeeps)
{
    doc->m_aTriangle[21].SetCode(0x05);
    SetStock({0x01, 0x02});
    doc->OnCardClick(kBottomLeft);
    journal.clear();
    doc->OnStockClick();
    EXPECT_EQ(journal, (fakes::Journal{"Beep"}));
    EXPECT_EQ(doc->m_aStock[1].GetCode(), 0x02);
    EXPECT_EQ(doc->m_nSelPos, kBottomLeft);
}

TEST_F(RulesTest, TurnBacksRepeatTheTurningOrderThreeTimes)
{
    doc->m_aTriangle[0].SetCode(0x01);  // not cleared
    SetStock({0x11, 0x12, 0x13});
    std::vector<int> firstPass;
    for (int i = 0; i < 3; ++i) {
        doc->OnStockClick();
        int top = -1;
        for (int s = 0; s < PILE_SLOTS; ++s)
            if (!doc->m_aWaste[s].IsEmpty())
                top = s;
        firstPass.push_back(doc->m_aWaste[top].GetCode());
    }
    EXPECT_EQ(firstPass, (std::vector<int>{0x13, 0x12, 0x11}));

    for (int recycle = 1; recycle <= 3; ++recycle) {
        journal.clear();
        doc->OnStockClick();  // the empty stock: turn back
        EXPECT_EQ(doc->m_nRecycle, recycle);
        EXPECT_EQ(journal, (fakes::Journal{"RefreshScoreLine"}));
        EXPECT_EQ(doc->GetPositionState(POS_WASTE), PS_EMPTY);
        EXPECT_FALSE(doc->CanUndo()) << "a turn-back leaves nothing to undo";
        std::vector<int> pass;
        for (int i = 0; i < 3; ++i) {
            doc->OnStockClick();
            for (int s = PILE_SLOTS - 1; s >= 0; --s) {
                if (!doc->m_aWaste[s].IsEmpty()) {
                    pass.push_back(doc->m_aWaste[s].GetCode());
                    break;
                }
            }
        }
        EXPECT_EQ(pass, firstPass) << "pass " << recycle;
    }
    // All turn-backs used: the empty stock no longer responds but still drops the undo record.
    journal.clear();
    EXPECT_TRUE(doc->CanUndo());
    doc->OnStockClick();
    EXPECT_EQ(doc->m_nRecycle, 3);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(doc->GetPositionState(POS_WASTE), PS_FREE);
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(RulesTest, NoTurnBackOnceTheTriangleIsCleared)
{
    SetWaste({0x11});
    doc->OnStockClick();
    EXPECT_EQ(doc->m_nRecycle, 0);
    EXPECT_EQ(doc->GetPositionState(POS_WASTE), PS_FREE);
}

TEST_F(RulesTest, ClicksOnEmptyPlacesChangeNothing)
{
    doc->OnWasteClick();
    doc->OnCardClick(kBottomLeft);
    doc->OnCardClick(99);
    EXPECT_TRUE(journal.empty());
    doc->m_aTriangle[21].SetCode(0x05);
    doc->OnCardClick(kBottomLeft);
    journal.clear();
    doc->OnWasteClick();  // a triangle card selected and the waste empty
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(doc->m_nSelPos, kBottomLeft);
}

}  // namespace
