// The letters and digits on our cards, drawn as strokes of our own.
//
// The corner indices, the joker's name and the stock tiles use these instead
// of a system font, so the pictures come out the same on every machine
// whatever fonts are installed. A glyph is a set of centre lines in a box of
// height 1; it is stroked with round caps, which reads like a bold sans serif
// at the small sizes of a card corner.
#pragma once

#include <cairo.h>

class CStrokeFont {
public:
    // Glyphs: A 0-9 J Q K O N G E R. Any other character draws nothing.
    // Width of a glyph at the given cap height (before condensing).
    static double Advance(char c, double height);
    // Width of a run of text with `gap` pixels between glyphs.
    static double TextWidth(const char* text, double height, double gap, double condense = 1.0);
    // Appends the centre lines of `text` with its top-left corner at (x, y),
    // glyphs `condense` times their normal width.
    static void AddPath(cairo_t* cr, const char* text, double x, double y, double height, double gap,
                        double condense = 1.0);
    // Strokes `text` in the current source with round ends, `weight` pixels wide.
    static void Draw(cairo_t* cr, const char* text, double x, double y, double height, double gap,
                     double weight, double condense = 1.0);
};
