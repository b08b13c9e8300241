#include "JokerArt.h"

#include "CardPainter.h"
#include "StrokeFont.h"
#include "SuitSymbol.h"

#include <cmath>
#include <initializer_list>
#include <tuple>

namespace {

const Rgb kLine{0.12, 0.08, 0.10};
const Rgb kSkin{0.99, 0.88, 0.74};

void Set(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void Ink(cairo_t* cr, const Rgb& fill, double weight = 0.9)
{
    Set(cr, fill);
    cairo_fill_preserve(cr);
    Set(cr, kLine);
    cairo_set_line_width(cr, weight);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void Star(cairo_t* cr, double cx, double cy, double r, const Rgb& c)
{
    cairo_new_path(cr);
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double rr = i % 2 ? r * 0.45 : r;
        cairo_line_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
    }
    cairo_close_path(cr);
    Set(cr, c);
    cairo_fill(cr);
}

void Bell(cairo_t* cr, double x, double y)
{
    cairo_new_path(cr);
    cairo_arc(cr, x, y, 2.6, 0, 2 * M_PI);
    Ink(cr, Rgb{0.98, 0.80, 0.20}, 0.8);
    cairo_new_path(cr);
    cairo_move_to(cr, x - 1.3, y + 0.8);
    cairo_line_to(cr, x + 1.3, y + 0.8);
    Set(cr, kLine);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
}

// JOKER down the top-left corner with a small star under it.
void CornerName(cairo_t* cr, const Rgb& ink)
{
    Set(cr, ink);
    const char* letters[] = {"J", "O", "K", "E", "R"};
    const double height = 6.2;
    for (int i = 0; i < 5; ++i) {
        const double w = CStrokeFont::Advance(letters[i][0], height);
        CStrokeFont::Draw(cr, letters[i], 7.6 - w / 2, 5.0 + i * 8.2, height, 0, 1.3);
    }
    Star(cr, 7.6, 50.5, 4.2, ink);
}

// A grinning face centred at (cx, cy).
void Grin(cairo_t* cr, double cx, double cy, double r)
{
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    Ink(cr, kSkin);
    // Laughing eyes.
    cairo_new_path(cr);
    cairo_arc(cr, cx - r * 0.38, cy - r * 0.12, r * 0.17, M_PI * 1.1, M_PI * 1.9);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx + r * 0.38, cy - r * 0.12, r * 0.17, M_PI * 1.1, M_PI * 1.9);
    Set(cr, kLine);
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx - r * 0.55, cy + r * 0.25, r * 0.16, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx + r * 0.55, cy + r * 0.25, r * 0.16, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0.95, 0.35, 0.35, 0.55);
    cairo_fill(cr);
    // Nose and the wide smile.
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy + r * 0.1, r * 0.13, 0, 2 * M_PI);
    Ink(cr, Rgb{0.92, 0.25, 0.22}, 0.6);
    cairo_new_path(cr);
    cairo_move_to(cr, cx - r * 0.5, cy + r * 0.36);
    cairo_curve_to(cr, cx - r * 0.3, cy + r * 0.8, cx + r * 0.3, cy + r * 0.8, cx + r * 0.5, cy + r * 0.36);
    cairo_curve_to(cr, cx + r * 0.2, cy + r * 0.5, cx - r * 0.2, cy + r * 0.5, cx - r * 0.5, cy + r * 0.36);
    cairo_close_path(cr);
    Ink(cr, Rgb{0.75, 0.10, 0.15}, 0.8);
}

// Zigzag ruff under a head whose chin is at (cx, y).
void Ruff(cairo_t* cr, double cx, double y, double halfWidth, const Rgb& fill)
{
    cairo_new_path(cr);
    const int points = 9;
    cairo_move_to(cr, cx - halfWidth, y);
    for (int i = 0; i < points; ++i) {
        const double x = cx - halfWidth + (2 * halfWidth) * (i + 0.5) / points;
        cairo_line_to(cr, x, y + 8);
        cairo_line_to(cr, cx - halfWidth + (2 * halfWidth) * (i + 1) / points, y);
    }
    cairo_curve_to(cr, cx + halfWidth * 0.5, y - 4, cx - halfWidth * 0.5, y - 4, cx - halfWidth, y);
    cairo_close_path(cr);
    Ink(cr, fill);
}

