// The program icon: two fanned cards, a blue back and an ace of hearts, on
// a rounded square of table green. Drawn afresh at each size so the small
// sizes stay sharp instead of being scaled down.
#pragma once

#include <cairo.h>

class CIconPainter {
public:
    // A new square ARGB surface `pixels` wide; the caller destroys it.
    static cairo_surface_t* Icon(int pixels);
};
