// The built-in pictures decoded as the game decodes them: every card code has
// a 77 x 106 picture, the corners outside the table's clip polygon are white,
// and the designs that must differ do.
#include "res/Assets.h"
#include "res/resource.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kCardWidth = 77;
constexpr int kCardHeight = 106;

struct Pixel {
    int r, g, b, a;
};

class Picture {
public:
    explicit Picture(AssetBlob blob)
    {
        if (!blob)
            return;
        Reader reader{blob.data, blob.size, 0};
        cairo_surface_t* s = cairo_image_surface_create_from_png_stream(&Picture::Read, &reader);
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(s);
            return;
        }
        m_surface.reset(s, cairo_surface_destroy);
    }
    bool Valid() const { return m_surface != nullptr; }
    int Width() const { return cairo_image_surface_get_width(m_surface.get()); }
    int Height() const { return cairo_image_surface_get_height(m_surface.get()); }
    cairo_format_t Format() const { return cairo_image_surface_get_format(m_surface.get()); }
    Pixel At(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(m_surface.get()) +
                                   y * cairo_image_surface_get_stride(m_surface.get());
        std::uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        const int alpha = Format() == CAIRO_FORMAT_RGB24 ? 255 : int(v >> 24);
        return Pixel{int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF), alpha};
    }
    // How many pixels differ by more than a little in any channel.
    int DifferentPixels(const Picture& other) const
    {
        int n = 0;
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x) {
                const Pixel a = At(x, y), b = other.At(x, y);
                if (std::abs(a.r - b.r) > 8 || std::abs(a.g - b.g) > 8 || std::abs(a.b - b.b) > 8)
                    ++n;
            }
        return n;
    }

private:
    struct Reader {
        const unsigned char* data;
        std::size_t size, offset;
    };
    static cairo_status_t Read(void* closure, unsigned char* out, unsigned int length)
    {
        auto* r = static_cast<Reader*>(closure);
        if (r->offset + length > r->size)
            return CAIRO_STATUS_READ_ERROR;
        std::memcpy(out, r->data + r->offset, length);
        r->offset += length;
        return CAIRO_STATUS_SUCCESS;
    }
    std::shared_ptr<cairo_surface_t> m_surface;
};

struct Face {
    int code;
    int id;
};

// Card code to picture: hearts, diamonds, clubs, spades (bits 4-5), rank in bits 0-3.
std::vector<Face> AllFaces()
{
    std::vector<Face> faces;
    const int firsts[] = {IDB_HEARTS_FIRST, IDB_DIAMONDS_FIRST, IDB_CLUBS_FIRST, IDB_SPADES_FIRST};
    for (int suit = 0; suit < 4; ++suit)
        for (int rank = 1; rank <= 13; ++rank)
            faces.push_back(Face{suit * 0x10 + rank, firsts[suit] + rank - 1});
    faces.push_back(Face{0x80, IDB_JOKER1});
    faces.push_back(Face{0x81, IDB_JOKER2});
    return faces;
}

std::vector<int> AllCardSizePictures()
{
    std::vector<int> ids;
    for (const Face& f : AllFaces())
        ids.push_back(f.id);
    for (int id : {IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3, IDB_STOCK_OK, IDB_STOCK_NG})
        ids.push_back(id);
    return ids;
}

// The table clips a card at (L, T) to the polygon (L+2,T), (L,T+2), (L,B-5),
// (L+5,B), (R-3,B), (R,B-3), (R,T+4), (R-4,T): its four cut corners. A pixel
// whose centre lies on a cut or beyond it may be left out by the clip, so it
// counts as outside.
bool OutsideClip(double x, double y)
{
    const double r = kCardWidth - x, b = kCardHeight - y;
    return x + y <= 2 || r + y <= 4 || r + b <= 3 || x + b <= 5;
}

bool IsWhite(Pixel p) { return p.r == 255 && p.g == 255 && p.b == 255 && p.a == 255; }
bool IsDark(Pixel p) { return p.r < 110 && p.g < 110 && p.b < 110; }
bool IsRed(Pixel p) { return p.r > 150 && p.g < 90 && p.b < 90; }

std::string Name(int id) { return "picture " + std::to_string(id); }

TEST(CardPictures, EveryCardCodeHasAPictureOfTheCardSize)
{
    for (const Face& f : AllFaces()) {
        const Picture picture(FindBitmapPng(f.id));
        ASSERT_TRUE(picture.Valid()) << "code " << f.code << ", " << Name(f.id);
        EXPECT_EQ(kCardWidth, picture.Width()) << Name(f.id);
        EXPECT_EQ(kCardHeight, picture.Height()) << Name(f.id);
    }
}

