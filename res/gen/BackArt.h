// The four card backs, each a full-card design inside a white margin:
// 0 a blue lattice with a medallion, 1 a red rosette on a field of small
// flowers, 2 a green tartan, 3 a night sky with a crescent moon.
#pragma once

#include <cairo.h>

class CBackArt {
public:
    static void Draw(cairo_t* cr, int index);
};
