// The game model through the doors the program uses: deals, clicks, undo,
// the end of a deal and the records, checked against the calls it makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>

#include "Fakes.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

using namespace fakes;

constexpr TimeSecs kClock = 1798761600;  // 2027-01-01 00:00:00 UTC: 384 exchanges a shuffle

// The first deal of a run at kClock, worked out by a short independent script
// from the generator's first values: the triangle row by row, then the stock
// in the order it is turned (top first).
constexpr BYTE kKnownTriangle[28] = {
    0x3B, 0x0C, 0x14, 0x18, 0x25, 0x03, 0x34, 0x0D, 0x17, 0x12, 0x06, 0x32, 0x16, 0x13,
    0x23, 0x39, 0x1C, 0x37, 0x24, 0x22, 0x33, 0x26, 0x09, 0x04, 0x05, 0x3A, 0x38, 0x21};
constexpr BYTE kKnownTurns[26] = {0x02, 0x1D, 0x19, 0x08, 0x01, 0x2C, 0x3D, 0x0B, 0x28, 0x2D, 0x80, 0x36, 0x81,
                                  0x07, 0x27, 0x0A, 0x35, 0x31, 0x29, 0x1A, 0x2A, 0x1B, 0x11, 0x15, 0x2B, 0x3C};

// A triangle that clears row by row from the bottom: kings alone, pairs side by side.
constexpr BYTE kClearable[28] = {0x0D, 0x01, 0x0C, 0x1D, 0x02, 0x0B, 0x03, 0x0A, 0x04, 0x09,
                                 0x2D, 0x05, 0x08, 0x06, 0x07, 0x11, 0x1C, 0x12, 0x1B, 0x13,
                                 0x1A, 0x3D, 0x14, 0x19, 0x15, 0x18, 0x16, 0x17};
constexpr const char* kClearLine = "21 22 23 24 25 26 27 15 16 17 18 19 20 10 11 12 13 14 6 7 8 9 3 4 5 1 2 0";
// Only aces, twos and a ten are free, and the last card of the stock is a nine: a lost deal.
constexpr BYTE kLosing[28] = {0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x03, 0x0B, 0x0C, 0x0D,
                              0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D,
                              0x13, 0x01, 0x02, 0x21, 0x11, 0x12, 0x22, 0x0A};
constexpr const char* kThreeRecycles = "s26 s s26 s s26 s s26";

struct Table {
    Journal journal;
    FakeHost host{journal};
    FakeSettings settings{journal};
    FakeView view{journal};
    FakePictures pictures;
    CCardImageSet images;
    std::unique_ptr<CTolvane32Doc> doc;

    explicit Table(const std::map<std::string, std::string>& stored = {})
    {
        settings.values = stored;
        images.LoadImages(pictures, settings);
        doc = std::make_unique<CTolvane32Doc>(host, settings, images);
        doc->SetView(&view);
    }
    // Deals the triangle as given, the rest of the deck (in deck order) to the
    // stock, shuffled from the generator's first values.
    void DealTriangle(const BYTE* triangle)
    {
        doc->DealCards();
        host.generator = CRuntimeRandom();
        BYTE codes[52];
        std::copy(triangle, triangle + 28, codes);
        BYTE deck[52];
        images.CopyOrdinaryCodes(deck);
        std::copy_if(deck, deck + 52, codes + 28, [&](BYTE c) { return std::find(triangle, triangle + 28, c) == triangle + 28; });
        doc->Deal(codes);
    }
    static CPoint PointOn(int position)
    {
        const CRect r = PositionRect(position, 77, 106);
        // The top strip of a card is never under the row below it.
        return CPoint{r.left + 38, r.top + 10};
    }
    // "s" stock, "sN" N stock clicks, "w" waste, "u" undo, a number a triangle
    // index; each press as the view makes it, followed by the end-of-deal check.
    void Play(const std::string& script)
    {
        std::istringstream in(script);
        std::string token;
        while (in >> token) {
            if (token == "u") {
                doc->Undo();
                continue;
            }
            const int times = token[0] == 's' && token.size() > 1 ? std::stoi(token.substr(1)) : 1;
            const int position = token[0] == 's' ? POS_STOCK : token == "w" ? POS_WASTE : std::stoi(token) + 3;
            for (int i = 0; i < times; ++i) {
                doc->OnLButtonDown(PointOn(position));
                doc->CheckGameOver();
            }
        }
    }
    std::string Since(std::size_t mark) const
    {
        std::string all;
        for (std::size_t i = mark; i < journal.size(); ++i)
            all += (all.empty() ? "" : "; ") + journal[i];
        return all;
    }
};

