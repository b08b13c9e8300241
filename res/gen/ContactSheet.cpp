// tolvane_contact_sheet: lays every built-in picture out on one PNG, first
// at its own size, then the versions drawn for high-density screens at 2x
// (one sheet pixel per device pixel), then three times enlarged with square
// pixels, so the whole deck can be looked over at once
// (tools/contact-sheet.sh).
//
//   tolvane_contact_sheet OUTPUT.png
#include "res/Assets.h"
#include "res/resource.h"

#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Reader {
    const unsigned char* data;
    std::size_t size, offset;
};

cairo_status_t ReadBytes(void* closure, unsigned char* out, unsigned int length)
{
    auto* r = static_cast<Reader*>(closure);
    if (r->offset + length > r->size)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->offset, length);
    r->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_surface_t* Decode(AssetBlob blob)
{
    if (!blob)
        return nullptr;
    Reader reader{blob.data, blob.size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadBytes, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return s;
}

// The rows of the sheet: four suits, then jokers, backs and stock tiles.
std::vector<std::vector<int>> Rows()
{
    std::vector<std::vector<int>> rows;
    for (int first : {IDB_HEARTS_FIRST, IDB_DIAMONDS_FIRST, IDB_CLUBS_FIRST, IDB_SPADES_FIRST}) {
        std::vector<int> row;
        for (int i = 0; i < 13; ++i)
            row.push_back(first + i);
        rows.push_back(row);
    }
    rows.push_back({IDB_JOKER1, IDB_JOKER2, IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3, IDB_STOCK_OK, IDB_STOCK_NG});
    return rows;
}

const int kIcons[] = {16, 32, 48, 64, 96, 128, 192, 256};

// Draws the whole layout of the pictures made for `pictureScale`, each pixel
// enlarged to `zoom` x `zoom`, from `top`; returns the height used. The
// icons have one version per size and show with the pictures of scale 1.
int Layout(cairo_t* cr, int top, int pictureScale, int zoom, bool draw)
{
    const int cell = pictureScale * zoom;
    const int gap = 6 * cell;
    int y = top + gap;
    for (const auto& row : Rows()) {
        int x = gap;
        for (int id : row) {
            if (draw) {
                if (cairo_surface_t* s = Decode(FindBitmapPng(id, pictureScale))) {
                    cairo_save(cr);
                    cairo_translate(cr, x, y);
                    cairo_scale(cr, zoom, zoom);
                    cairo_set_source_surface(cr, s, 0, 0);
                    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
                    cairo_paint(cr);
                    cairo_restore(cr);
                    cairo_surface_destroy(s);
                }
            }
            x += 77 * cell + gap;
        }
        y += 106 * cell + gap;
    }
    if (pictureScale != 1)
        return y - top;
    int x = gap;
    int tallest = 0;
    for (int pixels : kIcons) {
        if (draw) {
            if (cairo_surface_t* s = Decode(FindIconPng(pixels))) {
                cairo_save(cr);
                cairo_translate(cr, x, y);
                cairo_scale(cr, zoom, zoom);
                cairo_set_source_surface(cr, s, 0, 0);
                cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
                cairo_paint(cr);
                cairo_restore(cr);
                cairo_surface_destroy(s);
            }
        }
        x += pixels * zoom + gap;
        tallest = pixels * zoom;
    }
    return y + tallest + gap - top;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const int width = 13 * (77 * 3 + 18) + 18;
    const int small = Layout(nullptr, 0, 1, 1, false);
    const int dense = Layout(nullptr, 0, 2, 1, false);
    const int large = Layout(nullptr, 0, 1, 3, false);
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, small + dense + large);
    cairo_t* cr = cairo_create(sheet);
    // The table's green, so the white card corners and the clip show as in the game.
    cairo_set_source_rgb(cr, 0.0, 0.5, 0.0);
    cairo_paint(cr);
    Layout(cr, 0, 1, 1, true);
    Layout(cr, small, 2, 1, true);
    Layout(cr, small + dense, 1, 3, true);
    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(sheet, argv[1]);
    cairo_surface_destroy(sheet);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
