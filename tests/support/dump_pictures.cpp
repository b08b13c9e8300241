// Writes the program's built-in card pictures as PNG files, so the
// end-to-end tests can tell from a screenshot which card lies where.
//
//   dump_pictures DIR     writes DIR/<resource id>.png for every card face,
//                         card back and stock tile
#include <cstdio>
#include <string>

#include "res/Assets.h"
#include "res/resource.h"

namespace {

bool Write(const std::string& dir, int id)
{
    const AssetBlob blob = FindBitmapPng(id);
    if (!blob)
        return false;
    const std::string path = dir + "/" + std::to_string(id) + ".png";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = std::fwrite(blob.data, 1, blob.size, file) == blob.size;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dump_pictures DIR\n");
        return 2;
    }
    int failures = 0;
    // Faces 133..191 (with the backs 146..148 and the stock tiles 177, 178 among them) and back 197.
    for (int id = IDB_CLUBS_FIRST; id <= IDB_SPADES_FIRST + 12; ++id)
        failures += Write(argv[1], id) ? 0 : 1;
    failures += Write(argv[1], IDB_BACK3) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}