// "@N" in an expected journal stands for the rectangle of place N.
std::string Expand(std::string text)
{
    for (std::size_t at; (at = text.find('@')) != std::string::npos;) {
        std::size_t end = at + 1;
        while (end < text.size() && isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        text.replace(at, end - at, Describe(PositionRect(std::stoi(text.substr(at + 1, end - at - 1)), 77, 106)));
    }
    return text;
}

TEST(Deal, TheFirstDealAtAFixedClockIsKnown)
{
    Table t;
    t.doc->DealCards();
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(t.doc->GetCard(i + 3).GetCode(), kKnownTriangle[i]) << "triangle index " << i;
    EXPECT_EQ(t.doc->GetScore(), -56);  // the stock's turns: in Stock.TurnsBackInTheSameOrderThreeTimes
    // The generator goes on: the next deal differs, on a stock made whole.
    t.Play("s26");
    t.doc->DealCards();
    EXPECT_NE(t.doc->GetCard(3).GetCode(), kKnownTriangle[0]);
    EXPECT_EQ(t.doc->GetScore(), -112);
    EXPECT_EQ(t.doc->GetPileCount(POS_STOCK), 26);
    EXPECT_EQ(t.doc->GetPileCount(POS_WASTE), 0);
    // The twelfth deal turns a joker first, into the waste's bottom slot.
    for (int deal = 2; deal < 12; ++deal)
        t.doc->DealCards();
    t.doc->OnStockClick();
    EXPECT_TRUE(t.doc->GetCard(POS_WASTE).IsJoker());
    EXPECT_EQ(t.doc->CountJokersLeft(), 2);
}

TEST(Deal, ANewDealForgetsTheLastOne)
{
    Table t;
    t.DealTriangle(kClearable);
    t.Play(std::string(kThreeRecycles) + " s 21 22");
    ASSERT_EQ(t.doc->GetSelection(), 25);
    t.doc->DealCards();
    EXPECT_EQ(t.doc->GetSelection(), POS_NONE);
    EXPECT_EQ(t.doc->GetRecycleCount(), 0);
    EXPECT_FALSE(t.doc->CanUndo());
    EXPECT_EQ(t.doc->GetBonus(), 2000);
}

struct CountingHost : FakeHost {
    using FakeHost::FakeHost;
    int Rand() override { ++calls; return FakeHost::Rand(); }
    int calls = 0;
};

TEST(Deal, TheClockDecidesTheNumberOfExchanges)
{
    const struct { TimeSecs now; int exchanges; } rows[] = {
        {kClock, 384}, {0, 256}, {255, 511}, {-1, 255}, {0x100000005LL, 261}, {-256, 256}};
    for (const auto& row : rows) {
        Journal journal;
        CountingHost host(journal);
        host.now = row.now;
        BYTE one[1] = {0x2A};
        CCardImageSet::Shuffle(1, one, host);
        EXPECT_EQ(host.calls, row.exchanges) << row.now;
        EXPECT_EQ(one[0], 0x2A);
        CCardImageSet::Shuffle(0, one, host);  // nothing to shuffle: no draw, no division by zero
        EXPECT_EQ(host.calls, row.exchanges);
    }
}

TEST(Cards, RanksJokersAndPairs)
{
    const struct { BYTE a, b; int rankA; bool pair; } rows[] = {
        {0x01, 0x3C, 1, true},  {0x26, 0x17, 6, true},   {0x3D, 0x00, 13, true}, {0x05, 0x05, 5, false},
        {0x80, 0x05, 0, true},  {0x09, 0x81, 9, true},   {0x0D, 0x0D, 13, false}, {0x00, 0x0C, 0, false}};
    for (const auto& row : rows) {
        EXPECT_EQ(CCard(row.a).GetRank(), row.rankA) << int(row.a);
        EXPECT_EQ(CTolvane32Doc::IsPair(CCard(row.a), CCard(row.b)), row.pair) << int(row.a) << "+" << int(row.b);
    }
}

TEST(Pictures, EveryCodeHasItsOwnFace)
{
    Table t;
    const struct { BYTE code; PictureId face; } rows[] = {
        {0x01, 162}, {0x0D, 174}, {0x11, 149}, {0x1D, 161}, {0x21, 133}, {0x2D, 145}, {0x31, 179},
        {0x3D, 191}, {0x80, 175}, {0x81, 176}, {0x00, 0},   {0x0E, 0},   {0x40, 0},   {0x82, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(t.images.FaceImage(row.code), row.face) << int(row.code);
    BYTE deck[53];
    deck[52] = 0xEE;
    t.images.CopyOrdinaryCodes(deck);
    EXPECT_EQ(deck[0], 0x01);
    EXPECT_EQ(deck[13], 0x11);
    EXPECT_EQ(deck[51], 0x3D);
    EXPECT_EQ(deck[52], 0xEE);

    FakePictures noAce;
    noAce.missing = 162;
    CCardImageSet broken;
    broken.LoadImages(noAce, t.settings);
    EXPECT_EQ(broken.FaceImage(0x01), 0);
    EXPECT_EQ(broken.FaceImage(0x02), 163);
    EXPECT_EQ(broken.CardWidth(), 0);
    EXPECT_EQ(broken.CardHeight(), 0);
    FakePictures noBack;
    noBack.missing = 147;
    broken.LoadImages(noBack, t.settings);
    EXPECT_EQ(broken.BackImage(1), 0);
    EXPECT_EQ(broken.BackImage(2), 148);
}

TEST(Pictures, TheStoredBackAndItsChange)
{
    const struct { const char* stored; int back; PictureId picture; } rows[] = {
        {"0", 0, 146}, {"1", 1, 147}, {"3", 3, 197}, {"4", 0, 146}, {"-1", 0, 146}};
    for (const auto& row : rows) {
        Table t(std::map<std::string, std::string>{{"Customize/iCover", row.stored}});
        EXPECT_EQ(t.images.CurrentBack(), row.back) << row.stored;
        EXPECT_EQ(t.images.CurrentBackImage(), row.picture) << row.stored;
    }
    Table t;
    EXPECT_EQ(t.images.SetCurrentBack(4), -1);
    EXPECT_EQ(t.images.SetCurrentBack(-1), -1);
    EXPECT_EQ(t.images.SetCurrentBack(0), 0);
    EXPECT_EQ(t.images.SetCurrentBack(2), 0);
    EXPECT_EQ(t.images.CurrentBack(), 2);
    EXPECT_EQ(t.images.BackImage(3), 197);
    EXPECT_EQ(t.images.BackImage(4), 0);
    EXPECT_EQ(t.Since(0), "Write Customize/iCover=0; Write Customize/iCover=2");
}

TEST(Geometry, EveryPlaceHasItsRectangle)
{
    const struct { int position; CRect rect; } rows[] = {
        {1, {10, 4, 87, 110}},     {2, {97, 4, 174, 110}},    {3, {271, 57, 348, 163}},  {4, {227, 77, 304, 183}},
        {5, {314, 77, 391, 183}},  {6, {184, 97, 261, 203}},  {9, {140, 117, 217, 223}}, {12, {401, 117, 478, 223}},
        {13, {97, 137, 174, 243}}, {18, {53, 157, 130, 263}}, {23, {488, 157, 565, 263}}, {24, {10, 177, 87, 283}},
        {30, {532, 177, 609, 283}}, {0, {}},                  {31, {}},                  {-3, {}}};
    for (const auto& row : rows)
        EXPECT_EQ(Describe(PositionRect(row.position, 77, 106)), Describe(row.rect)) << row.position;
}

TEST(Geometry, StatesFollowTheCoveringCards)
{
    Table t;
    t.DealTriangle(kClearable);
    // Index 16 lies under 22 and 23; index 15 under 21 and 22.
    const struct { const char* script; int index; int state; } rows[] = {
        {"", 27, PS_FREE},        {"", 20, PS_COVERED},  {"22", 16, PS_COVERED}, {"23", 15, PS_COVERED},
        {"21", 22, PS_EMPTY},     {"", 16, PS_FREE},     {"", 15, PS_FREE},      {"", 0, PS_COVERED}};
    for (const auto& row : rows) {
        // "22" selects the four of diamonds, "23" pairs it with the nine.
        t.Play(row.script);
        EXPECT_EQ(t.doc->GetPositionState(row.index + 3), row.state) << row.script << " " << row.index;
    }
    EXPECT_EQ(t.doc->GetPositionState(POS_NONE), PS_EMPTY);
    EXPECT_EQ(t.doc->GetPositionState(31), PS_EMPTY);
    // Places outside the triangle are neither drawn, counted nor taken.
    const std::size_t mark = t.journal.size();
    PictureId picture = 5;
    for (int index : {-1, 28})
        t.doc->GetTriangleBitmap(index, &picture, nullptr, nullptr);
    for (int position : {POS_NONE, POS_WASTE, 31})
        t.doc->OnCardClick(position);
    EXPECT_EQ(picture, 5);
    EXPECT_EQ(t.Since(mark), "");
    EXPECT_EQ(t.doc->GetPileCount(3), 0);
    EXPECT_TRUE(t.doc->GetCard(31).IsEmpty());
    EXPECT_EQ(t.doc->GetPositionState(POS_WASTE), PS_EMPTY);
    t.Play("s");
    EXPECT_EQ(t.doc->GetPositionState(POS_WASTE), PS_FREE);
}

struct Script {
    const char* name;
    const BYTE* triangle;  // null: the first deal of the run
    const char* play;
    std::vector<int> answers;  // to the view's messages, in order
    const char* journal;       // after the deal
    int score;
    int selection;
    bool canUndo;
};
void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }

class Rules : public ::testing::TestWithParam<Script> {};

TEST_P(Rules, PlayAsTheTableShowsIt)
{
    const Script& s = GetParam();
    Table t;
    if (s.triangle != nullptr)
        t.DealTriangle(s.triangle);
    else
        t.doc->DealCards();
    t.view.answers.assign(s.answers.begin(), s.answers.end());
    const std::size_t mark = t.journal.size();
    t.Play(s.play);
    std::string expected = Expand(s.journal);
    for (const auto& [id, text] : {std::pair<std::string, int>{"NOT13", IDS_NOT_THIRTEEN}, {"JOKER", IDS_JOKER_NOTICE}}) {
        for (std::size_t at; (at = expected.find(id)) != std::string::npos;)
            expected.replace(at, id.size(), std::to_string(text));
    }
    EXPECT_EQ(t.Since(mark), expected);
    EXPECT_EQ(t.doc->GetScore(), s.score);
    EXPECT_EQ(t.doc->GetSelection(), s.selection);
    EXPECT_EQ(t.doc->CanUndo(), s.canUndo);
}

// The moves name triangle indices (0 the apex .. 27); the journal's "@N" and the
// selection name places (1 stock, 2 waste, 3 + index): "22 23" shows @25 and @26.
const Script kScripts[] = {
    {"SelectAndDeselect", nullptr, "22 22", {}, "ToggleHighlight @25; ToggleHighlight @25", -56, 0, false},
    {"PairInTheTriangle", nullptr, "22 23", {}, "ToggleHighlight @25; AnimateCardFall 4 @26; AnimateCardFall 9 @25; RefreshScoreLine", -52, 0, true},
    {"PairUndone", nullptr, "22 23 u 23", {}, "ToggleHighlight @25; AnimateCardFall 4 @26; AnimateCardFall 9 @25; RefreshScoreLine; ToggleHighlight @26", -56, 26, false},
    {"NotThirteen", nullptr, "22 24", {}, "ToggleHighlight @25; ShowMessage NOT13 64", -56, 25, false},
    {"CoveredCardBeeps", nullptr, "15", {}, "Beep", -56, 0, false},
    {"GapShowsTheCardAbove", nullptr, "22 23 22", {}, "ToggleHighlight @25; AnimateCardFall 4 @26; AnimateCardFall 9 @25; RefreshScoreLine; Beep", -52, 0, true},
    {"StockTurnIsQuiet", nullptr, "s s", {}, "", -56, 0, true},
    {"StockRefusedWhileSelected", nullptr, "22 s", {}, "ToggleHighlight @25; Beep", -56, 25, false},
    {"WasteKingGoesAlone", nullptr, "s s w", {}, "AnimateCardFall 29 @2; RefreshScoreLine", -56, 0, true},
    {"WasteKingUndone", nullptr, "s s w u w", {}, "AnimateCardFall 29 @2; RefreshScoreLine; AnimateCardFall 29 @2; RefreshScoreLine", -56, 0, true},
    {"WasteSelectAndDeselect", nullptr, "s w w", {}, "ToggleHighlight @2; ToggleHighlight @2", -56, 0, true},
    {"TriangleThenWaste", nullptr, "s3 23 w", {}, "ToggleHighlight @26; AnimateCardFall 25 @2; AnimateCardFall 4 @26; RefreshScoreLine", -54, 0, true},
    {"WasteThenTriangle", nullptr, "s3 w 23", {}, "ToggleHighlight @2; AnimateCardFall 4 @26; AnimateCardFall 25 @2; RefreshScoreLine", -54, 0, true},
    {"TriangleThenWasteUndone", nullptr, "s3 23 w u 23 w w", {}, "ToggleHighlight @26; AnimateCardFall 25 @2; AnimateCardFall 4 @26; RefreshScoreLine; ToggleHighlight @26; AnimateCardFall 25 @2; AnimateCardFall 4 @26; RefreshScoreLine; AnimateCardFall 29 @2; RefreshScoreLine", -54, 0, true},
    {"WastePairUndone", nullptr, "s3 w 23 u w", {}, "ToggleHighlight @2; AnimateCardFall 4 @26; AnimateCardFall 25 @2; RefreshScoreLine; ToggleHighlight @2", -56, 2, false},
    {"TriangleThenEmptyWaste", nullptr, "23 w", {}, "ToggleHighlight @26", -56, 26, false},
    {"WasteNotThirteen", nullptr, "s 23 w", {}, "ToggleHighlight @26; ShowMessage NOT13 64", -56, 26, false},
    {"JokerNoticeDeclined", nullptr, "s11 w w", {IDNO}, "ShowMessage JOKER 68; ToggleHighlight @2", -56, 2, false},
    {"JokerPairsWithAnything", nullptr, "s11 w 27", {IDYES}, "ShowMessage JOKER 68; ToggleHighlight @2; AnimateCardFall 33 @30; AnimateCardFall 128 @2; RefreshScoreLine", -54, 0, true},
    {"JokerPairUndone", nullptr, "s11 w 27 u 27", {IDYES}, "ShowMessage JOKER 68; ToggleHighlight @2; AnimateCardFall 33 @30; AnimateCardFall 128 @2; RefreshScoreLine; ToggleHighlight @30", -56, 30, false},
    {"StockTurnUndone", nullptr, "s s u", {}, "", -56, 0, false},
    {"FirstTurnUndone", nullptr, "s u w", {}, "", -56, 0, false},
    {"JokerOnTheWasteAskedToo", nullptr, "s11 22 w", {IDNO}, "ToggleHighlight @25; ShowMessage JOKER 68", -56, 25, false},
    // Designed deals cost two deals.
    {"TriangleKingGoesAlone", kClearable, "21", {}, "AnimateCardFall 61 @24; RefreshScoreLine", -110, 0, true},
    {"KingCannotBeSelectedAfterOthers", kClearable, "22 21", {}, "ToggleHighlight @25; ShowMessage NOT13 64", -112, 25, false},
    {"SecondJokerNoticeNeverComes", kClearable, "s6 w 22 s18 w", {IDYES}, "ShowMessage JOKER 68; ToggleHighlight @2; AnimateCardFall 20 @25; AnimateCardFall 129 @2; RefreshScoreLine; ToggleHighlight @2", -110, 2, false},
    {"RecycleRefreshesTheScore", kClearable, "s26 s", {}, "RefreshScoreLine", -112, 0, false},
    {"OnlyWasteCardPairedAndUndone", kLosing, "s w 27 w u w 27", {}, "ToggleHighlight @2; AnimateCardFall 10 @30; AnimateCardFall 35 @2; RefreshScoreLine; ToggleHighlight @2; AnimateCardFall 10 @30; AnimateCardFall 35 @2; RefreshScoreLine", -110, 0, true},
    {"RecyclesRunOut", kClearable, "s26 s s26 s s26 s s26 s s", {}, "RefreshScoreLine; RefreshScoreLine; RefreshScoreLine", -112, 0, false},
};
INSTANTIATE_TEST_SUITE_P(Model, Rules, ::testing::ValuesIn(kScripts), [](const auto& row) { return std::string(row.param.name); });

TEST(Stock, TurnsBackInTheSameOrderThreeTimes)
{
    Table t;
    t.doc->DealCards();
    PictureId picture = 0;
    CRect rect;
    bool selected = true;
    for (int pass = 0; pass < 4; ++pass) {
        for (int i = 0; i < 26; ++i) {
            EXPECT_EQ(t.doc->GetPileCount(POS_STOCK), 26 - i);
            t.doc->GetStockBitmap(&picture, &rect);
            EXPECT_EQ(picture, 146) << pass;  // the back, down to the last card
            EXPECT_EQ(t.doc->GetCard(POS_STOCK).GetCode(), kKnownTurns[i]) << pass << " " << i;
            t.doc->OnStockClick();
            ASSERT_EQ(t.doc->GetCard(POS_WASTE).GetCode(), kKnownTurns[i]) << pass << " " << i;
            t.doc->GetWasteBitmap(&picture, &rect, &selected);
            EXPECT_EQ(picture, t.images.FaceImage(kKnownTurns[i])) << pass << " " << i;
            if (pass == 0 && i == 24) {  // an undone turn puts the card back, once
                t.doc->Undo();
                EXPECT_EQ(t.doc->GetCard(POS_STOCK).GetCode(), kKnownTurns[24]);
                EXPECT_EQ(t.doc->GetCard(POS_WASTE).GetCode(), kKnownTurns[23]);
                EXPECT_FALSE(t.doc->CanUndo());
                t.doc->OnStockClick();
            }
        }
        t.doc->GetStockBitmap(&picture, &rect);
        EXPECT_EQ(picture, pass < 3 ? 178 : 177) << pass;
        EXPECT_EQ(Describe(rect), Describe(PositionRect(POS_STOCK, 77, 106)));
        t.doc->OnStockClick();
        EXPECT_EQ(t.doc->GetRecycleCount(), std::min(pass + 1, 3));
    }
    EXPECT_EQ(t.doc->GetPileCount(POS_STOCK), 0);
    EXPECT_TRUE(t.doc->GetCard(POS_STOCK).IsEmpty());
    t.doc->GetWasteBitmap(&picture, &rect, &selected);
    EXPECT_EQ(picture, 190);  // the queen of spades, turned last
    EXPECT_FALSE(selected);
    t.Play("w");
    t.doc->GetWasteBitmap(&picture, &rect, &selected);
    EXPECT_TRUE(selected);
    t.doc->GetTriangleBitmap(0, &picture, &rect, &selected);
    EXPECT_EQ(picture, 189);  // the jack of spades at the apex
    EXPECT_FALSE(selected);
    t.Play("w 27");  // the ace of clubs selected instead
    t.doc->GetTriangleBitmap(27, &picture, &rect, &selected);
    EXPECT_EQ(picture, 133);
    EXPECT_TRUE(selected);
    EXPECT_EQ(Describe(rect), Describe(PositionRect(30, 77, 106)));
}

TEST(Bonus, TurnBacksAndJokersLeft)
{
    const struct { const char* play; int bonus; int jokers; } rows[] = {
        {"", 2000, 2}, {"21", 2000, 2}, {"s26 s", 200, 2}, {"s26 s s26 s", 20, 2}, {kThreeRecycles, 0, 2},
        {"s6 w 22", 1000, 1}, {"s6 w 22 s18 w 23", 500, 0}, {"s6 w 22 s20 s s26 s", 10, 1}, {"s6 w 22 s18 w 23 s2 s s26 s", 5, 0},
        {"21 22 23 24 25 26 27 15 16 17 18 19 20 10 11 12 13 14 6 7 8 9 3 4 5 1 2 s26 s", 200, 2}};  // the apex alone left
    for (const auto& row : rows) {
        Table t;
        t.DealTriangle(kClearable);
        t.view.answers = {IDYES};
        t.Play(row.play);
        EXPECT_EQ(t.doc->GetBonus(), row.bonus) << row.play;
        EXPECT_EQ(t.doc->CountJokersLeft(), row.jokers) << row.play;
        EXPECT_TRUE(t.doc->HasMove()) << row.play;  // a king, or after "21" only pairs side by side
    }
}

TEST(EndOfDeal, AClearPaysTheBonusOnceAndOffersTheRecord)
{
    Table t;
    t.host.typedName = "  \t太郎";
    t.DealTriangle(kClearable);
    t.host.now += 42;
    const std::size_t mark = t.journal.size();
    t.Play(kClearLine);
    EXPECT_EQ(t.host.presses, 28);  // each press warns the host that a card may fall
    EXPECT_EQ(t.doc->GetScore(), -112 + 4 * 2 + 12 * 4 + 2000);
    const std::string tail = t.Since(mark);
    // The host hears of the clear before the last fall, while the tune can still load.
    const std::string expected = Expand("ClearComing; AnimateCardFall 13 @3; RefreshScoreLine; RefreshScoreLine; "
                                        "AskPlayerName " + FormatResString(IDS_CLEAR_ACHIEVED, 42) +
                                        " []; Write FastGameOver/lFastTimeSpan=42; Write FastGameOver/strFastPlayer=太郎; "
                                        "ShowRecords; StartCelebration");
    ASSERT_GE(tail.size(), expected.size());
    EXPECT_EQ(tail.substr(tail.size() - expected.size()), expected);
    EXPECT_EQ(t.doc->GetFastPlayer(), "太郎");
    EXPECT_EQ(t.doc->GetFastTimeSpan(), 42);
    EXPECT_EQ(t.doc->ClearSeconds(), 42);
    // Undone and cleared again: the apex comes back, but no second bonus, no turn-back of a cleared deal.
    const std::size_t after = t.journal.size();
    t.doc->Undo();
    EXPECT_EQ(t.doc->GetCard(3).GetCode(), 0x0D);
    t.Play("0 s26 s s");
    EXPECT_EQ(t.Since(after), Expand("AnimateCardFall 13 @3; RefreshScoreLine"));
    EXPECT_EQ(t.doc->GetRecycleCount(), 0);
    EXPECT_FALSE(t.doc->HasMove());
}

// A record must beat the one stored when it is decided: at the start, by
// another running copy before the decision, or while the name is asked.
TEST(EndOfDeal, ARecordIsOfferedOnlyWhenItBeatsTheStoredOne)
{
    const struct {
        const char* name;
        bool exit;  // the best score of 1944 at exit, else a clear in secs
        int secs;
        const char *atStart, *before, *whileAsked;  // the stored record ("": unchanged)
        int answer;
        bool asked, written;
        int shown;  // the record the document holds afterwards
    } rows[] = {
        {"first clear", false, 5, "0", "", "", IDOK, true, true, 5},
        {"faster", false, 9, "10", "", "", IDOK, true, true, 9},
        {"a tie", false, 10, "10", "", "", IDOK, false, false, 10},
        {"clock set back", false, -1, "0", "", "", IDOK, false, false, 0},
        {"cancelled", false, 0, "0", "", "", IDCANCEL, true, false, 0},
        {"faster one stored meanwhile", false, 51, "0", "3", "", IDOK, false, false, 3},
        {"record removed meanwhile", false, 51, "10", "0", "", IDOK, true, true, 51},
        {"faster one stored while asked", false, 51, "100", "", "3", IDOK, true, false, 3},
        {"better score", true, 0, "1943", "", "", IDOK, true, true, 1944},
        {"same score", true, 0, "1944", "", "", IDOK, false, false, 1944},
        {"score cancelled", true, 0, "0", "", "", IDCANCEL, true, false, 0},
        {"better score stored meanwhile", true, 0, "0", "5000", "", IDOK, false, false, 5000},
        {"better score stored while asked", true, 0, "1", "", "5000", IDOK, true, false, 5000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string key = row.exit ? "MaxPoint/iMaxPoint" : "FastGameOver/lFastTimeSpan";
        const std::string holder = row.exit ? "MaxPoint/strChamp" : "FastGameOver/strFastPlayer";
        Table t({{key, row.atStart}, {holder, "Old"}});
        const auto store = [&](const std::string& value) {
            if (!value.empty())
                t.settings.values[key] = value, t.settings.values[holder] = "Other";
        };
        t.host.typedName = " Bob";
        t.host.nameAnswers = {IDCANCEL};  // before the best score, no fastest-clear record
        if (row.exit)
            t.DealTriangle(kClearable), t.Play(kClearLine);
        else
            t.doc->DealCards(), t.host.now += row.secs, t.doc->OnLButtonDown(CPoint{630, 300});  // the bare table
        t.host.nameAnswers = {row.answer};
        store(row.before);
        t.host.whileOpen = [&] { store(row.whileAsked); };
        const std::size_t mark = t.journal.size();
        row.exit ? t.doc->SaveBestScore() : t.doc->RecordFastClear();
        const int value = row.exit ? 1944 : row.secs;
        std::string expected;
        if (row.asked)
            expected = "AskPlayerName " + FormatResString(row.exit ? IDS_SCORE_ACHIEVED : IDS_CLEAR_ACHIEVED, value) + " []; ";
        if (row.written)
            expected += "Write " + key + "=" + std::to_string(value) + "; Write " + holder + "=Bob; ";
        EXPECT_EQ(t.Since(mark), expected + "ShowRecords");
        EXPECT_EQ(row.exit ? t.doc->GetMaxPoint() : t.doc->GetFastTimeSpan(), row.shown);
        const char* holderShown = row.written ? "Bob" : *row.before != '\0' || *row.whileAsked != '\0' ? "Other" : "Old";
        EXPECT_EQ(row.exit ? t.doc->GetChamp() : t.doc->GetFastPlayer(), holderShown);
    }
    Table poor;
    poor.doc->DealCards();
    poor.doc->SaveBestScore();
    EXPECT_EQ(poor.Since(0), "ShowRecords");
}

TEST(EndOfDeal, ALostDealAsksUntilDeclined)
{
    const std::string ask = "ShowMessage " + std::to_string(IDS_GAME_LOST) + " 65";
    for (int answer : {IDOK, IDCANCEL}) {
        Table t;
        t.DealTriangle(kLosing);
        t.view.answers = {answer};
        std::size_t mark = t.journal.size();
        t.Play(kThreeRecycles);
        const std::string deal = answer == IDOK ? "; PostCommand 32771" : "";
        EXPECT_EQ(t.Since(mark), "RefreshScoreLine; RefreshScoreLine; RefreshScoreLine; " + ask + deal);
        EXPECT_FALSE(t.doc->HasMove());
        mark = t.journal.size();
        t.Play("21");
        EXPECT_EQ(t.Since(mark), Expand("ToggleHighlight @24") + (answer == IDOK ? "; " + ask + deal : ""));
    }
}

TEST(EndOfDeal, MovesLeftInTheLosingDeal)
{
    Table t;
    t.DealTriangle(kLosing);
    // Only the waste's top card can help: a king, a joker or a partner of a free card.
    // The first card turned, a three, is the waste's only card: its partner is the last of seven free cards.
    const struct { int turns; bool move; } rows[] = {{0, false}, {1, true},  {2, false}, {4, true},
                                                      {6, true},  {8, false}, {11, true}, {12, false}};
    int turned = 0;
    for (const auto& row : rows) {
        for (; turned < row.turns; ++turned)
            t.doc->OnStockClick();
        EXPECT_EQ(t.doc->HasMove(), row.move) << row.turns;
    }
}

// Random play keeps the table whole: each triangle card removed pays 2 and
// each put back costs 2; piles never hold more than 26; a selection is a
// free card; turn-backs stop at 3.
TEST(RandomPlay, InvariantsHold)
{
    Table t;
    std::mt19937 rng(20270101);
    for (int step = 0; step < 3000; ++step) {
        const int before = t.doc->GetScore();
        int triangleBefore = 0;
        for (int p = 3; p <= 30; ++p)
            triangleBefore += t.doc->GetPositionState(p) != PS_EMPTY;
        const int roll = static_cast<int>(rng() % 100);
        const bool deal = roll < 2 || step == 0;
        t.view.answers = {rng() % 2 ? IDYES : IDNO};
        if (deal)
            t.doc->DealCards();
        else if (roll < 8 && t.doc->CanUndo())  // the menu offers undo only then
            t.doc->Undo();
        else
            t.Play(roll < 30 ? "s" : roll < 40 ? "w" : std::to_string(rng() % 28));
        int triangle = 0;
        for (int p = 3; p <= 30; ++p)
            triangle += t.doc->GetPositionState(p) != PS_EMPTY;
        if (!deal && !t.doc->GetCard(3).IsEmpty()) {
            ASSERT_EQ(t.doc->GetScore() - before, 2 * (triangleBefore - triangle)) << step;
        }
        const int sel = t.doc->GetSelection();
        ASSERT_TRUE(sel == POS_NONE || t.doc->GetPositionState(sel) == PS_FREE) << step;
        ASSERT_LE(t.doc->GetPileCount(POS_STOCK) + t.doc->GetPileCount(POS_WASTE), 26) << step;
        ASSERT_LE(t.doc->GetRecycleCount(), 3) << step;
        ASSERT_EQ(t.doc->GetPositionState(POS_STOCK) == PS_EMPTY, t.doc->GetPileCount(POS_STOCK) == 0) << step;
    }
}

}  // namespace
