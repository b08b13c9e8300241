#include "BackArt.h"

#include "CardPainter.h"

#include <cmath>
#include <initializer_list>
#include <cstdint>

namespace {

constexpr double kW = CCardPainter::kWidth;
constexpr double kH = CCardPainter::kHeight;
constexpr double kMargin = 4.5;

void Rgb(cairo_t* cr, double r, double g, double b) { cairo_set_source_rgb(cr, r, g, b); }

void Field(cairo_t* cr)
{
    cairo_new_path(cr);
    CCardPainter::OutlinePath(cr, kMargin);
}

void Lattice(cairo_t* cr)
{
    Field(cr);
    Rgb(cr, 0.10, 0.25, 0.62);
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    // Two sets of diagonal lines give the woven diamonds.
    cairo_set_line_width(cr, 0.9);
    cairo_set_source_rgba(cr, 0.75, 0.85, 1.0, 0.75);
    for (double d = -kH; d < kW + kH; d += 6) {
        cairo_move_to(cr, d, 0);
        cairo_line_to(cr, d + kH, kH);
        cairo_move_to(cr, d, kH);
        cairo_line_to(cr, d + kH, 0);
    }
    cairo_stroke(cr);
    for (double y = 3; y < kH; y += 6)
        for (double x = ((int(y) / 6) % 2 ? 0.0 : 3.0); x < kW; x += 6) {
            cairo_new_path(cr);
            cairo_arc(cr, x, y, 0.8, 0, 2 * M_PI);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
            cairo_fill(cr);
        }
    // Medallion: a white oval with an eight-pointed star.
    const double cx = kW / 2, cy = kH / 2;
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 17, 22);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    Rgb(cr, 0.97, 0.97, 1.0);
    cairo_fill_preserve(cr);
    Rgb(cr, 0.06, 0.16, 0.45);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    cairo_new_path(cr);
    for (int i = 0; i < 16; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 8;
        const double r = i % 2 ? 5.5 : 14.0;
        cairo_line_to(cr, cx + r * std::cos(a) * 0.78, cy + r * std::sin(a));
    }
    cairo_close_path(cr);
    Rgb(cr, 0.10, 0.25, 0.62);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, 3.0, 0, 2 * M_PI);
    Rgb(cr, 0.95, 0.78, 0.25);
    cairo_fill(cr);
    cairo_restore(cr);
    Field(cr);
    Rgb(cr, 0.06, 0.16, 0.45);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

void Petal(cairo_t* cr, double cx, double cy, double angle, double length, double width)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, 0, 0);
    cairo_curve_to(cr, width, -length * 0.3, width, -length * 0.75, 0, -length);
    cairo_curve_to(cr, -width, -length * 0.75, -width, -length * 0.3, 0, 0);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void Rosette(cairo_t* cr)
{
    Field(cr);
    Rgb(cr, 0.72, 0.07, 0.12);
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    // A field of small four-petalled flowers.
    int row = 0;
    for (double y = 4; y < kH; y += 8, ++row)
        for (double x = (row % 2 ? 4.0 : 8.0); x < kW; x += 8) {
            cairo_new_path(cr);
            for (int k = 0; k < 4; ++k)
                Petal(cr, x, y, k * M_PI / 2, 3.0, 1.4);
            cairo_set_source_rgba(cr, 1.0, 0.75, 0.70, 0.55);
            cairo_fill(cr);
        }
    const double cx = kW / 2, cy = kH / 2;
    // The rosette: rings and two layers of petals.
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, 26, 0, 2 * M_PI);
    Rgb(cr, 0.55, 0.03, 0.08);
    cairo_fill_preserve(cr);
    Rgb(cr, 0.98, 0.82, 0.35);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    for (int i = 0; i < 24; ++i) {
        const double a = i * M_PI / 12;
        cairo_new_path(cr);
        cairo_arc(cr, cx + 23 * std::cos(a), cy + 23 * std::sin(a), 0.9, 0, 2 * M_PI);
        Rgb(cr, 0.98, 0.82, 0.35);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    for (int i = 0; i < 12; ++i)
        Petal(cr, cx, cy, i * M_PI / 6, 20, 5.5);
    Rgb(cr, 0.98, 0.82, 0.35);
    cairo_fill(cr);
    cairo_new_path(cr);
    for (int i = 0; i < 12; ++i)
        Petal(cr, cx, cy, i * M_PI / 6 + M_PI / 12, 14, 4);
    Rgb(cr, 1.0, 0.97, 0.9);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, 4.5, 0, 2 * M_PI);
    Rgb(cr, 0.72, 0.07, 0.12);
    cairo_fill_preserve(cr);
    Rgb(cr, 0.98, 0.82, 0.35);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_restore(cr);
    // A gold line a little inside the edge.
    cairo_new_path(cr);
    CCardPainter::OutlinePath(cr, kMargin + 2.5);
    Rgb(cr, 0.98, 0.82, 0.35);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

