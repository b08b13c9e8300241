#include "StrokeFont.h"

#include <cmath>
#include <cstring>

namespace {

// Glyph boxes are 1 high; these are their widths.
double UnitWidth(char c)
{
    switch (c) {
    case '1': return 0.40;
    case 'J': return 0.56;
    case 'Q': return 0.70;
    case 'O': return 0.66;
    case 'G': return 0.64;
    case 'E': return 0.54;
    case 'K': return 0.62;
    case 'N': return 0.62;
    case 'R': return 0.62;
    case 'A': return 0.68;
    default: return 0.62;
    }
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

// The six, turned end over end, is the nine.
void SixPath(cairo_t* cr)
{
    cairo_move_to(cr, 0.56, 0.08);
    cairo_curve_to(cr, 0.48, 0.02, 0.41, 0.0, 0.34, 0.0);
    cairo_curve_to(cr, 0.12, 0.0, 0.04, 0.26, 0.04, 0.66);
    Ellipse(cr, 0.32, 0.68, 0.28, 0.32);
}

void GlyphPath(cairo_t* cr, char c)
{
    switch (c) {
    case 'A':
        cairo_move_to(cr, 0.02, 1.0);
        cairo_line_to(cr, 0.34, 0.0);
        cairo_line_to(cr, 0.66, 1.0);
        cairo_move_to(cr, 0.14, 0.64);
        cairo_line_to(cr, 0.54, 0.64);
        break;
    case '0':
        Ellipse(cr, 0.31, 0.5, 0.28, 0.5);
        break;
    case '1':
        cairo_move_to(cr, 0.04, 0.2);
        cairo_line_to(cr, 0.28, 0.0);
        cairo_line_to(cr, 0.28, 1.0);
        break;
    case '2':
        cairo_move_to(cr, 0.05, 0.25);
        cairo_curve_to(cr, 0.07, 0.07, 0.2, 0.0, 0.32, 0.0);
        cairo_curve_to(cr, 0.48, 0.0, 0.59, 0.1, 0.59, 0.26);
        cairo_curve_to(cr, 0.59, 0.48, 0.36, 0.6, 0.03, 1.0);
        cairo_line_to(cr, 0.61, 1.0);
        break;
    case '3':
        cairo_move_to(cr, 0.05, 0.14);
        cairo_curve_to(cr, 0.13, 0.03, 0.22, 0.0, 0.31, 0.0);
        cairo_curve_to(cr, 0.47, 0.0, 0.57, 0.1, 0.57, 0.23);
        cairo_curve_to(cr, 0.57, 0.37, 0.45, 0.46, 0.27, 0.46);
        cairo_curve_to(cr, 0.49, 0.46, 0.61, 0.58, 0.61, 0.72);
        cairo_curve_to(cr, 0.61, 0.9, 0.47, 1.0, 0.31, 1.0);
        cairo_curve_to(cr, 0.18, 1.0, 0.08, 0.95, 0.02, 0.85);
        break;
    case '4':
        cairo_move_to(cr, 0.46, 1.0);
        cairo_line_to(cr, 0.46, 0.0);
        cairo_line_to(cr, 0.02, 0.7);
        cairo_line_to(cr, 0.62, 0.7);
        break;
    case '5':
        cairo_move_to(cr, 0.56, 0.0);
        cairo_line_to(cr, 0.12, 0.0);
        cairo_line_to(cr, 0.07, 0.45);
        cairo_curve_to(cr, 0.15, 0.39, 0.23, 0.37, 0.31, 0.37);
        cairo_curve_to(cr, 0.49, 0.37, 0.61, 0.5, 0.61, 0.68);
        cairo_curve_to(cr, 0.61, 0.88, 0.47, 1.0, 0.3, 1.0);
        cairo_curve_to(cr, 0.18, 1.0, 0.08, 0.95, 0.02, 0.86);
        break;
    case '6':
        SixPath(cr);
        break;
    case '9': {
        cairo_save(cr);
        cairo_translate(cr, 0.62, 1.0);
        cairo_scale(cr, -1, -1);
        SixPath(cr);
        cairo_restore(cr);
        break;
    }
    case '7':
        cairo_move_to(cr, 0.02, 0.0);
        cairo_line_to(cr, 0.61, 0.0);
        cairo_curve_to(cr, 0.42, 0.28, 0.28, 0.6, 0.24, 1.0);
        break;
    case '8':
        Ellipse(cr, 0.31, 0.235, 0.24, 0.235);
        Ellipse(cr, 0.31, 0.73, 0.29, 0.27);
        break;
    case 'J':
        cairo_move_to(cr, 0.2, 0.0);
        cairo_line_to(cr, 0.52, 0.0);
        cairo_move_to(cr, 0.44, 0.0);
        cairo_line_to(cr, 0.44, 0.7);
        cairo_curve_to(cr, 0.44, 0.9, 0.34, 1.0, 0.22, 1.0);
        cairo_curve_to(cr, 0.11, 1.0, 0.03, 0.92, 0.02, 0.78);
        break;
    case 'Q':
        Ellipse(cr, 0.34, 0.48, 0.31, 0.48);
        cairo_move_to(cr, 0.4, 0.7);
        cairo_line_to(cr, 0.68, 1.02);
        break;
    case 'K':
        cairo_move_to(cr, 0.06, 0.0);
        cairo_line_to(cr, 0.06, 1.0);
        cairo_move_to(cr, 0.58, 0.0);
        cairo_line_to(cr, 0.06, 0.6);
        cairo_move_to(cr, 0.24, 0.4);
        cairo_line_to(cr, 0.6, 1.0);
        break;
    case 'O':
        Ellipse(cr, 0.33, 0.5, 0.3, 0.5);
        break;
    case 'N':
        cairo_move_to(cr, 0.05, 1.0);
        cairo_line_to(cr, 0.05, 0.0);
        cairo_line_to(cr, 0.57, 1.0);
        cairo_line_to(cr, 0.57, 0.0);
        break;
    case 'G':
        cairo_move_to(cr, 0.6, 0.17);
        cairo_curve_to(cr, 0.53, 0.06, 0.44, 0.0, 0.33, 0.0);
        cairo_curve_to(cr, 0.14, 0.0, 0.03, 0.22, 0.03, 0.5);
        cairo_curve_to(cr, 0.03, 0.78, 0.14, 1.0, 0.33, 1.0);
        cairo_curve_to(cr, 0.5, 1.0, 0.61, 0.87, 0.61, 0.7);
        cairo_line_to(cr, 0.61, 0.56);
        cairo_line_to(cr, 0.37, 0.56);
        break;
    case 'E':
        cairo_move_to(cr, 0.52, 0.0);
        cairo_line_to(cr, 0.05, 0.0);
        cairo_line_to(cr, 0.05, 1.0);
        cairo_line_to(cr, 0.52, 1.0);
        cairo_move_to(cr, 0.05, 0.5);
        cairo_line_to(cr, 0.44, 0.5);
        break;
    case 'R':
        cairo_move_to(cr, 0.06, 1.0);
        cairo_line_to(cr, 0.06, 0.0);
        cairo_line_to(cr, 0.34, 0.0);
        cairo_curve_to(cr, 0.5, 0.0, 0.58, 0.1, 0.58, 0.25);
        cairo_curve_to(cr, 0.58, 0.4, 0.49, 0.5, 0.33, 0.5);
        cairo_line_to(cr, 0.06, 0.5);
        cairo_move_to(cr, 0.3, 0.5);
        cairo_line_to(cr, 0.6, 1.0);
        break;
    default:
        break;
    }
}

}  // namespace

double CStrokeFont::Advance(char c, double height)
{
    return UnitWidth(c) * height;
}

double CStrokeFont::TextWidth(const char* text, double height, double gap, double condense)
{
    double width = 0;
    const std::size_t n = std::strlen(text);
    for (std::size_t i = 0; i < n; ++i)
        width += Advance(text[i], height) * condense + (i + 1 < n ? gap : 0.0);
    return width;
}

void CStrokeFont::AddPath(cairo_t* cr, const char* text, double x, double y, double height, double gap,
                          double condense)
{
    for (const char* p = text; *p; ++p) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, height * condense, height);
        GlyphPath(cr, *p);
        cairo_restore(cr);
        x += Advance(*p, height) * condense + gap;
    }
}

void CStrokeFont::Draw(cairo_t* cr, const char* text, double x, double y, double height, double gap,
                       double weight, double condense)
{
    cairo_new_path(cr);
    AddPath(cr, text, x, y, height, gap, condense);
    cairo_save(cr);
    cairo_set_line_width(cr, weight);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}
