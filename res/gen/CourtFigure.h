// The pictures of the jack, queen and king: a double-headed portrait in a
// framed panel, the upper figure drawn once and turned for the lower half.
//
// Each rank has a figure of its own (the king's crown and beard, the queen's
// tiara and long hair, the jack's feathered cap) and each suit dresses it in
// its own colours and puts a different thing in its hand, so the twelve
// court cards are told apart at a glance.
#pragma once

#include "SuitSymbol.h"

#include <cairo.h>

class CCourtFigure {
public:
    // Draws the panel of rank 11 (jack), 12 (queen) or 13 (king).
    static void Draw(cairo_t* cr, Suit suit, int rank);
};
