#include "CourtFigure.h"

#include <cmath>
#include <initializer_list>

namespace {

// The panel on the card, in pixels.
constexpr double kPanelX0 = 14, kPanelY0 = 9, kPanelX1 = 63, kPanelY1 = 97;
// The upper half is drawn in a box 100 units wide.
constexpr double kUnit = (kPanelX1 - kPanelX0) / 100.0;
constexpr double kHalfHeight = (kPanelY1 - kPanelY0) / 2 / kUnit;

struct Palette {
    Rgb robe, robeShade, trim, accent, hair;
};

Palette SuitPalette(Suit suit, int rank)
{
    Palette p{};
    switch (suit) {
    case Suit::Hearts:
        p = {{0.80, 0.12, 0.16}, {0.58, 0.06, 0.10}, {0.97, 0.78, 0.22}, {0.17, 0.33, 0.70}, {0.62, 0.32, 0.14}};
        break;
    case Suit::Diamonds:
        p = {{0.96, 0.68, 0.16}, {0.80, 0.48, 0.08}, {0.80, 0.12, 0.16}, {0.17, 0.33, 0.70}, {0.80, 0.80, 0.78}};
        break;
    case Suit::Clubs:
        p = {{0.17, 0.34, 0.72}, {0.10, 0.20, 0.50}, {0.97, 0.78, 0.22}, {0.80, 0.12, 0.16}, {0.30, 0.20, 0.12}};
        break;
    case Suit::Spades:
        p = {{0.36, 0.22, 0.55}, {0.22, 0.12, 0.38}, {0.97, 0.78, 0.22}, {0.12, 0.55, 0.42}, {0.12, 0.11, 0.12}};
        break;
    }
    // The queens wear their hair fair or red; the jacks are young and dark-haired.
    if (rank == 12)
        p.hair = (suit == Suit::Hearts || suit == Suit::Clubs) ? Rgb{0.93, 0.72, 0.25} : Rgb{0.70, 0.30, 0.12};
    if (rank == 11)
        p.hair = (suit == Suit::Diamonds) ? Rgb{0.85, 0.62, 0.22} : Rgb{0.40, 0.24, 0.12};
    return p;
}

const Rgb kLine{0.16, 0.10, 0.10};
const Rgb kSkin{0.98, 0.85, 0.70};
const Rgb kGold{0.97, 0.78, 0.22};
const Rgb kWhite{1, 1, 1};
const Rgb kSteel{0.80, 0.84, 0.88};

void Set(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// Fills the current path and outlines it in the picture's line colour.
void Ink(cairo_t* cr, const Rgb& fill, double weight = 1.7)
{
    Set(cr, fill);
    cairo_fill_preserve(cr);
    Set(cr, kLine);
    cairo_set_line_width(cr, weight);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void Line(cairo_t* cr, double weight = 1.4)
{
    Set(cr, kLine);
    cairo_set_line_width(cr, weight);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry)
{
    cairo_new_sub_path(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void Dot(cairo_t* cr, double x, double y, double r, const Rgb& c)
{
    cairo_new_path(cr);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    Set(cr, c);
    cairo_fill(cr);
}

// Eyes, brows, nose and mouth of a face centred at (50, 38).
void Features(cairo_t* cr, bool rosy, bool lips)
{
    Dot(cr, 45.2, 36.0, 1.6, kLine);
    Dot(cr, 54.8, 36.0, 1.6, kLine);
    cairo_new_path(cr);
    cairo_move_to(cr, 42.0, 32.0);
    cairo_curve_to(cr, 43.5, 30.6, 46.0, 30.4, 47.6, 31.4);
    cairo_move_to(cr, 52.4, 31.4);
    cairo_curve_to(cr, 54.0, 30.4, 56.5, 30.6, 58.0, 32.0);
    Line(cr, 1.2);
    cairo_new_path(cr);
    cairo_move_to(cr, 50.4, 36.5);
    cairo_curve_to(cr, 49.4, 39.5, 48.5, 41.5, 48.8, 42.6);
    cairo_line_to(cr, 51.2, 42.6);
    Line(cr, 1.1);
    if (rosy) {
        cairo_new_path(cr);
        Ellipse(cr, 43.2, 42.5, 2.8, 1.8);
        Ellipse(cr, 56.8, 42.5, 2.8, 1.8);
        cairo_set_source_rgba(cr, 0.95, 0.40, 0.40, 0.45);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    if (lips) {
        Ellipse(cr, 50, 46.4, 2.8, 1.3);
        Set(cr, Rgb{0.82, 0.12, 0.18});
        cairo_fill(cr);
    } else {
        cairo_move_to(cr, 47.2, 46.0);
        cairo_curve_to(cr, 48.8, 47.2, 51.2, 47.2, 52.8, 46.0);
        Line(cr, 1.1);
    }
}

void Face(cairo_t* cr, double rx, double ry)
{
    cairo_new_path(cr);
    Ellipse(cr, 50, 38, rx, ry);
    Ink(cr, kSkin);
}

// The head is drawn a little larger than the bust, as on printed court
// cards, growing from a point above the crown so it stays in the panel.
void HeadSpace(cairo_t* cr)
{
    cairo_translate(cr, 50, 8);
    cairo_scale(cr, 1.15, 1.15);
    cairo_translate(cr, -50, -8);
}

// Shoulders and chest down to the line between the halves.
void Robe(cairo_t* cr, const Palette& p)
{
    const double bottom = kHalfHeight + 1;
    cairo_new_path(cr);
    cairo_move_to(cr, 40, 58);
    cairo_curve_to(cr, 30, 60, 18, 61, 12, 68);
    cairo_line_to(cr, 6, 78);
    cairo_line_to(cr, 6, bottom);
    cairo_line_to(cr, 94, bottom);
    cairo_line_to(cr, 94, 78);
    cairo_line_to(cr, 88, 68);
    cairo_curve_to(cr, 82, 61, 70, 60, 60, 58);
    cairo_close_path(cr);
    cairo_save(cr);
    Set(cr, p.robe);
    cairo_fill_preserve(cr);
    cairo_clip_preserve(cr);
    // Woven dots over the cloth.
    cairo_path_t* outline = cairo_copy_path(cr);
    cairo_new_path(cr);
    for (double y = 66; y < bottom; y += 7)
        for (double x = (int(y) % 2 ? 6.0 : 10.0); x < 96; x += 8) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, x, y, 1.1, 0, 2 * M_PI);
        }
    cairo_set_source_rgba(cr, p.trim.r, p.trim.g, p.trim.b, 0.7);
    cairo_fill(cr);
    // A broad trimmed edge over the shoulders, like the border of a cape.
    cairo_new_path(cr);
    cairo_move_to(cr, 4, 84);
    cairo_curve_to(cr, 8, 70, 20, 64, 40, 61);
    cairo_move_to(cr, 96, 84);
    cairo_curve_to(cr, 92, 70, 80, 64, 60, 61);
    Set(cr, p.accent);
    cairo_set_line_width(cr, 7);
    cairo_stroke_preserve(cr);
    Set(cr, p.trim);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_new_path(cr);
    cairo_append_path(cr, outline);
    cairo_path_destroy(outline);
    Set(cr, kLine);
    cairo_set_line_width(cr, 1.7);
    cairo_stroke(cr);
    // Folds at the arms.
    cairo_new_path(cr);
    cairo_move_to(cr, 16, bottom);
    cairo_curve_to(cr, 16, 80, 20, 74, 26, 70);
    cairo_move_to(cr, 84, bottom);
    cairo_curve_to(cr, 84, 80, 80, 74, 74, 70);
    Set(cr, p.robeShade);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
    // An embroidered band down the front.
    cairo_new_path(cr);
    cairo_rectangle(cr, 43, 62, 14, bottom - 62);
    Ink(cr, p.trim, 1.3);
    for (double y = 69; y < bottom; y += 7.5) {
        cairo_new_path(cr);
        cairo_move_to(cr, 50, y - 3);
        cairo_line_to(cr, 53.2, y);
        cairo_line_to(cr, 50, y + 3);
        cairo_line_to(cr, 46.8, y);
        cairo_close_path(cr);
        Set(cr, p.accent);
        cairo_fill(cr);
    }
}

// The arm that holds the thing in the hand, ending in the hand at (x, y).
void Arm(cairo_t* cr, const Palette& p, double x, double y)
{
    const double side = x > 50 ? 1 : -1;
    cairo_new_path(cr);
    cairo_move_to(cr, 50 + side * 36, 68);
    cairo_curve_to(cr, 50 + side * 44, 74, 50 + side * 42, 84, x + side * 3, y + 4);
    cairo_line_to(cr, x - side * 5, y + 2);
    cairo_curve_to(cr, x - side * 2, y - 4, 50 + side * 30, 74, 50 + side * 28, 68);
    cairo_close_path(cr);
    Ink(cr, p.robeShade, 1.3);
    cairo_new_path(cr);
    Ellipse(cr, x, y, 4.8, 4.0);
    Ink(cr, kSkin, 1.3);
}

void Sword(cairo_t* cr, double x)
{
    cairo_new_path(cr);
    cairo_move_to(cr, x - 3, 66);
    cairo_line_to(cr, x - 3, 14);
    cairo_line_to(cr, x, 7);
    cairo_line_to(cr, x + 3, 14);
    cairo_line_to(cr, x + 3, 66);
    cairo_close_path(cr);
    Ink(cr, kSteel, 1.4);
    cairo_new_path(cr);
    cairo_move_to(cr, x, 14);
    cairo_line_to(cr, x, 62);
    Set(cr, Rgb{0.6, 0.64, 0.7});
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, x - 9, 65, 18, 4.5);
    Ink(cr, kGold, 1.3);
    cairo_new_path(cr);
    cairo_rectangle(cr, x - 2.2, 69.5, 4.4, 10);
    Ink(cr, Rgb{0.45, 0.25, 0.12}, 1.2);
}

void Sceptre(cairo_t* cr, double x, const Palette& p)
{
    cairo_new_path(cr);
    cairo_rectangle(cr, x - 2, 18, 4, 66);
    Ink(cr, kGold, 1.3);
    cairo_new_path(cr);
    cairo_arc(cr, x, 14, 6, 0, 2 * M_PI);
    Ink(cr, p.accent, 1.3);
    cairo_new_path(cr);
    cairo_move_to(cr, x, 4);
    cairo_line_to(cr, x, 10);
    cairo_move_to(cr, x - 3, 6.5);
    cairo_line_to(cr, x + 3, 6.5);
    Line(cr, 1.6);
    cairo_new_path(cr);
    cairo_rectangle(cr, x - 5, 36, 10, 3.5);
    Ink(cr, kGold, 1.1);
}

void BattleAxe(cairo_t* cr, double x)
{
    cairo_new_path(cr);
    cairo_rectangle(cr, x - 1.8, 8, 3.6, 78);
    Ink(cr, Rgb{0.55, 0.33, 0.15}, 1.2);
    cairo_new_path(cr);
    cairo_move_to(cr, x + 1.8, 14);
    cairo_curve_to(cr, x + 10, 10, x + 14, 12, x + 15, 10);
    cairo_curve_to(cr, x + 17, 18, x + 17, 26, x + 15, 34);
    cairo_curve_to(cr, x + 14, 32, x + 10, 33, x + 1.8, 29);
    cairo_close_path(cr);
    Ink(cr, kSteel, 1.3);
}

void Rose(cairo_t* cr, double x, double y)
{
    cairo_new_path(cr);
    cairo_move_to(cr, x + 1, y + 6);
    cairo_curve_to(cr, x + 4, y + 20, x + 2, y + 30, x + 6, y + 40);
    Set(cr, Rgb{0.12, 0.48, 0.18});
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    cairo_new_path(cr);
    Ellipse(cr, x + 7, y + 18, 4.5, 2.2);
    Ink(cr, Rgb{0.25, 0.65, 0.25}, 1.0);
    cairo_new_path(cr);
    cairo_arc(cr, x, y, 6.2, 0, 2 * M_PI);
    Ink(cr, Rgb{0.86, 0.14, 0.22}, 1.3);
    cairo_new_path(cr);
    cairo_arc(cr, x, y, 3.2, 0.3, 5.6);
    Set(cr, Rgb{0.55, 0.05, 0.12});
    cairo_set_line_width(cr, 1.1);
    cairo_stroke(cr);
}

void Halberd(cairo_t* cr, double x)
{
    cairo_new_path(cr);
    cairo_rectangle(cr, x - 1.6, 10, 3.2, 76);
    Ink(cr, Rgb{0.55, 0.33, 0.15}, 1.1);
    cairo_new_path(cr);
    cairo_move_to(cr, x, 2);
    cairo_line_to(cr, x + 3, 12);
    cairo_line_to(cr, x - 3, 12);
    cairo_close_path(cr);
    Ink(cr, kSteel, 1.1);
    cairo_new_path(cr);
    cairo_move_to(cr, x - 1.6, 14);
    cairo_curve_to(cr, x - 8, 13, x - 11, 16, x - 12, 15);
    cairo_curve_to(cr, x - 12, 21, x - 10, 26, x - 8, 28);
    cairo_curve_to(cr, x - 6, 26, x - 4, 25, x - 1.6, 25);
    cairo_close_path(cr);
    Ink(cr, kSteel, 1.1);
}

void Torch(cairo_t* cr, double x)
{
    cairo_new_path(cr);
    cairo_move_to(cr, x - 2.5, 22);
    cairo_line_to(cr, x + 2.5, 22);
    cairo_line_to(cr, x + 1.6, 84);
    cairo_line_to(cr, x - 1.6, 84);
    cairo_close_path(cr);
    Ink(cr, Rgb{0.55, 0.33, 0.15}, 1.1);
    cairo_new_path(cr);
    cairo_move_to(cr, x, 3);
    cairo_curve_to(cr, x + 7, 10, x + 6, 18, x, 22);
    cairo_curve_to(cr, x - 6, 18, x - 7, 10, x, 3);
    cairo_close_path(cr);
    Ink(cr, Rgb{0.98, 0.55, 0.12}, 1.1);
    cairo_new_path(cr);
    cairo_move_to(cr, x, 10);
    cairo_curve_to(cr, x + 3, 14, x + 2.5, 18, x, 20);
    cairo_curve_to(cr, x - 2.5, 18, x - 3, 14, x, 10);
    Set(cr, Rgb{1.0, 0.9, 0.35});
    cairo_fill(cr);
}

void Crown(cairo_t* cr, const Palette& p)
{
    cairo_new_path(cr);
    cairo_move_to(cr, 36.5, 26.5);
    cairo_line_to(cr, 36, 9);
    cairo_line_to(cr, 42, 17);
    cairo_line_to(cr, 46, 6);
    cairo_line_to(cr, 50, 15);
    cairo_line_to(cr, 54, 6);
    cairo_line_to(cr, 58, 17);
    cairo_line_to(cr, 64, 9);
    cairo_line_to(cr, 63.5, 26.5);
    cairo_close_path(cr);
    Ink(cr, kGold, 1.5);
    cairo_new_path(cr);
    cairo_rectangle(cr, 36.5, 21.5, 27, 5);
    Ink(cr, kGold, 1.3);
    Dot(cr, 43, 24, 1.5, p.accent);
    Dot(cr, 50, 24, 1.8, Rgb{0.82, 0.1, 0.16});
    Dot(cr, 57, 24, 1.5, p.accent);
    for (double x : {36.0, 46.0, 54.0, 64.0})
        Dot(cr, x, x == 46.0 || x == 54.0 ? 6 : 9, 1.7, kWhite);
}

void King(cairo_t* cr, Suit suit, const Palette& p)
{
    cairo_save(cr);
    HeadSpace(cr);
    // Hair falling behind the ears.
    cairo_new_path(cr);
    cairo_move_to(cr, 36, 28);
    cairo_curve_to(cr, 33, 40, 34, 50, 37, 55);
    cairo_line_to(cr, 63, 55);
    cairo_curve_to(cr, 66, 50, 67, 40, 64, 28);
    cairo_close_path(cr);
    Ink(cr, p.hair, 1.4);
    cairo_restore(cr);

    Robe(cr, p);
    // Ermine collar.
    cairo_new_path(cr);
    cairo_move_to(cr, 22, 64);
    cairo_curve_to(cr, 36, 56, 64, 56, 78, 64);
    cairo_curve_to(cr, 64, 72, 36, 72, 22, 64);
    cairo_close_path(cr);
    Ink(cr, kWhite, 1.3);
    for (double x : {29.0, 39.0, 50.0, 61.0, 71.0})
        Dot(cr, x, 64.5, 1.2, kLine);

    cairo_save(cr);
    HeadSpace(cr);
    Face(cr, 11, 14);
    Features(cr, false, false);
    // Beard over the chin, moustache under the nose.
    cairo_new_path(cr);
    cairo_move_to(cr, 39.5, 42);
    cairo_curve_to(cr, 40, 56, 46, 61, 50, 62);
    cairo_curve_to(cr, 54, 61, 60, 56, 60.5, 42);
    cairo_curve_to(cr, 57, 49, 43, 49, 39.5, 42);
    cairo_close_path(cr);
    Ink(cr, p.hair, 1.3);
    cairo_new_path(cr);
    cairo_move_to(cr, 50, 44.5);
    cairo_curve_to(cr, 47, 43, 43, 44, 42, 47.5);
    cairo_move_to(cr, 50, 44.5);
    cairo_curve_to(cr, 53, 43, 57, 44, 58, 47.5);
    Line(cr, 2.0);
    Crown(cr, p);
    cairo_restore(cr);

    if (suit == Suit::Hearts || suit == Suit::Spades)
        Sword(cr, 82);
    else if (suit == Suit::Diamonds)
        BattleAxe(cr, 80);
    else
        Sceptre(cr, 82, p);
    Arm(cr, p, suit == Suit::Diamonds ? 80 : 82, 80);
}

void Queen(cairo_t* cr, Suit suit, const Palette& p)
{
    cairo_save(cr);
    HeadSpace(cr);
    // Long hair falling to the shoulders.
    cairo_new_path(cr);
    cairo_move_to(cr, 50, 22);
    cairo_curve_to(cr, 34, 22, 34, 36, 33, 48);
    cairo_curve_to(cr, 32, 54, 30, 58, 27, 61);
    cairo_line_to(cr, 73, 61);
    cairo_curve_to(cr, 70, 58, 68, 54, 67, 48);
    cairo_curve_to(cr, 66, 36, 66, 22, 50, 22);
    cairo_close_path(cr);
    Ink(cr, p.hair, 1.4);
    cairo_restore(cr);

    Robe(cr, p);
    // A square neckline with a string of pearls.
    cairo_new_path(cr);
    cairo_move_to(cr, 38, 59);
    cairo_line_to(cr, 40, 70);
    cairo_line_to(cr, 60, 70);
    cairo_line_to(cr, 62, 59);
    cairo_close_path(cr);
    Ink(cr, kSkin, 1.3);
    for (int i = 0; i <= 6; ++i) {
        const double t = i / 6.0;
        Dot(cr, 42 + 16 * t, 62 + 4 * std::sin(t * M_PI), 1.3, kWhite);
    }

    cairo_save(cr);
    HeadSpace(cr);
    Face(cr, 10, 13);
    // Fringe over the brow.
    cairo_new_path(cr);
    cairo_move_to(cr, 40, 33);
    cairo_curve_to(cr, 42, 26, 47, 25, 50, 25.5);
    cairo_curve_to(cr, 53, 25, 58, 26, 60, 33);
    cairo_curve_to(cr, 56, 28, 44, 28, 40, 33);
    cairo_close_path(cr);
    Ink(cr, p.hair, 1.0);
    Features(cr, true, true);
    // Tiara: a band with three rounded arches and pearls.
    cairo_new_path(cr);
    cairo_move_to(cr, 39, 25);
    cairo_curve_to(cr, 39, 17, 43, 14, 44.5, 19);
    cairo_curve_to(cr, 45, 10, 55, 10, 55.5, 19);
    cairo_curve_to(cr, 57, 14, 61, 17, 61, 25);
    cairo_close_path(cr);
    Ink(cr, kGold, 1.4);
    Dot(cr, 50, 11, 2.0, kWhite);
    Dot(cr, 50, 19.5, 1.8, p.accent);
    Dot(cr, 42.5, 21, 1.2, Rgb{0.82, 0.1, 0.16});
    Dot(cr, 57.5, 21, 1.2, Rgb{0.82, 0.1, 0.16});
    cairo_restore(cr);

    if (suit == Suit::Spades || suit == Suit::Diamonds) {
        Sceptre(cr, 82, p);
        Arm(cr, p, 82, 80);
    } else {
        Rose(cr, 20, 46);
        Arm(cr, p, 22, 80);
    }
}

void Jack(cairo_t* cr, Suit suit, const Palette& p)
{
    Robe(cr, p);
    // Ruffled collar.
    cairo_new_path(cr);
    cairo_move_to(cr, 31, 62);
    for (int i = 0; i < 11; ++i) {
        const double x = 31 + 3.45 * i;
        cairo_line_to(cr, x + 1.7, i % 2 ? 59 : 70);
        cairo_line_to(cr, x + 3.45, 62);
    }
    cairo_curve_to(cr, 62, 68, 38, 68, 31, 62);
    cairo_close_path(cr);
    Ink(cr, kWhite, 1.1);

    cairo_save(cr);
    HeadSpace(cr);
    // Curls at the temples.
    for (double y : {33.0, 40.0, 47.0}) {
        for (double x : {38.5, 61.5}) {
            cairo_new_path(cr);
            cairo_arc(cr, x, y, 3.6, 0, 2 * M_PI);
            Ink(cr, p.hair, 1.1);
        }
    }
    Face(cr, 10, 13);
    Features(cr, true, false);
    // A soft cap with a brim and a long feather.
    cairo_new_path(cr);
    cairo_move_to(cr, 60, 21);
    cairo_curve_to(cr, 68, 14, 74, 8, 82, 4);
    cairo_curve_to(cr, 78, 12, 72, 20, 61, 25);
    cairo_close_path(cr);
    Ink(cr, suit == Suit::Diamonds ? Rgb{0.98, 0.96, 0.9} : p.trim, 1.1);
    cairo_new_path(cr);
    cairo_move_to(cr, 33, 28);
    cairo_curve_to(cr, 32, 14, 44, 11, 52, 12);
    cairo_curve_to(cr, 62, 12, 70, 18, 67, 28);
    cairo_close_path(cr);
    Ink(cr, p.robe, 1.4);
    cairo_new_path(cr);
    cairo_move_to(cr, 36, 26);
    cairo_curve_to(cr, 44, 23, 56, 23, 64, 26);
    cairo_line_to(cr, 64, 30);
    cairo_curve_to(cr, 56, 27, 44, 27, 36, 30);
    cairo_close_path(cr);
    Ink(cr, p.trim, 1.2);
    cairo_restore(cr);

    if (suit == Suit::Hearts || suit == Suit::Spades)
        Halberd(cr, 84);
    else
        Torch(cr, 84);
    Arm(cr, p, 84, 80);
}

void Half(cairo_t* cr, Suit suit, int rank)
{
    const Palette p = SuitPalette(suit, rank);
    if (rank == 13)
        King(cr, suit, p);
    else if (rank == 12)
        Queen(cr, suit, p);
    else
        Jack(cr, suit, p);
    // The suit beside the head, as on printed court cards.
    CSuitSymbol::Draw(cr, suit, 13, 12, 15);
}

}  // namespace

void CCourtFigure::Draw(cairo_t* cr, Suit suit, int rank)
{
    const Palette p = SuitPalette(suit, rank);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, kPanelX0, kPanelY0, kPanelX1 - kPanelX0, kPanelY1 - kPanelY0);
    cairo_set_source_rgb(cr, 1.0, 0.98, 0.92);
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    const double middle = (kPanelY0 + kPanelY1) / 2;
    for (int half = 0; half < 2; ++half) {
        cairo_save(cr);
        cairo_rectangle(cr, kPanelX0, half == 0 ? kPanelY0 : middle, kPanelX1 - kPanelX0, middle - kPanelY0);
        cairo_clip(cr);
        cairo_new_path(cr);
        if (half == 1) {
            const double cx = (kPanelX0 + kPanelX1) / 2, cy = (kPanelY0 + kPanelY1) / 2;
            cairo_translate(cr, cx, cy);
            cairo_rotate(cr, M_PI);
            cairo_translate(cr, -cx, -cy);
        }
        cairo_translate(cr, kPanelX0, kPanelY0);
        cairo_scale(cr, kUnit, kUnit);
        Half(cr, suit, rank);
        cairo_restore(cr);
    }
    cairo_restore(cr);
    // The frame, and the line where the two halves meet.
    cairo_new_path(cr);
    cairo_move_to(cr, kPanelX0, (kPanelY0 + kPanelY1) / 2);
    cairo_line_to(cr, kPanelX1, (kPanelY0 + kPanelY1) / 2);
    cairo_set_source_rgb(cr, p.robeShade.r, p.robeShade.g, p.robeShade.b);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, kPanelX0 + 0.5, kPanelY0 + 0.5, kPanelX1 - kPanelX0 - 1, kPanelY1 - kPanelY0 - 1);
    const Rgb ink = CSuitSymbol::Ink(suit);
    cairo_set_source_rgb(cr, ink.r, ink.g, ink.b);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}