TEST(CardPictures, BacksAndStockTilesAreCardSize)
{
    for (int id : {IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3, IDB_STOCK_OK, IDB_STOCK_NG}) {
        const Picture picture(FindBitmapPng(id));
        ASSERT_TRUE(picture.Valid()) << Name(id);
        EXPECT_EQ(kCardWidth, picture.Width()) << Name(id);
        EXPECT_EQ(kCardHeight, picture.Height()) << Name(id);
    }
}

TEST(CardPictures, UnknownIdsHaveNoPicture)
{
    for (int id : {0, 132, 192, 196, 198, IDR_SOUND_CARD, IDR_MIDI_TUNE})
        EXPECT_FALSE(FindBitmapPng(id)) << Name(id);
}

TEST(CardPictures, AreFullyOpaque)
{
    for (int id : AllCardSizePictures()) {
        const Picture picture(FindBitmapPng(id));
        ASSERT_TRUE(picture.Valid()) << Name(id);
        int transparent = 0;
        for (int y = 0; y < kCardHeight; ++y)
            for (int x = 0; x < kCardWidth; ++x)
                transparent += picture.At(x, y).a != 255;
        EXPECT_EQ(0, transparent) << Name(id);
    }
}

// The falling card is drawn unclipped, so whatever lies outside the table's
// clip polygon shows as the card's corners: it must be plain white.
TEST(CardPictures, OutsideTheClipPolygonIsWhite)
{
    for (int id : AllCardSizePictures()) {
        const Picture picture(FindBitmapPng(id));
        ASSERT_TRUE(picture.Valid()) << Name(id);
        int outside = 0;
        for (int y = 0; y < kCardHeight; ++y)
            for (int x = 0; x < kCardWidth; ++x) {
                if (!OutsideClip(x + 0.5, y + 0.5))
                    continue;
                ++outside;
                EXPECT_TRUE(IsWhite(picture.At(x, y))) << Name(id) << " at " << x << "," << y;
            }
        // Cuts of 2, 4, 3 and 5 pixels: 3 + 10 + 6 + 15 pixel centres.
        EXPECT_EQ(34, outside);
    }
}

TEST(CardPictures, ADarkBorderRunsAlongTheEdges)
{
    for (int id : AllCardSizePictures()) {
        const Picture picture(FindBitmapPng(id));
        ASSERT_TRUE(picture.Valid()) << Name(id);
        EXPECT_TRUE(IsDark(picture.At(0, kCardHeight / 2))) << Name(id) << " left edge";
        EXPECT_TRUE(IsDark(picture.At(kCardWidth - 1, kCardHeight / 2))) << Name(id) << " right edge";
        EXPECT_TRUE(IsDark(picture.At(kCardWidth / 2, 0))) << Name(id) << " top edge";
        EXPECT_TRUE(IsDark(picture.At(kCardWidth / 2, kCardHeight - 1))) << Name(id) << " bottom edge";
    }
}

TEST(CardFaces, AllFiftyFourAreDifferent)
{
    const std::vector<Face> faces = AllFaces();
    std::vector<Picture> pictures;
    for (const Face& f : faces)
        pictures.emplace_back(FindBitmapPng(f.id));
    for (std::size_t i = 0; i < faces.size(); ++i)
        for (std::size_t j = i + 1; j < faces.size(); ++j)
            EXPECT_GT(pictures[i].DifferentPixels(pictures[j]), 40) << Name(faces[i].id) << " vs " << Name(faces[j].id);
}

TEST(CardFaces, TheTwoJokersDiffer)
{
    const Picture first(FindBitmapPng(IDB_JOKER1)), second(FindBitmapPng(IDB_JOKER2));
    ASSERT_TRUE(first.Valid() && second.Valid());
    // Different pictures, not a recolouring of a few pixels.
    EXPECT_GT(first.DifferentPixels(second), kCardWidth * kCardHeight / 5);
}

TEST(CardBacks, TheFourBacksAreDifferentDesigns)
{
    const int ids[] = {IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3};
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) {
            const Picture a(FindBitmapPng(ids[i])), b(FindBitmapPng(ids[j]));
            ASSERT_TRUE(a.Valid() && b.Valid());
            EXPECT_GT(a.DifferentPixels(b), kCardWidth * kCardHeight / 2) << Name(ids[i]) << " vs " << Name(ids[j]);
        }
}

