#include "IconPainter.h"

#include "StrokeFont.h"
#include "SuitSymbol.h"

#include <algorithm>
#include <cmath>

namespace {

void RoundedSquare(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// A card of the given size centred on the origin, in the current transform.
void CardShape(cairo_t* cr, double w, double h)
{
    cairo_new_path(cr);
    RoundedSquare(cr, -w / 2, -h / 2, w, h, w * 0.1);
}

}  // namespace

cairo_surface_t* CIconPainter::Icon(int pixels)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels, pixels);
    cairo_t* cr = cairo_create(surface);
    const double s = pixels;
    const double px = 1.0 / s;  // one pixel in the unit square
    cairo_scale(cr, s, s);

    // Table felt.
    cairo_new_path(cr);
    RoundedSquare(cr, 0.02, 0.02, 0.96, 0.96, 0.18);
    cairo_pattern_t* felt = cairo_pattern_create_radial(0.4, 0.35, 0.1, 0.5, 0.5, 0.75);
    cairo_pattern_add_color_stop_rgb(felt, 0, 0.20, 0.66, 0.32);
    cairo_pattern_add_color_stop_rgb(felt, 1, 0.05, 0.38, 0.14);
    cairo_set_source(cr, felt);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(felt);
    cairo_set_source_rgb(cr, 0.03, 0.25, 0.09);
    cairo_set_line_width(cr, std::max(px, 0.012));
    cairo_stroke(cr);

    const double cw = 0.46, ch = 0.64;
    const double line = std::max(px, 0.015);
    // The back card, leaning left.
    cairo_save(cr);
    cairo_translate(cr, 0.39, 0.52);
    cairo_rotate(cr, -0.30);
    CardShape(cr, cw, ch);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.2);
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
    cairo_new_path(cr);
    RoundedSquare(cr, -cw / 2 + 0.04, -ch / 2 + 0.04, cw - 0.08, ch - 0.08, 0.03);
    cairo_set_source_rgb(cr, 0.12, 0.30, 0.70);
    cairo_fill_preserve(cr);
    if (pixels >= 32) {
        cairo_save(cr);
        cairo_clip(cr);
        cairo_set_source_rgba(cr, 0.8, 0.88, 1.0, 0.6);
        cairo_set_line_width(cr, std::max(px, 0.01));
        for (double d = -1; d < 1; d += 0.07) {
            cairo_move_to(cr, d, -0.5);
            cairo_line_to(cr, d + 1, 0.5);
            cairo_move_to(cr, d, 0.5);
            cairo_line_to(cr, d + 1, -0.5);
        }
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);

    // The ace of hearts in front, leaning right.
    cairo_save(cr);
    cairo_translate(cr, 0.60, 0.50);
    cairo_rotate(cr, 0.20);
    CardShape(cr, cw, ch);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.2);
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
    CSuitSymbol::Draw(cr, Suit::Hearts, 0, 0.02, pixels >= 32 ? 0.28 : 0.34);
    if (pixels >= 48) {
        const Rgb ink = CSuitSymbol::Ink(Suit::Hearts);
        cairo_set_source_rgb(cr, ink.r, ink.g, ink.b);
        const double h = 0.1;
        CStrokeFont::Draw(cr, "A", -cw / 2 + 0.04, -ch / 2 + 0.035, h, 0, 0.022);
        cairo_save(cr);
        cairo_rotate(cr, M_PI);
        CStrokeFont::Draw(cr, "A", -cw / 2 + 0.04, -ch / 2 + 0.035, h, 0, 0.022);
        cairo_restore(cr);
    }
    cairo_restore(cr);

    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}