void Tartan(cairo_t* cr)
{
    Field(cr);
    Rgb(cr, 0.07, 0.38, 0.20);
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    // The same sett across and down; the overlaps darken as woven cloth does.
    struct Stripe {
        double offset, width, r, g, b, a;
    };
    const Stripe sett[] = {
        {0, 7, 0.04, 0.10, 0.30, 0.55},  {9, 1.2, 0.95, 0.80, 0.20, 0.9}, {12, 7, 0.04, 0.10, 0.30, 0.55},
        {20, 2.5, 0.02, 0.15, 0.08, 0.6}, {15.5, 0.9, 0.85, 0.12, 0.15, 0.9},
    };
    const double repeat = 24;
    for (int dir = 0; dir < 2; ++dir)
        for (double base = -repeat; base < kH + repeat; base += repeat)
            for (const Stripe& s : sett) {
                cairo_new_path(cr);
                if (dir == 0)
                    cairo_rectangle(cr, 0, base + s.offset, kW, s.width);
                else
                    cairo_rectangle(cr, base + s.offset - 6, 0, s.width, kH);
                cairo_set_source_rgba(cr, s.r, s.g, s.b, s.a);
                cairo_fill(cr);
            }
    // A fine twill: thin diagonal hatching over the whole cloth.
    cairo_set_source_rgba(cr, 0, 0, 0, 0.12);
    cairo_set_line_width(cr, 0.7);
    for (double d = -kH; d < kW + kH; d += 2.5) {
        cairo_move_to(cr, d, 0);
        cairo_line_to(cr, d + kH, kH);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    Field(cr);
    Rgb(cr, 0.03, 0.20, 0.10);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

// A small fixed generator, so the sky has the same stars on every build.
class StarRandom {
public:
    double Next()
    {
        m_state = m_state * 1103515245u + 12345u;
        return double((m_state >> 8) & 0xFFFF) / 65536.0;
    }

private:
    std::uint32_t m_state = 2718281u;
};

void Sparkle(cairo_t* cr, double x, double y, double r)
{
    cairo_new_path(cr);
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        const double rr = i % 2 ? r * 0.3 : r;
        cairo_line_to(cr, x + rr * std::cos(a), y + rr * std::sin(a));
    }
    cairo_close_path(cr);
    cairo_fill(cr);
}

void NightSky(cairo_t* cr)
{
    Field(cr);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kH);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.05, 0.06, 0.25);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.30, 0.12, 0.42);
    cairo_set_source(cr, sky);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(sky);
    cairo_save(cr);
    cairo_clip(cr);
    StarRandom random;
    for (int i = 0; i < 70; ++i) {
        const double x = 5 + random.Next() * (kW - 10);
        const double y = 5 + random.Next() * (kH - 10);
        const double size = random.Next();
        cairo_set_source_rgba(cr, 1.0, 0.97, 0.85, 0.45 + 0.5 * size);
        if (size > 0.86) {
            Sparkle(cr, x, y, 2.6);
        } else {
            cairo_new_path(cr);
            cairo_arc(cr, x, y, 0.45 + 0.5 * size, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    }
    // Crescent moon with a soft glow.
    const double mx = kW / 2 + 4, my = kH / 2 - 4;
    cairo_pattern_t* glow = cairo_pattern_create_radial(mx, my, 6, mx, my, 26);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.92, 0.6, 0.35);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.92, 0.6, 0.0);
    cairo_set_source(cr, glow);
    cairo_new_path(cr);
    cairo_arc(cr, mx, my, 26, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_new_path(cr);
    cairo_arc(cr, mx, my, 15, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, mx + 7, my - 5, 13, 2 * M_PI, 0);
    Rgb(cr, 1.0, 0.88, 0.45);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_new_path(cr);
    CCardPainter::OutlinePath(cr, kMargin + 2.0);
    Rgb(cr, 0.95, 0.78, 0.30);
    cairo_set_line_width(cr, 0.9);
    cairo_stroke(cr);
    Field(cr);
    Rgb(cr, 0.05, 0.05, 0.20);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

}  // namespace

void CBackArt::Draw(cairo_t* cr, int index)
{
    switch (index) {
    case 0: Lattice(cr); break;
    case 1: Rosette(cr); break;
    case 2: Tartan(cr); break;
    default: NightSky(cr); break;
    }
}
