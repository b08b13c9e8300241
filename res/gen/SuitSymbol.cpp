#include "SuitSymbol.h"

#include <cmath>

namespace {

// Each outline lives in a box of height 1 centred on the origin.
void HeartPath(cairo_t* cr)
{
    cairo_move_to(cr, 0.0, 0.5);
    cairo_curve_to(cr, -0.12, 0.33, -0.5, 0.12, -0.5, -0.17);
    cairo_curve_to(cr, -0.5, -0.38, -0.36, -0.5, -0.23, -0.5);
    cairo_curve_to(cr, -0.11, -0.5, -0.03, -0.42, 0.0, -0.3);
    cairo_curve_to(cr, 0.03, -0.42, 0.11, -0.5, 0.23, -0.5);
    cairo_curve_to(cr, 0.36, -0.5, 0.5, -0.38, 0.5, -0.17);
    cairo_curve_to(cr, 0.5, 0.12, 0.12, 0.33, 0.0, 0.5);
    cairo_close_path(cr);
}

void DiamondPath(cairo_t* cr)
{
    cairo_move_to(cr, 0.0, -0.5);
    cairo_curve_to(cr, 0.11, -0.31, 0.24, -0.15, 0.39, 0.0);
    cairo_curve_to(cr, 0.24, 0.15, 0.11, 0.31, 0.0, 0.5);
    cairo_curve_to(cr, -0.11, 0.31, -0.24, 0.15, -0.39, 0.0);
    cairo_curve_to(cr, -0.24, -0.15, -0.11, -0.31, 0.0, -0.5);
    cairo_close_path(cr);
}

void SpadePath(cairo_t* cr)
{
    cairo_move_to(cr, 0.0, -0.5);
    cairo_curve_to(cr, 0.12, -0.31, 0.5, -0.12, 0.5, 0.12);
    cairo_curve_to(cr, 0.5, 0.3, 0.38, 0.39, 0.25, 0.39);
    cairo_curve_to(cr, 0.15, 0.39, 0.07, 0.34, 0.04, 0.27);
    cairo_curve_to(cr, 0.06, 0.38, 0.11, 0.46, 0.2, 0.5);
    cairo_line_to(cr, -0.2, 0.5);
    cairo_curve_to(cr, -0.11, 0.46, -0.06, 0.38, -0.04, 0.27);
    cairo_curve_to(cr, -0.07, 0.34, -0.15, 0.39, -0.25, 0.39);
    cairo_curve_to(cr, -0.38, 0.39, -0.5, 0.3, -0.5, 0.12);
    cairo_curve_to(cr, -0.5, -0.12, -0.12, -0.31, 0.0, -0.5);
    cairo_close_path(cr);
}

void Circle(cairo_t* cr, double x, double y, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
}

void ClubPath(cairo_t* cr)
{
    Circle(cr, 0.0, -0.27, 0.225);
    Circle(cr, -0.265, 0.08, 0.225);
    Circle(cr, 0.265, 0.08, 0.225);
    // The middle between the three leaves, so no gap shows between them.
    cairo_move_to(cr, 0.0, -0.2);
    cairo_line_to(cr, 0.2, 0.1);
    cairo_line_to(cr, -0.2, 0.1);
    cairo_close_path(cr);
    // Same turning sense as the leaves, or the winding rule would cut the
    // overlap out of the stem.
    cairo_move_to(cr, 0.05, 0.05);
    cairo_curve_to(cr, 0.05, 0.3, 0.1, 0.43, 0.2, 0.5);
    cairo_line_to(cr, -0.2, 0.5);
    cairo_curve_to(cr, -0.1, 0.43, -0.05, 0.3, -0.05, 0.05);
    cairo_close_path(cr);
}

}  // namespace

Rgb CSuitSymbol::Ink(Suit suit)
{
    return IsRed(suit) ? Rgb{0.80, 0.07, 0.13} : Rgb{0.07, 0.07, 0.09};
}

void CSuitSymbol::AddPath(cairo_t* cr, Suit suit, double cx, double cy, double height, bool upsideDown)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, height, height);
    if (upsideDown)
        cairo_rotate(cr, M_PI);
    switch (suit) {
    case Suit::Hearts: HeartPath(cr); break;
    case Suit::Diamonds: DiamondPath(cr); break;
    case Suit::Clubs: ClubPath(cr); break;
    case Suit::Spades: SpadePath(cr); break;
    }
    cairo_restore(cr);
}

void CSuitSymbol::Draw(cairo_t* cr, Suit suit, double cx, double cy, double height, bool upsideDown)
{
    const Rgb ink = Ink(suit);
    cairo_new_path(cr);
    AddPath(cr, suit, cx, cy, height, upsideDown);
    cairo_set_source_rgb(cr, ink.r, ink.g, ink.b);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
}
