// The deals of a whole evening, for bench/evening.py.
//
// The program's generator is never reseeded and only the shuffles draw from
// it (the celebration of a 2000 bonus draws nothing), so the deal after k
// deals made at the clock times T1..Tk is known from those times. This tool
// deals with the game model itself, as tests/e2e/known_deal does for the first.
//
//   evening_deal table T1,..,Tk BACK [X,Y ...]  the top 640x300 pixels of the
//                                              k-th deal after the clicks, as known_deal's
//   evening_deal play T1,..,Tk N                up to N removals without a turn-back
//                                              or a joker, one per line: the points
//                                              to press, the last one removes
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "model/Tolvane32Doc.h"
#include "res/Assets.h"
#include "tests/unit/Fakes.h"

namespace {

constexpr int W = 640, H = 300;

struct Game {
    fakes::Journal journal;
    fakes::FakeHost host{journal};
    fakes::FakeSettings settings{journal};
    fakes::FakeView view{journal};
    CCardImageSet images;
    CTolvane32Doc doc{host, settings, images};
    Game(const char* times, int back)
    {
        settings.values["Customize/iCover"] = std::to_string(back);
        images.LoadImages(fakes::FakePictures(), settings);
        doc.SetView(&view);
        std::stringstream list(times);
        for (std::string t; std::getline(list, t, ',');) {
            host.now = std::atoll(t.c_str());
            doc.DealCards();
        }
    }
};

CPoint PointOf(const CTolvane32Doc& doc, int position)
{
    CRect r;
    doc.GetPositionRect(position, &r);
    return {r.left + 38, r.top + (position < POS_TRIANGLE_FIRST ? 53 : 10)};
}

void Click(CTolvane32Doc& doc, CPoint p)
{
    doc.OnLButtonDown(p);
    doc.CheckGameOver();
}

void Paint(std::vector<unsigned char>& rgb, std::vector<unsigned char>& mask, PictureId id, CRect r, bool inverted)
{
    const AssetBlob blob = FindBitmapPng(id);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, blob.data, blob.size);
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    for (int y = 0; y < r.Height() && r.top + y < H; ++y) {
        for (int x = 0; x < r.Width(); ++x) {
            const bool corner = (x < 6 || x >= r.Width() - 6) && (y < 6 || y >= r.Height() - 6);
            const std::size_t at = (std::size_t(r.top + y) * W + r.left + x) * 3;
            for (int c = 0; c < 3; ++c) {
                const unsigned char v = pixels[(std::size_t(y) * image.width + x) * 3 + c];
                rgb[at + c] = inverted ? 255 - v : v;
                mask[at + c] = corner ? 0 : 255;
            }
        }
    }
}

int Table(Game& game, int count, char** points)
{
    for (int i = 0; i < count; ++i) {
        CPoint p;
        std::sscanf(points[i], "%d,%d", &p.x, &p.y);
        Click(game.doc, p);
    }
    std::vector<unsigned char> rgb(W * H * 3), mask(W * H * 3, 255);
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        rgb[i + 1] = 127;
    PictureId id = 0;
    CRect r;
    bool selected = false;
    game.doc.GetStockBitmap(&id, &r);
    Paint(rgb, mask, id, r, false);
    if (game.doc.GetPositionState(POS_WASTE) != PS_EMPTY) {
        game.doc.GetWasteBitmap(&id, &r, &selected);
        Paint(rgb, mask, id, r, selected);
    }
    for (int i = 0; i < TRIANGLE_CARDS; ++i) {
        game.doc.GetTriangleBitmap(i, &id, &r, &selected);
        if (id != 0)
            Paint(rgb, mask, id, r, selected);
    }
    std::fwrite(rgb.data(), 1, rgb.size(), stdout);
    std::fwrite(mask.data(), 1, mask.size(), stdout);
    return 0;
}

// The first king or pair among the free cards (no jokers), else a turn of
// the stock while it lasts; empty when the deal is stuck without a turn-back.
std::vector<int> NextMove(const CTolvane32Doc& doc)
{
    std::vector<int> free;
    if (const CCard waste = doc.GetCard(POS_WASTE); !waste.IsEmpty() && !waste.IsJoker())
        free.push_back(POS_WASTE);
    for (int p = POS_TRIANGLE_FIRST; p <= POS_TRIANGLE_LAST; ++p)
        if (doc.GetPositionState(p) == PS_FREE && !doc.GetCard(p).IsJoker())
            free.push_back(p);
    for (std::size_t a = 0; a < free.size(); ++a) {
        const int ra = doc.GetCard(free[a]).GetRank();
        if (ra == 13)
            return {free[a]};
        for (std::size_t b = a + 1; b < free.size(); ++b)
            if (ra + doc.GetCard(free[b]).GetRank() == 13)
                return {free[a], free[b]};
    }
    if (doc.GetPileCount(POS_STOCK) > 0)
        return {POS_STOCK};
    return {};
}

int Play(Game& game, int removals)
{
    std::string line;  // turns of the stock wait for the removal they lead to
    while (removals > 0 && !game.doc.GetCard(POS_TRIANGLE_FIRST).IsEmpty()) {
        const std::vector<int> move = NextMove(game.doc);
        if (move.empty())
            break;
        for (int p : move) {
            const CPoint at = PointOf(game.doc, p);
            line += std::to_string(at.x) + "," + std::to_string(at.y) + " ";
            Click(game.doc, at);
        }
        if (move[0] != POS_STOCK) {
            --removals;
            std::printf("%s\n", line.c_str());
            line.clear();
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 3 ? argv[1] : "";
    if (command == "table") {
        Game game(argv[2], std::atoi(argv[3]));
        return Table(game, argc - 4, argv + 4);
    }
    if (command == "play") {
        Game game(argv[2], 0);
        return Play(game, std::atoi(argv[3]));
    }
    std::fprintf(stderr, "usage: evening_deal table T1,..,Tk BACK [X,Y ...] | play T1,..,Tk N\n");
    return 2;
}
