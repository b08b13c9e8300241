#include "CardPainter.h"

#include "BackArt.h"
#include "CourtFigure.h"
#include "JokerArt.h"
#include "StrokeFont.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr double kW = CCardPainter::kWidth;
constexpr double kH = CCardPainter::kHeight;

// Corner cuts of the table's clip polygon.
constexpr double kCutTopLeft = 2, kCutTopRight = 4, kCutBottomRight = 3, kCutBottomLeft = 5;

// Radius of the border's centre line at a corner cut by `cut` pixels: the
// outer edge of the 1-pixel line, with the half pixel a square pixel reaches
// along the diagonal, must stay inside the cut with a little to spare.
double CornerRadius(double cut)
{
    return (cut + 1.0) / (std::sqrt(2.0) * (std::sqrt(2.0) - 1.0)) - 0.5 + 0.3;
}

// A white width x height surface with a context that draws in card pixels.
cairo_surface_t* NewCard(cairo_t** cr, int width, int height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    *cr = cairo_create(surface);
    cairo_scale(*cr, double(width) / CCardPainter::kWidth, double(height) / CCardPainter::kHeight);
    cairo_set_source_rgb(*cr, 1, 1, 1);
    cairo_paint(*cr);
    return surface;
}

cairo_surface_t* NewCard(cairo_t** cr, int scale)
{
    return NewCard(cr, CCardPainter::kWidth * scale, CCardPainter::kHeight * scale);
}

