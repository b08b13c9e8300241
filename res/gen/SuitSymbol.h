// The four suit symbols as filled outlines, and the colours they print in.
#pragma once

#include <cairo.h>

enum class Suit { Hearts = 0, Diamonds = 1, Clubs = 2, Spades = 3 };

struct Rgb {
    double r, g, b;
};

class CSuitSymbol {
public:
    static bool IsRed(Suit suit) { return suit == Suit::Hearts || suit == Suit::Diamonds; }
    static Rgb Ink(Suit suit);
    // Appends the outline of the symbol, `height` pixels tall, centred on
    // (cx, cy); `upsideDown` turns it as the lower half of a card shows it.
    static void AddPath(cairo_t* cr, Suit suit, double cx, double cy, double height, bool upsideDown = false);
    // Fills the symbol in the suit's ink.
    static void Draw(cairo_t* cr, Suit suit, double cx, double cy, double height, bool upsideDown = false);
};
