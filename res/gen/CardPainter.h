// Draws every card-size picture of the game: the 52 faces, the two jokers,
// the four backs and the two empty-stock tiles, 77 by 106 pixels each.
//
// The table clips a card to a polygon that cuts its corners by 2, 4, 3 and
// 5 pixels (top-left, top-right, bottom-right, bottom-left) but draws the
// falling card unclipped, so each picture is a rounded card on white: the
// dark border runs inside the clip polygon with room for its antialiasing,
// and nothing but white lies outside it.
//
// Each picture is drawn in card pixels; a scale of 2 or 3 draws the same
// picture on a surface that many times larger for high-density screens, so
// that the device pixels show the shapes rather than enlarged card pixels.
#pragma once

#include "SuitSymbol.h"

#include <cairo.h>

class CCardPainter {
public:
    static constexpr int kWidth = 77;
    static constexpr int kHeight = 106;

    // New RGB surfaces of the card size times scale; the caller destroys them.
    static cairo_surface_t* Face(Suit suit, int rank, int scale = 1);  // rank 1 ace .. 13 king
    static cairo_surface_t* Joker(int which, int scale = 1);          // 0 or 1
    static cairo_surface_t* Back(int index, int scale = 1);           // 0..3
    static cairo_surface_t* StockTile(bool ok, int scale = 1);
    // A back on a width x height surface, the whole card stretched to fill
    // it: drawn at that size, not enlarged, whatever the stretch.
    static cairo_surface_t* BackAtSize(int index, int width, int height);

    // The card's rounded outline, `inset` pixels inside the picture's edges
    // (0.5 puts a 1-pixel line on the outermost pixels).
    static void OutlinePath(cairo_t* cr, double inset);
    // Rectangle with its own radius at each corner.
    static void RoundedRect(cairo_t* cr, double x0, double y0, double x1, double y1, double rTopLeft,
                            double rTopRight, double rBottomRight, double rBottomLeft);
    // Runs the drawing of the lower half again, turned about the card's centre.
    static void TurnAboutCentre(cairo_t* cr);
};