void Border(cairo_t* cr)
{
    cairo_new_path(cr);
    CCardPainter::OutlinePath(cr, 0.5);
    cairo_set_source_rgb(cr, 0.22, 0.22, 0.25);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

cairo_surface_t* Finish(cairo_surface_t* surface, cairo_t* cr)
{
    Border(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

const char* RankText(int rank)
{
    static const char* const kText[] = {"", "A", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K"};
    return kText[rank];
}

// Rank and suit in the top-left corner; called again turned for the other corner.
void CornerIndex(cairo_t* cr, Suit suit, int rank)
{
    const Rgb ink = CSuitSymbol::Ink(suit);
    const char* text = RankText(rank);
    const double height = 11.0;
    const double condense = rank == 10 ? 0.66 : 1.0;
    const double gap = rank == 10 ? 1.1 : 0.0;
    const double centreX = 7.4;
    const double width = CStrokeFont::TextWidth(text, height, gap, condense);
    cairo_set_source_rgb(cr, ink.r, ink.g, ink.b);
    CStrokeFont::Draw(cr, text, centreX - width / 2, 4.5, height, gap, 1.95, condense);
    CSuitSymbol::Draw(cr, suit, centreX, 23.5, 9.0);
}

struct PipPlace {
    double x, y;  // 0..1 across the pip field
};

// The customary arrangement of the pips of 2 to 10.
int PipLayout(int rank, PipPlace out[10])
{
    constexpr double L = 0.0, M = 0.5, R = 1.0;
    int n = 0;
    auto add = [&](double x, double y) { out[n++] = PipPlace{x, y}; };
    switch (rank) {
    case 2: add(M, 0); add(M, 1); break;
    case 3: add(M, 0); add(M, 0.5); add(M, 1); break;
    case 4: add(L, 0); add(R, 0); add(L, 1); add(R, 1); break;
    case 5: add(L, 0); add(R, 0); add(M, 0.5); add(L, 1); add(R, 1); break;
    case 6:
    case 7:
    case 8:
        add(L, 0); add(R, 0); add(L, 0.5); add(R, 0.5); add(L, 1); add(R, 1);
        if (rank >= 7) add(M, 0.25);
        if (rank == 8) add(M, 0.75);
        break;
    case 9:
    case 10:
        for (double y : {0.0, 1.0 / 3, 2.0 / 3, 1.0}) {
            add(L, y);
            add(R, y);
        }
        if (rank == 9) {
            add(M, 0.5);
        } else {
            add(M, 1.0 / 6);
            add(M, 5.0 / 6);
        }
        break;
    default: break;
    }
    return n;
}

void Pips(cairo_t* cr, Suit suit, int rank)
{
    PipPlace places[10];
    const int n = PipLayout(rank, places);
    const double x0 = 24.5, x1 = 52.5, y0 = 16.5, y1 = 89.5;
    const double size = suit == Suit::Diamonds ? 15.5 : 14.5;
    for (int i = 0; i < n; ++i) {
        const double x = x0 + (x1 - x0) * places[i].x;
        const double y = y0 + (y1 - y0) * places[i].y;
        // Pips below the middle stand on their heads, as printed cards have them.
        CSuitSymbol::Draw(cr, suit, x, y, size, places[i].y > 0.5);
    }
}

void Ace(cairo_t* cr, Suit suit)
{
    const double cx = kW / 2, cy = kH / 2;
    if (suit == Suit::Spades) {
        // The ace of spades carries the deck's flourish: a large spade in a
        // ring of fine lines.
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, 24.5, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.07, 0.07, 0.09);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
        cairo_arc(cr, cx, cy, 22.5, 0, 2 * M_PI);
        cairo_set_line_width(cr, 0.5);
        cairo_stroke(cr);
        for (int i = 0; i < 16; ++i) {
            const double a = i * M_PI / 8;
            cairo_new_path(cr);
            cairo_arc(cr, cx + 26.8 * std::cos(a), cy + 26.8 * std::sin(a), 0.9, 0, 2 * M_PI);
            cairo_fill(cr);
        }
        CSuitSymbol::Draw(cr, suit, cx, cy, 36);
        // A white inlay in the blade keeps the large shape from looking flat.
        cairo_new_path(cr);
        CSuitSymbol::AddPath(cr, suit, cx, cy - 2, 22);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
        return;
    }
    CSuitSymbol::Draw(cr, suit, cx, cy, suit == Suit::Diamonds ? 38 : 34);
}

}  // namespace

void CCardPainter::RoundedRect(cairo_t* cr, double x0, double y0, double x1, double y1, double rTopLeft,
                               double rTopRight, double rBottomRight, double rBottomLeft)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - rTopRight, y0 + rTopRight, rTopRight, -M_PI / 2, 0);
    cairo_arc(cr, x1 - rBottomRight, y1 - rBottomRight, rBottomRight, 0, M_PI / 2);
    cairo_arc(cr, x0 + rBottomLeft, y1 - rBottomLeft, rBottomLeft, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + rTopLeft, y0 + rTopLeft, rTopLeft, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void CCardPainter::OutlinePath(cairo_t* cr, double inset)
{
    auto radius = [inset](double cut) { return std::max(1.0, CornerRadius(cut) - (inset - 0.5)); };
    RoundedRect(cr, inset, inset, kW - inset, kH - inset, radius(kCutTopLeft), radius(kCutTopRight),
                radius(kCutBottomRight), radius(kCutBottomLeft));
}

void CCardPainter::TurnAboutCentre(cairo_t* cr)
{
    cairo_translate(cr, kW / 2, kH / 2);
    cairo_rotate(cr, M_PI);
    cairo_translate(cr, -kW / 2, -kH / 2);
}

cairo_surface_t* CCardPainter::Face(Suit suit, int rank, int scale)
{
    cairo_t* cr = nullptr;
    cairo_surface_t* surface = NewCard(&cr, scale);
    if (rank >= 11)
        CCourtFigure::Draw(cr, suit, rank);
    else if (rank == 1)
        Ace(cr, suit);
    else
        Pips(cr, suit, rank);
    CornerIndex(cr, suit, rank);
    cairo_save(cr);
    TurnAboutCentre(cr);
    CornerIndex(cr, suit, rank);
    cairo_restore(cr);
    return Finish(surface, cr);
}

cairo_surface_t* CCardPainter::Joker(int which, int scale)
{
    cairo_t* cr = nullptr;
    cairo_surface_t* surface = NewCard(&cr, scale);
    CJokerArt::Draw(cr, which);
    return Finish(surface, cr);
}

cairo_surface_t* CCardPainter::Back(int index, int scale)
{
    return BackAtSize(index, kWidth * scale, kHeight * scale);
}

cairo_surface_t* CCardPainter::BackAtSize(int index, int width, int height)
{
    cairo_t* cr = nullptr;
    cairo_surface_t* surface = NewCard(&cr, width, height);
    CBackArt::Draw(cr, index);
    return Finish(surface, cr);
}

cairo_surface_t* CCardPainter::StockTile(bool ok, int scale)
{
    cairo_t* cr = nullptr;
    cairo_surface_t* surface = NewCard(&cr, scale);
    // Deep felt green, a shade off the table so the empty place still reads as a card.
    cairo_new_path(cr);
    OutlinePath(cr, 0.5);
    cairo_pattern_t* felt = cairo_pattern_create_linear(0, 0, kW, kH);
    cairo_pattern_add_color_stop_rgb(felt, 0, 0.16, 0.58, 0.27);
    cairo_pattern_add_color_stop_rgb(felt, 1, 0.07, 0.40, 0.16);
    cairo_set_source(cr, felt);
    cairo_fill(cr);
    cairo_pattern_destroy(felt);
    cairo_new_path(cr);
    OutlinePath(cr, 4.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);

    const char* text = ok ? "OK" : "NG";
    const double height = 22, gap = 3.5;
    const double width = CStrokeFont::TextWidth(text, height, gap);
    const double x = (kW - width) / 2, y = (kH - height) / 2;
    // A soft shadow under the letters lifts them off the felt.
    cairo_set_source_rgba(cr, 0, 0.15, 0.05, 0.45);
    CStrokeFont::Draw(cr, text, x + 1.2, y + 1.4, height, gap, 4.2);
    if (ok)
        cairo_set_source_rgb(cr, 1, 1, 1);
    else
        cairo_set_source_rgb(cr, 1.0, 0.86, 0.45);
    CStrokeFont::Draw(cr, text, x, y, height, gap, 4.2);
    return Finish(surface, cr);
}