void Harlequin(cairo_t* cr, double x0, double y0, double x1, double y1, double cell, const Rgb& a, const Rgb& b)
{
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_clip(cr);
    Set(cr, a);
    cairo_paint(cr);
    Set(cr, b);
    int row = 0;
    for (double y = y0; y < y1 + cell; y += cell, ++row) {
        for (double x = x0 + (row % 2 ? cell / 2 : 0); x < x1 + cell; x += cell) {
            cairo_move_to(cr, x, y - cell * 0.75);
            cairo_line_to(cr, x + cell / 2, y);
            cairo_line_to(cr, x, y + cell * 0.75);
            cairo_line_to(cr, x - cell / 2, y);
            cairo_close_path(cr);
        }
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

// The colourful jester: a three-pointed cap of red, yellow and blue with
// bells, a ruff and a checked tunic, among stars.
void ColourJester(cairo_t* cr)
{
    const Rgb red{0.86, 0.13, 0.17}, yellow{0.99, 0.80, 0.15}, blue{0.15, 0.38, 0.80}, green{0.12, 0.60, 0.32};
    for (auto [x, y, r] : {std::tuple{22.0, 17.0, 3.0}, {62.0, 14.0, 3.4}, {66.0, 46.0, 2.4}, {14.0, 66.0, 2.6},
                           {63.0, 72.0, 2.2}, {30.0, 8.0, 2.0}})
        Star(cr, x, y, r, yellow);
    // Tunic in harlequin checks.
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, 16, 101);
    cairo_curve_to(cr, 17, 86, 26, 78, 38.5, 78);
    cairo_curve_to(cr, 51, 78, 60, 86, 61, 101);
    cairo_close_path(cr);
    cairo_clip_preserve(cr);
    Harlequin(cr, 14, 76, 64, 102, 8, red, yellow);
    Set(cr, kLine);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_restore(cr);
    Ruff(cr, 38.5, 72, 17, Rgb{1, 1, 1});
    // Cap: three floppy points around the head.
    cairo_new_path(cr);
    cairo_move_to(cr, 26, 56);
    cairo_curve_to(cr, 19, 50, 15, 40, 15.5, 29);
    cairo_curve_to(cr, 22, 34, 27, 38, 32, 44);
    cairo_close_path(cr);
    Ink(cr, blue);
    cairo_new_path(cr);
    cairo_move_to(cr, 51, 56);
    cairo_curve_to(cr, 58, 50, 62, 40, 61.5, 29);
    cairo_curve_to(cr, 55, 34, 50, 38, 45, 44);
    cairo_close_path(cr);
    Ink(cr, green);
    cairo_new_path(cr);
    cairo_move_to(cr, 28, 48);
    cairo_curve_to(cr, 28, 36, 33, 24, 38.5, 16);
    cairo_curve_to(cr, 44, 24, 49, 36, 49, 48);
    cairo_close_path(cr);
    Ink(cr, red);
    Bell(cr, 15.5, 28);
    Bell(cr, 61.5, 28);
    Bell(cr, 38.5, 14.5);
    Grin(cr, 38.5, 59, 12.5);
    // Band of the cap across the brow.
    cairo_new_path(cr);
    cairo_move_to(cr, 25, 50.5);
    cairo_curve_to(cr, 32, 45, 45, 45, 52, 50.5);
    cairo_line_to(cr, 51, 46);
    cairo_curve_to(cr, 44, 41, 33, 41, 26, 46);
    cairo_close_path(cr);
    Ink(cr, yellow);
}

// The black jester: a two-pointed cap of black and red, a pale face with
// diamond marks at the eyes, a crescent moon and stars behind.
void MoonJester(cairo_t* cr)
{
    const Rgb black{0.10, 0.10, 0.12}, red{0.80, 0.08, 0.14}, silver{0.78, 0.80, 0.86};
    // Crescent moon.
    cairo_new_path(cr);
    cairo_arc(cr, 57, 22, 11, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, 62, 18, 9.5, 2 * M_PI, 0);
    Set(cr, Rgb{0.99, 0.82, 0.22});
    cairo_fill_preserve(cr);
    Set(cr, kLine);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
    for (auto [x, y, r] : {std::tuple{30.0, 12.0, 2.6}, {40.0, 20.0, 1.8}, {68.0, 44.0, 2.2}, {14.0, 62.0, 2.2},
                           {64.0, 66.0, 1.8}})
        Star(cr, x, y, r, black);
    // Body: a tunic split black and red.
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, 17, 101);
    cairo_curve_to(cr, 18, 88, 27, 80, 38.5, 80);
    cairo_curve_to(cr, 50, 80, 59, 88, 60, 101);
    cairo_close_path(cr);
    cairo_clip_preserve(cr);
    Set(cr, black);
    cairo_paint(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, 38.5, 70, 30, 40);
    Set(cr, red);
    cairo_fill(cr);
    for (double y : {86.0, 93.0, 100.0}) {
        cairo_new_path(cr);
        cairo_arc(cr, 38.5, y, 1.4, 0, 2 * M_PI);
        Set(cr, Rgb{0.99, 0.82, 0.22});
        cairo_fill(cr);
    }
    cairo_restore(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, 17, 101);
    cairo_curve_to(cr, 18, 88, 27, 80, 38.5, 80);
    cairo_curve_to(cr, 50, 80, 59, 88, 60, 101);
    Set(cr, kLine);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    Ruff(cr, 38.5, 74, 16, silver);
    // Two long points of the cap, curling outwards to the bells.
    cairo_new_path(cr);
    cairo_move_to(cr, 27, 52);
    cairo_curve_to(cr, 24, 40, 20, 31, 14, 34);
    cairo_curve_to(cr, 20, 23, 30, 26, 38.5, 40);
    cairo_close_path(cr);
    Ink(cr, black);
    cairo_new_path(cr);
    cairo_move_to(cr, 50, 52);
    cairo_curve_to(cr, 53, 40, 60, 32, 67, 38);
    cairo_curve_to(cr, 62, 26, 47, 26, 38.5, 40);
    cairo_close_path(cr);
    Ink(cr, red);
    Bell(cr, 14, 35);
    Bell(cr, 67, 39);
    // Pale face with the marks of a harlequin.
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, 38.5, 61);
    cairo_scale(cr, 11.5, 13);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    Ink(cr, Rgb{0.99, 0.97, 0.94});
    for (double side : {-1.0, 1.0}) {
        const double x = 38.5 + side * 4.6;
        cairo_new_path(cr);
        cairo_move_to(cr, x, 54);
        cairo_line_to(cr, x + 2.4, 58.5);
        cairo_line_to(cr, x, 63);
        cairo_line_to(cr, x - 2.4, 58.5);
        cairo_close_path(cr);
        Set(cr, side < 0 ? black : red);
        cairo_fill(cr);
        cairo_new_path(cr);
        cairo_arc(cr, x, 58.5, 0.9, 0, 2 * M_PI);
        Set(cr, Rgb{1, 1, 1});
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_move_to(cr, 32.5, 66.5);
    cairo_curve_to(cr, 35, 70.5, 42, 70.5, 44.5, 66.5);
    Set(cr, red);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    // Brim of the cap.
    cairo_new_path(cr);
    cairo_move_to(cr, 26, 53);
    cairo_curve_to(cr, 32, 47, 45, 47, 51, 53);
    cairo_line_to(cr, 50, 48.5);
    cairo_curve_to(cr, 44, 43, 33, 43, 27, 48.5);
    cairo_close_path(cr);
    Ink(cr, silver);
}

}  // namespace

void CJokerArt::Draw(cairo_t* cr, int which)
{
    const Rgb cornerInk = which == 0 ? Rgb{0.80, 0.07, 0.13} : Rgb{0.07, 0.07, 0.09};
    if (which == 0)
        ColourJester(cr);
    else
        MoonJester(cr);
    CornerName(cr, cornerInk);
    cairo_save(cr);
    CCardPainter::TurnAboutCentre(cr);
    CornerName(cr, cornerInk);
    cairo_restore(cr);
}
