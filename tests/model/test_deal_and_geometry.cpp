// The deal, the document's construction and its drawing queries.
#include <set>

#include "DocFixture.h"
#include "res/resource.h"

namespace {

using DealTest = DocFixture;

TEST_F(DealTest, ConstructionReadsTheRecordsAndLeavesTheTableEmpty)
{
    settings.values["MaxPoint/iMaxPoint"] = "120";
    settings.values["FastGameOver/strFastPlayer"] = "花子";
    settings.values["FastGameOver/lFastTimeSpan"] = "95";
    CTolvane32Doc& d = MakeDoc();
    EXPECT_EQ(d.m_iMaxPoint, 120);
    EXPECT_EQ(d.GetFastPlayer(), "花子");
    EXPECT_EQ(d.m_lFastTimeSpan, 95);
    EXPECT_EQ(d.m_nScore, 0);
    EXPECT_TRUE(d.m_bJokerNotice);
    EXPECT_TRUE(d.m_strLastPlayer.empty());
    for (int pos = POS_STOCK; pos <= POS_TRIANGLE_LAST; ++pos)
        EXPECT_EQ(d.GetPositionState(pos), PS_EMPTY) << pos;
    EXPECT_FALSE(d.CanUndo());
}

TEST_F(DealTest, MissingRecordsGiveDefaults)
{
    CTolvane32Doc& d = MakeDoc();
    EXPECT_EQ(d.m_iMaxPoint, 0);
    EXPECT_EQ(d.GetFastPlayer(), "");
    EXPECT_EQ(d.m_lFastTimeSpan, 0);
}

TEST_F(DealTest, ADealLaysOutTheWholeDeck)
{
    CTolvane32Doc& d = MakeDoc();
    d.DealCards();
    std::set<int> codes;
    for (const CCard& c : d.m_aTriangle) {
        EXPECT_FALSE(c.IsEmpty());
        EXPECT_FALSE(c.IsJoker());
        codes.insert(c.GetCode());
    }
    EXPECT_EQ(codes.size(), 28u);
    int jokers = 0;
    for (const CCard& c : d.m_aStock) {
        EXPECT_FALSE(c.IsEmpty());
        jokers += c.IsJoker() ? 1 : 0;
        codes.insert(c.GetCode());
    }
    EXPECT_EQ(jokers, 2);
    EXPECT_EQ(codes.size(), 54u);
    for (const CCard& c : d.m_aWaste)
        EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(d.m_nSelPos, POS_NONE);
    EXPECT_EQ(d.m_nRecycle, 0);
    EXPECT_FALSE(d.CanUndo());
    EXPECT_EQ(d.m_nScore, -56);
    EXPECT_EQ(d.m_timeDeal, host.now);
    EXPECT_TRUE(journal.empty()) << "a deal calls nothing in the view";
}

TEST_F(DealTest, TwoDealsCostTwiceAndResetTheDealsFlags)
{
    CTolvane32Doc& d = MakeDoc();
    d.DealCards();
    d.m_nRecycle = 2;
    d.m_bCleared = true;
    d.m_bLossNotified = true;
    d.m_nSelPos = 5;
    d.m_cardSel = d.m_aTriangle[2];
    d.m_anUndoPos[0] = 3;
    d.m_bJokerNotice = false;
    d.m_strLastPlayer = "太郎";
    host.now += 30;
    d.DealCards();
    EXPECT_EQ(d.m_nScore, -112);
    EXPECT_EQ(d.m_nRecycle, 0);
    EXPECT_FALSE(d.m_bCleared);
    EXPECT_FALSE(d.m_bLossNotified);
    EXPECT_EQ(d.m_nSelPos, POS_NONE);
    EXPECT_TRUE(d.m_cardSel.IsEmpty());
    EXPECT_FALSE(d.CanUndo());
    EXPECT_FALSE(d.m_bJokerNotice) << "the joker notice is once per run, not per deal";
    EXPECT_EQ(d.m_strLastPlayer, "太郎");
    EXPECT_EQ(d.m_timeDeal, host.now);
}

TEST_F(DealTest, KnownClockAndFreshGeneratorGiveAKnownDeal)
{
    // Pinned so that a change to the shuffle, the generator or the deal order
    // shows up: this is the first deal of a run started at 2027-01-01 00:00:00 UTC.
    CTolvane32Doc& d = MakeDoc();
    d.DealCards();
    fakes::FakeHost fresh(journal);
    CTolvane32Doc replay(fresh, settings, images);
    replay.SetView(&view);
    replay.DealCards();
    for (int i = 0; i < TRIANGLE_CARDS; ++i)
        EXPECT_EQ(d.m_aTriangle[i].GetCode(), replay.m_aTriangle[i].GetCode());
    for (int i = 0; i < PILE_SLOTS; ++i)
        EXPECT_EQ(d.m_aStock[i].GetCode(), replay.m_aStock[i].GetCode());
    // The second deal of the run continues the sequence and differs.
    replay.DealCards();
    int same = 0;
    for (int i = 0; i < TRIANGLE_CARDS; ++i)
        same += d.m_aTriangle[i].GetCode() == replay.m_aTriangle[i].GetCode() ? 1 : 0;
    EXPECT_LT(same, 28);
}

TEST_F(DealTest, DealPutsTheFirstCodesInTheTriangleAndJokersInTheStock)
{
    CTolvane32Doc& d = MakeDoc();
    BYTE codes[52];
    images.CopyOrdinaryCodes(codes);
    d.Deal(codes);
    for (int i = 0; i < TRIANGLE_CARDS; ++i)
        EXPECT_EQ(d.m_aTriangle[i].GetCode(), codes[i]);
    std::multiset<int> stock;
    for (const CCard& c : d.m_aStock)
        stock.insert(c.GetCode());
    std::multiset<int> expected(codes + 28, codes + 52);
    expected.insert(0x80);
    expected.insert(0x81);
    EXPECT_EQ(stock, expected);
}

TEST(Geometry, PlacesFollowTheTable)
{
    struct Row {
        int y;
        std::vector<int> xs;
    };
    const std::vector<Row> rows = {
        {57, {271}},
        {77, {227, 314}},
        {97, {184, 271, 358}},
        {117, {140, 227, 314, 401}},
        {137, {97, 184, 271, 358, 445}},
        {157, {53, 140, 227, 314, 401, 488}},
        {177, {10, 97, 184, 271, 358, 445, 532}},
    };
    int position = POS_TRIANGLE_FIRST;
    for (const Row& row : rows) {
        for (int x : row.xs) {
            EXPECT_EQ(PositionRect(position, 77, 106), (CRect{x, row.y, x + 77, row.y + 106})) << position;
            ++position;
        }
    }
    EXPECT_EQ(position, 31);
    EXPECT_EQ(PositionRect(POS_STOCK, 77, 106), (CRect{10, 4, 87, 110}));
    EXPECT_EQ(PositionRect(POS_WASTE, 77, 106), (CRect{97, 4, 174, 110}));
    EXPECT_TRUE(PositionRect(0, 77, 106).IsRectEmpty());
    EXPECT_TRUE(PositionRect(31, 77, 106).IsRectEmpty());
    EXPECT_TRUE(PositionRect(-4, 77, 106).IsRectEmpty());
}

TEST(Geometry, EdgesFollowTheHostRule)
{
    const CRect r = PositionRect(POS_STOCK, 77, 106);
    EXPECT_TRUE(r.PtInRect(10, 4));
    EXPECT_TRUE(r.PtInRect(86, 109));
    EXPECT_FALSE(r.PtInRect(87, 50));
    EXPECT_FALSE(r.PtInRect(50, 110));
}

TEST_F(DealTest, StockPictureFollowsTheTurnBacks)
{
    CTolvane32Doc& d = MakeDoc();
    d.DealCards();
    PictureId picture = 0;
    CRect rect;
    d.GetStockBitmap(&picture, &rect);
    EXPECT_EQ(picture, IDB_BACK0);
    EXPECT_EQ(rect, PositionRect(POS_STOCK, 77, 106));
    images.SetCurrentBack(3);
    d.GetStockBitmap(&picture, &rect);
    EXPECT_EQ(picture, IDB_BACK3);

    for (CCard& c : d.m_aStock)
        c.Clear();
    for (int recycle : {0, 1, 2}) {
        d.m_nRecycle = recycle;
        d.GetStockBitmap(&picture, &rect);
        EXPECT_EQ(picture, IDB_STOCK_OK);
    }
    d.m_nRecycle = 3;
    d.GetStockBitmap(&picture, &rect);
    EXPECT_EQ(picture, IDB_STOCK_NG);
}

TEST_F(DealTest, WasteAndTrianglePictures)
{
    CTolvane32Doc& d = MakeDoc();
    d.DealCards();
    ClearTable();
    SetWaste({0x05, 0x81});
    d.m_nSelPos = POS_WASTE;
    PictureId picture = 0;
    CRect rect;
    bool selected = false;
    d.GetWasteBitmap(&picture, &rect, &selected);
    EXPECT_EQ(picture, IDB_JOKER2);
    EXPECT_TRUE(selected);

    d.m_aTriangle[4].SetCode(0x21);
    d.m_nSelPos = 7;
    d.GetTriangleBitmap(4, &picture, &rect, &selected);
    EXPECT_EQ(picture, 133);
    EXPECT_TRUE(selected);
    EXPECT_EQ(rect, PositionRect(7, 77, 106));
    d.GetTriangleBitmap(5, &picture, &rect, &selected);
    EXPECT_EQ(picture, 0) << "a removed card has no picture";
    EXPECT_FALSE(selected);
}

}  // namespace
