// Draws every card-size picture of the game: the 52 faces, the two jokers,
// the four backs and the two empty-stock tiles, 77 by 106 pixels each.
//
// The table clips a card to a polygon that cuts its corners by 2, 4, 3 and
// 5 pixels (top-left, top-right, bottom-right, bottom-left) but draws the
// falling card unclipped, so each picture is a rounded card on white: the
// dark border runs inside the clip polygon with room for its antialiasing,
// and nothing but white lies outside it.
#pragma once

#include "SuitSymbol.h"

#include <cairo.h>

class CCardPainter {
public:
    static constexpr int kWidth = 77;
    static constexpr int kHeight = 106;

    // New RGB surfaces of the card size; the caller destroys them.
    static cairo_surface_t* Face(Suit suit, int rank);  // rank 1 ace .. 13 king
    static cairo_surface_t* Joker(int which);          // 0 or 1
    static cairo_surface_t* Back(int index);           // 0..3
    static cairo_surface_t* StockTile(bool ok);

    // The card's rounded outline, `inset` pixels inside the picture's edges
    // (0.5 puts a 1-pixel line on the outermost pixels).
    static void OutlinePath(cairo_t* cr, double inset);
    // Rectangle with its own radius at each corner.
    static void RoundedRect(cairo_t* cr, double x0, double y0, double x1, double y1, double rTopLeft,
                            double rTopRight, double rBottomRight, double rBottomLeft);
    // Runs the drawing of the lower half again, turned about the card's centre.
    static void TurnAboutCentre(cairo_t* cr);
};
