// The undo record, row by row, and what Undo puts back.
#include "DocFixture.h"

namespace {

class UndoTest : public DocFixture {
protected:
    void SetUp() override
    {
        MakeDoc();
        doc->DealCards();
        ClearTable();
        doc->m_aTriangle[0].SetCode(0x01);  // never cleared in these tests
        doc->m_nScore = 0;
        journal.clear();
    }
    void ExpectRecord(int pos0, CardCode card0, int pos1, CardCode card1)
    {
        EXPECT_EQ(doc->m_anUndoPos[0], pos0);
        EXPECT_EQ(doc->m_aUndoCard[0].GetCode(), card0);
        EXPECT_EQ(doc->m_anUndoPos[1], pos1);
        EXPECT_EQ(doc->m_aUndoCard[1].GetCode(), card1);
    }
};

TEST_F(UndoTest, PairOfTwoTriangleCards)
{
    doc->m_aTriangle[21].SetCode(0x04);
    doc->m_aTriangle[27].SetCode(0x09);
    doc->OnCardClick(24);
    doc->OnCardClick(30);
    ExpectRecord(24, 0x04, 30, 0x09);
    EXPECT_TRUE(doc->CanUndo());
    doc->Undo();
    EXPECT_EQ(doc->m_aTriangle[21].GetCode(), 0x04);
    EXPECT_EQ(doc->m_aTriangle[27].GetCode(), 0x09);
    EXPECT_EQ(doc->m_nScore, 0);
    ExpectRecord(0, 0, 0, 0);
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(UndoTest, PairOfWasteAndTriangleCard)
{
    doc->m_aTriangle[21].SetCode(0x04);
    SetWaste({0x02, 0x19});
    doc->OnWasteClick();
    doc->OnCardClick(24);
    ExpectRecord(POS_WASTE, 0x19, 24, 0x04);
    EXPECT_EQ(doc->m_nScore, 2);
    doc->Undo();
    EXPECT_EQ(doc->m_aWaste[1].GetCode(), 0x19);
    EXPECT_EQ(doc->m_aTriangle[21].GetCode(), 0x04);
    EXPECT_EQ(doc->m_nScore, 0);
}

TEST_F(UndoTest, KingsAlone)
{
    SetWaste({0x2D});
    doc->OnWasteClick();
    ExpectRecord(POS_WASTE, 0x2D, 0, 0);
    doc->Undo();
    EXPECT_EQ(doc->m_aWaste[0].GetCode(), 0x2D);
    EXPECT_EQ(doc->m_nScore, 0);

    doc->m_aTriangle[25].SetCode(0x3D);
    doc->OnCardClick(28);
    ExpectRecord(28, 0x3D, 0, 0);
    EXPECT_EQ(doc->m_nScore, 2);
    doc->Undo();
    EXPECT_EQ(doc->m_aTriangle[25].GetCode(), 0x3D);
    EXPECT_EQ(doc->m_nScore, 0);
}

TEST_F(UndoTest, StockTurnPutsTheCardBack)
{
    SetStock({0x11, 0x12});
    doc->OnStockClick();
    ExpectRecord(POS_STOCK, 0x12, 0, 0);
    EXPECT_TRUE(doc->CanUndo());
    doc->Undo();
    EXPECT_EQ(doc->m_aStock[1].GetCode(), 0x12);
    EXPECT_EQ(doc->GetPositionState(POS_WASTE), PS_EMPTY);
    EXPECT_EQ(doc->m_nScore, 0);
}

TEST_F(UndoTest, EmptyStockClickRecycleAndDealDropTheRecord)
{
    SetWaste({0x11});
    doc->m_aTriangle[21].SetCode(0x3D);
    doc->OnCardClick(24);
    ASSERT_TRUE(doc->CanUndo());
    doc->OnStockClick();  // recycle
    ExpectRecord(0, 0, 0, 0);

    doc->m_aTriangle[22].SetCode(0x2D);
    doc->OnCardClick(25);
    ASSERT_TRUE(doc->CanUndo());
    doc->DealCards();
    ExpectRecord(0, 0, 0, 0);
}

TEST_F(UndoTest, SelectionDisablesButKeepsTheRecord)
{
    doc->m_aTriangle[21].SetCode(0x3D);
    doc->m_aTriangle[22].SetCode(0x05);
    doc->OnCardClick(24);
    doc->OnCardClick(25);
    EXPECT_FALSE(doc->CanUndo());
    ExpectRecord(24, 0x3D, 0, 0);
    doc->m_aTriangle[23].SetCode(0x07);
    doc->OnCardClick(26);  // a failed pair keeps it too
    ExpectRecord(24, 0x3D, 0, 0);
    doc->OnCardClick(25);
    EXPECT_TRUE(doc->CanUndo());
    doc->Undo();
    EXPECT_EQ(doc->m_aTriangle[21].GetCode(), 0x3D);
}

TEST_F(UndoTest, JokerNoticeAnsweredNoKeepsTheRecord)
{
    doc->m_aTriangle[21].SetCode(0x3D);
    doc->OnCardClick(24);
    SetWaste({0x80});
    view.answers = {IDNO};
    doc->OnWasteClick();
    ExpectRecord(24, 0x3D, 0, 0);
}

TEST_F(UndoTest, UndoWithAnEmptyRecordChangesNothing)
{
    SetStock({0x01});
    SetWaste({0x02});
    doc->Undo();
    EXPECT_EQ(doc->m_aStock[0].GetCode(), 0x01);
    EXPECT_EQ(doc->m_aWaste[0].GetCode(), 0x02);
    EXPECT_EQ(doc->m_nScore, 0);
}

TEST_F(UndoTest, UndoLeavesTurnBacksAndFlagsAlone)
{
    doc->m_nRecycle = 2;
    doc->m_bLossNotified = true;
    doc->m_aTriangle[21].SetCode(0x3D);
    doc->OnCardClick(24);
    doc->Undo();
    EXPECT_EQ(doc->m_nRecycle, 2);
    EXPECT_TRUE(doc->m_bLossNotified);
}

}  // namespace
