// tolvane_assetgen: draws, synthesises, composes and sets every built-in
// asset of the game and writes them into one C++ source for tolvane_assets.
//
//   tolvane_assetgen OUTPUT.cpp [DIRECTORY]
//
// With a directory it also leaves each asset there as a plain file
// (bitmap-162.png, bitmap-162@2x.png, sound-300.wav, midi-350.mid,
// icon-32.png, help-403) to look at.
#include "CardPainter.h"
#include "EmbedWriter.h"
#include "HelpBook.h"
#include "IconPainter.h"
#include "TuneComposer.h"
#include "WaveSynth.h"

#include "res/resource.h"

#include <cairo.h>

#include <cstdio>
#include <initializer_list>
#include <fstream>
#include <string>
#include <vector>

namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::vector<unsigned char> Png(cairo_surface_t* surface)
{
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(surface, AppendBytes, &bytes);
    cairo_surface_destroy(surface);
    return bytes;
}

struct Generated {
    AssetKind kind;
    int id;
    int scale;
    std::vector<unsigned char> bytes;
};

std::string DumpName(const Generated& g)
{
    switch (g.kind) {
    case AssetKind::Bitmap: {
        // Appended piece by piece: GCC 12 at -O3 takes the one-expression
        // form, a temporary inserted into the middle of another, for an
        // overlapping copy (-Wrestrict).
        std::string name = "bitmap-" + std::to_string(g.id);
        if (g.scale != 1)
            name.append("@").append(std::to_string(g.scale)).append("x");
        return name.append(".png");
    }
    case AssetKind::Sound: return "sound-" + std::to_string(g.id) + ".wav";
    case AssetKind::Midi: return "midi-" + std::to_string(g.id) + ".mid";
    case AssetKind::Icon: return "icon-" + std::to_string(g.id) + ".png";
    case AssetKind::Help: return "help-" + std::to_string(g.id);
    }
    return "asset";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp [DIRECTORY]\n", argv[0]);
        return 2;
    }
    std::vector<Generated> assets;

    const struct {
        Suit suit;
        int firstId;
    } suits[] = {{Suit::Hearts, IDB_HEARTS_FIRST},
                 {Suit::Diamonds, IDB_DIAMONDS_FIRST},
                 {Suit::Clubs, IDB_CLUBS_FIRST},
                 {Suit::Spades, IDB_SPADES_FIRST}};
    const int backs[] = {IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3};
    auto pictures = [&](int scale) {
        auto add = [&](int id, cairo_surface_t* picture) {
            assets.push_back({AssetKind::Bitmap, id, scale, Png(picture)});
        };
        for (const auto& s : suits)
            for (int rank = 1; rank <= 13; ++rank)
                add(s.firstId + rank - 1, CCardPainter::Face(s.suit, rank, scale));
        add(IDB_JOKER1, CCardPainter::Joker(0, scale));
        add(IDB_JOKER2, CCardPainter::Joker(1, scale));
        for (int i = 0; i < 4; ++i)
            add(backs[i], CCardPainter::Back(i, scale));
        add(IDB_STOCK_OK, CCardPainter::StockTile(true, scale));
        add(IDB_STOCK_NG, CCardPainter::StockTile(false, scale));
    };
    auto icons = [&](std::initializer_list<int> sizes) {
        for (int pixels : sizes)
            assets.push_back({AssetKind::Icon, pixels, 1, Png(CIconPainter::Icon(pixels))});
    };
    // What every start reads comes first and stays together, so that the
    // pages of the program that it touches are the same as ever.
    pictures(1);
    icons({16, 32, 48, 64, 128, 256});
    assets.push_back({AssetKind::Sound, IDR_SOUND_CARD, 1, CWaveSynth::CardSound()});
    assets.push_back({AssetKind::Sound, IDR_SOUND_JOKER, 1, CWaveSynth::JokerSound()});
    std::vector<unsigned char> tune = CTuneComposer::Compose();
    if (tune.empty()) {
        std::fprintf(stderr, "%s: the tune's score has a bar of the wrong length\n", argv[0]);
        return 1;
    }
    assets.push_back({AssetKind::Midi, IDR_MIDI_TUNE, 1, std::move(tune)});
    const std::size_t startUpAssets = assets.size();
    // Then what only high-density screens read: the About box's 32 and 64
    // pixel icon at scale 3, and every card-size picture drawn at the
    // toolkit's integer scales 2 and 3.
    icons({96, 192});
    pictures(2);
    pictures(3);
    // And the help book, read when the help opens.
    for (const HelpBookFile& file : MakeHelpBook())
        assets.push_back({AssetKind::Help, file.id, 1, {file.bytes.begin(), file.bytes.end()}});

    CEmbedWriter writer;
    for (const Generated& g : assets) {
        if (&g == &assets[startUpAssets])
            writer.StartGroup();
        if (g.bytes.empty()) {
            std::fprintf(stderr, "%s: %s came out empty\n", argv[0], DumpName(g).c_str());
            return 1;
        }
        if (argc == 3) {
            std::ofstream file(std::string(argv[2]) + "/" + DumpName(g), std::ios::binary);
            file.write(reinterpret_cast<const char*>(g.bytes.data()), std::streamsize(g.bytes.size()));
        }
        writer.Add(g.kind, g.id, g.scale, g.bytes);
    }
    if (!writer.Write(argv[1])) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