TEST(CardBacks, CoverTheWholeCard)
{
    // A back is a full-card design: hardly any white inside the border margin.
    for (int id : {IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3}) {
        const Picture back(FindBitmapPng(id));
        ASSERT_TRUE(back.Valid());
        int white = 0, total = 0;
        for (int y = 8; y < kCardHeight - 8; ++y)
            for (int x = 8; x < kCardWidth - 8; ++x, ++total)
                white += IsWhite(back.At(x, y));
        EXPECT_LT(white, total / 10) << Name(id);
    }
}

TEST(CardFaces, RedSuitsPrintRedAndBlackSuitsDoNot)
{
    // Number cards and aces only: the court figures wear colours of any suit.
    for (const Face& f : AllFaces()) {
        const int rank = f.code & 0x0F;
        if (f.code >= 0x80 || rank >= 11)
            continue;
        const bool redSuit = (f.code >> 4) < 2;
        const Picture picture(FindBitmapPng(f.id));
        ASSERT_TRUE(picture.Valid());
        // Dark pixels are counted away from the border and its rounded corners.
        int red = 0, dark = 0;
        for (int y = 4; y < kCardHeight - 4; ++y)
            for (int x = 4; x < kCardWidth - 4; ++x) {
                red += IsRed(picture.At(x, y));
                dark += IsDark(picture.At(x, y));
            }
        if (redSuit) {
            EXPECT_GT(red, 100) << Name(f.id);
            EXPECT_EQ(0, dark) << Name(f.id);
        } else {
            EXPECT_EQ(0, red) << Name(f.id);
            EXPECT_GT(dark, 100) << Name(f.id);
        }
    }
}

// The index stands in the top-left corner and again, turned, in the
// bottom-right one; on the ordinary cards the other two corners stay empty.
// (The strip starts inside the border and its rounded corners.)
TEST(CardFaces, IndexInTwoOppositeCornersTheLowerOneTurned)
{
    for (const Face& f : AllFaces()) {
        const Picture picture(FindBitmapPng(f.id));
        ASSERT_TRUE(picture.Valid());
        int inked = 0, mismatched = 0, otherCorners = 0;
        for (int y = 5; y < 28; ++y)
            for (int x = 3; x < 13; ++x) {
                const Pixel top = picture.At(x, y);
                const Pixel turned = picture.At(kCardWidth - 1 - x, kCardHeight - 1 - y);
                inked += !IsWhite(top);
                mismatched += std::abs(top.r - turned.r) > 24 || std::abs(top.g - turned.g) > 24 ||
                              std::abs(top.b - turned.b) > 24;
                otherCorners += !IsWhite(picture.At(kCardWidth - 1 - x, y)) +
                                !IsWhite(picture.At(x, kCardHeight - 1 - y));
            }
        EXPECT_GT(inked, 30) << Name(f.id);
        EXPECT_LE(mismatched, 2) << Name(f.id);
        if (f.code < 0x80) {
            EXPECT_EQ(0, otherCorners) << Name(f.id);
        }
    }
}

TEST(StockTiles, OkAndNgAreGreenAndDiffer)
{
    const Picture ok(FindBitmapPng(IDB_STOCK_OK)), ng(FindBitmapPng(IDB_STOCK_NG));
    ASSERT_TRUE(ok.Valid() && ng.Valid());
    for (const Picture* tile : {&ok, &ng}) {
        const Pixel p = tile->At(10, 12);  // felt between the edge and the letters
        EXPECT_GT(p.g, p.r + 40);
        EXPECT_GT(p.g, p.b + 40);
    }
    EXPECT_GT(ok.DifferentPixels(ng), 200);
}

TEST(ProgramIcon, EachSizeDecodesAtItsSize)
{
    for (int pixels : {16, 32, 48, 64, 128, 256}) {
        const Picture icon(FindIconPng(pixels));
        ASSERT_TRUE(icon.Valid()) << pixels;
        EXPECT_EQ(pixels, icon.Width());
        EXPECT_EQ(pixels, icon.Height());
        // Drawn right into the corners' rounding, but solid in the middle.
        EXPECT_EQ(255, icon.At(pixels / 2, pixels / 2).a) << pixels;
    }
    for (int pixels : {0, 24, 512})
        EXPECT_FALSE(FindIconPng(pixels)) << pixels;
}

}  // namespace
