// The two jokers: a jester in full colour (the first) and a jester in black
// and red under a crescent moon (the second), with JOKER down the corners.
#pragma once

#include <cairo.h>

class CJokerArt {
public:
    static void Draw(cairo_t* cr, int which);
};
