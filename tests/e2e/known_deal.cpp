// What the program must show for a deal made at a given clock time.
//
// The program's generator is never reseeded, so its first deal depends only on
// the clock. This tool deals with the game model itself for that time and
// clicks it at the same points the tests click on screen, so the program and
// the tool cannot disagree about the rules.
//
//   known_deal table T BACK [X,Y ...]  the top 640x300 pixels of the table after
//                                      the clicks: RGB bytes, then a mask of the
//                                      same size (0 where the screen may differ)
//   known_deal solve T                 a line of clicks that clears the deal
//                                      without a turn-back or a joker
//   known_deal lose T                  a line of clicks that turns the whole
//                                      stock and loses the deal with one pair
//   known_deal play T N                up to N removals without a turn-back or
//                                      a joker, one per line: the points to
//                                      press, the last one removes
//
// T may also list the clock times of several deals, "T1,..,Tk": the tool then
// speaks of the k-th deal of a run (bench/evening.py plays an evening so); a
// time "T:n" says that the celebration of a clear drew n numbers before it.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/Tolvane32Doc.h"
#include "res/Assets.h"
#include "tests/unit/Fakes.h"

namespace {

constexpr int W = 640, H = 300;

// A fresh generator, as at the program's start, and a clock that stands
// still; the joker notice is answered with Yes.
struct Game {
    fakes::Journal journal;
    fakes::FakeHost host{journal};
    fakes::FakeSettings settings{journal};
    fakes::FakeView view{journal};
    CCardImageSet images;
    CTolvane32Doc doc{host, settings, images};
    // times: the clock seconds of the deals so far, "T1,..,Tk"; the last
    // one is on the table. The generator is never reseeded, and only the
    // shuffles and celebrations draw from it, so the deals before it decide it.
    Game(const char* times, int back)
    {
        settings.values["Customize/iCover"] = std::to_string(back);
        view.answers = {IDYES};
        images.LoadImages(fakes::FakePictures(), settings);
        doc.SetView(&view);
        std::stringstream list(times);
        for (std::string t; std::getline(list, t, ',');) {
            host.now = std::atoll(t.c_str());
            // "T:n": a celebration drew n numbers before this deal.
            for (int n = t.find(':') != std::string::npos ? std::atoi(t.c_str() + t.find(':') + 1) : 0; n > 0; --n)
                host.Rand();
            doc.DealCards();
        }
    }
};

// Where the tests click a place: inside the strip that no other card covers.
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

using Line = std::vector<CPoint>;
using Move = std::vector<int>;

// The removals the table offers: kings and pairs of free cards, a joker aside.
std::vector<Move> Removals(const CTolvane32Doc& doc)
{
    std::vector<int> free;
    const CCard waste = doc.GetCard(POS_WASTE);
    if (!waste.IsEmpty() && !waste.IsJoker())
        free.push_back(POS_WASTE);
    for (int p = POS_TRIANGLE_FIRST; p <= POS_TRIANGLE_LAST; ++p)
        if (doc.GetPositionState(p) == PS_FREE)
            free.push_back(p);
    std::vector<Move> moves;
    for (std::size_t a = 0; a < free.size(); ++a) {
        const int ra = doc.GetCard(free[a]).GetRank();
        if (ra == 13)
            moves.push_back({free[a]});
        for (std::size_t b = a + 1; b < free.size(); ++b)
            if (ra + doc.GetCard(free[b]).GetRank() == 13)
                moves.push_back({free[a], free[b]});
    }
    return moves;
}

// Depth-first over copies of the document; removals are tried before a turn.
// A state is known by its counts and triangle alone: at worst a line is missed.
bool Search(const CTolvane32Doc& doc, Line& line, std::unordered_set<std::string>& seen)
{
    if (doc.GetCard(POS_TRIANGLE_FIRST).IsEmpty())
        return doc.GetBonus() == 2000;
    std::string key{char(doc.GetPileCount(POS_STOCK)), char(doc.GetPileCount(POS_WASTE))};
    for (int p = POS_TRIANGLE_FIRST; p <= POS_TRIANGLE_LAST; ++p)
        key += doc.GetCard(p).IsEmpty() ? '0' : '1';
    if (!seen.insert(key).second)
        return false;
    std::vector<Move> moves = Removals(doc);
    if (doc.GetPileCount(POS_STOCK) > 0)
        moves.push_back({POS_STOCK});
    for (const Move& move : moves) {
        CTolvane32Doc next(doc);
        for (int p : move) {
            line.push_back(PointOf(next, p));
            Click(next, line.back());
        }
        if (Search(next, line, seen))
            return true;
        line.resize(line.size() - move.size());
    }
    return false;
}

// With the stock spent for good, a pair whose removal leaves no move: the
// loss is told right after its two falls.
bool Lose(const CTolvane32Doc& doc, Line& line)
{
    for (const Move& move : Removals(doc)) {
        CTolvane32Doc next(doc);
        for (int p : move)
            Click(next, PointOf(next, p));
        if (move.size() == 2 && !next.HasMove()) {
            line.insert(line.end(), {PointOf(doc, move[0]), PointOf(doc, move[1])});
            return true;
        }
    }
    return false;
}

// Paints a picture at the rectangle's corner; the cut corners may show either
// the picture or what lies below.
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
        rgb[i + 1] = 127;  // the table green
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

// The line that clears, or every turn of the stock and then the pair that
// loses.
int Solve(Game& game, bool lose)
{
    Line line;
    std::unordered_set<std::string> seen;
    const CPoint stock = PointOf(game.doc, POS_STOCK);
    while (lose && (game.doc.GetPileCount(POS_STOCK) > 0 || game.doc.GetRecycleCount() < 3)) {
        line.push_back(stock);
        Click(game.doc, stock);
    }
    if (lose ? !Lose(game.doc, line) : !Search(game.doc, line, seen))
        return 1;
    for (CPoint p : line)
        std::printf("%d,%d ", p.x, p.y);
    std::printf("\n");
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
    const std::string command = argc > 2 ? argv[1] : "";
    if (command == "table" && argc > 3) {
        Game game(argv[2], std::atoi(argv[3]));
        return Table(game, argc - 4, argv + 4);
    }
    if (command == "solve" || command == "lose") {
        Game game(argv[2], 0);
        return Solve(game, command == "lose");
    }
    if (command == "play" && argc > 3) {
        Game game(argv[2], 0);
        return Play(game, std::atoi(argv[3]));
    }
    std::fprintf(stderr, "usage: known_deal table T BACK [X,Y ...] | solve T | lose T | play T N\n");
    return 2;
}
