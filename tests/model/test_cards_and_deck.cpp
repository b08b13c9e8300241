// Card codes, the generator, the deck order, the shuffle and the image set.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Fakes.h"
#include "model/CardImageSet.h"
#include "model/Random.h"
#include "res/resource.h"

namespace {

TEST(Card, CodesRanksAndJokers)
{
    CCard empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.GetRank(), 0);
    EXPECT_EQ(CCard(0x3D).GetRank(), 13);
    EXPECT_EQ(CCard(0x21).GetRank(), 1);
    EXPECT_EQ(CCard(CARD_JOKER1).GetRank(), 0);
    EXPECT_EQ(CCard(CARD_JOKER2).GetRank(), 0);
    EXPECT_TRUE(CCard(CARD_JOKER2).IsJoker());
    EXPECT_FALSE(CCard(0x3D).IsJoker());

    CCard copy(0x12);
    CCard other = copy;
    copy.Clear();
    EXPECT_EQ(other.GetCode(), 0x12);
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(RuntimeRandom, FollowsTheClassicFifteenBitSequence)
{
    // The first values of the runtime library's generator from its default state.
    CRuntimeRandom random;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(random.Rand(), value);
}

TEST(RuntimeRandom, StaysInRangeOverAFullRun)
{
    CRuntimeRandom random;
    for (int i = 0; i < 200000; ++i) {
        const int value = random.Rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

class DeckTest : public ::testing::Test {
protected:
    DeckTest() : host(journal), settings(journal) { images.LoadImages(pictures, settings); }
    fakes::Journal journal;
    fakes::FakeHost host;
    fakes::FakeSettings settings;
    fakes::FakePictures pictures;
    CCardImageSet images;
};

TEST_F(DeckTest, OrdinaryCodesComeInDeckOrder)
{
    BYTE codes[52];
    images.CopyOrdinaryCodes(codes);
    int i = 0;
    for (int suit : {0x00, 0x10, 0x20, 0x30}) {
        for (int rank = 1; rank <= 13; ++rank)
            EXPECT_EQ(codes[i++], suit + rank);
    }
}

TEST_F(DeckTest, ShuffleSwapCountFollowsTheClock)
{
    BYTE single[1] = {0x05};
    host.now = 1798761472 + 37;  // t mod 256 = 37 (a multiple of 256)
    ASSERT_EQ(1798761472 % 256, 0);
    CCardImageSet::Shuffle(1, single, host);
    EXPECT_EQ(single[0], 0x05);
    EXPECT_EQ(host.randCalls, 256 + 37);

    host.randCalls = 0;
    host.now = 1798761472 + 255;
    BYTE deck[52];
    images.CopyOrdinaryCodes(deck);
    CCardImageSet::Shuffle(52, deck, host);
    EXPECT_EQ(host.randCalls, 511);
}

TEST_F(DeckTest, ShuffleAlwaysExchangesWithTheFirstPlace)
{
    // rand values 1, 2, 0 with n = 3 and 256 exchanges: after the first three
    // swaps (0<->1, 0<->2, 0<->0) the order is c, a, b; the remaining 253 draws
    // of 0 leave it alone.
    host.now = 1798761472;
    host.scriptedRand = {1, 2, 0};
    for (int i = 0; i < 253; ++i)
        host.scriptedRand.push_back(0);
    BYTE codes[3] = {0x0A, 0x0B, 0x0C};
    CCardImageSet::Shuffle(3, codes, host);
    EXPECT_EQ(codes[0], 0x0C);
    EXPECT_EQ(codes[1], 0x0A);
    EXPECT_EQ(codes[2], 0x0B);
}

TEST_F(DeckTest, ShuffleIsAPermutationAndReproducible)
{
    BYTE first[52];
    BYTE second[52];
    images.CopyOrdinaryCodes(first);
    images.CopyOrdinaryCodes(second);
    fakes::FakeHost other(journal);
    CCardImageSet::Shuffle(52, first, host);
    CCardImageSet::Shuffle(52, second, other);
    EXPECT_TRUE(std::equal(first, first + 52, second));
    std::set<int> distinct(first, first + 52);
    EXPECT_EQ(distinct.size(), 52u);
    BYTE ordered[52];
    images.CopyOrdinaryCodes(ordered);
    EXPECT_FALSE(std::equal(first, first + 52, ordered));
}

TEST_F(DeckTest, FaceImagesFollowTheFaceTable)
{
    EXPECT_EQ(images.FaceImage(0x00), 0);
    EXPECT_EQ(images.FaceImage(0x0E), 0);
    EXPECT_EQ(images.FaceImage(0x81), IDB_JOKER2);
    EXPECT_EQ(images.FaceImage(0x80), IDB_JOKER1);
    EXPECT_EQ(images.FaceImage(0x01), 162);
    EXPECT_EQ(images.FaceImage(0x0D), 174);
    EXPECT_EQ(images.FaceImage(0x11), 149);
    EXPECT_EQ(images.FaceImage(0x21), 133);
    EXPECT_EQ(images.FaceImage(0x2D), 145);
    EXPECT_EQ(images.FaceImage(0x31), 179);
    EXPECT_EQ(images.FaceImage(0x3D), 191);
    std::set<int> faces;
    for (const FaceRow& row : kFaceTable)
        faces.insert(images.FaceImage(row.code));
    EXPECT_EQ(faces.size(), 54u);
    EXPECT_EQ(images.m_nCardWidth, 77);
    EXPECT_EQ(images.m_nCardHeight, 106);
}

TEST_F(DeckTest, MissingPictureGivesNoFace)
{
    pictures.missing = 176;
    images.LoadImages(pictures, settings);
    EXPECT_EQ(images.FaceImage(0x81), 0);
    EXPECT_EQ(images.FaceImage(0x80), IDB_JOKER1);
}

TEST_F(DeckTest, BackIndexIsReadAndRangeChecked)
{
    struct Case {
        const char* stored;
        PictureId back;
    };
    for (const Case& c : {Case{nullptr, 146}, Case{"3", 197}, Case{"1", 147}, Case{"4", 146}, Case{"-1", 146},
                          Case{"7", 146}}) {
        settings.values.clear();
        if (c.stored != nullptr)
            settings.values["Customize/iCover"] = c.stored;
        images.LoadImages(pictures, settings);
        EXPECT_EQ(images.CurrentBackImage(), c.back) << (c.stored ? c.stored : "missing");
    }
}

TEST_F(DeckTest, SetCurrentBackWritesOnlyValidIndexes)
{
    EXPECT_EQ(images.SetCurrentBack(2), 0);
    EXPECT_EQ(images.m_iCover, 2);
    EXPECT_EQ(images.CurrentBackImage(), 148);
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal.back(), "Write Customize/iCover=2");

    EXPECT_EQ(images.SetCurrentBack(4), -1);
    EXPECT_EQ(images.SetCurrentBack(-1), -1);
    EXPECT_EQ(images.m_iCover, 2);
    EXPECT_EQ(journal.size(), 1u);

    EXPECT_EQ(images.SetCurrentBack(2), 0);  // unchanged still writes
    EXPECT_EQ(journal.size(), 2u);
}

}  // namespace
