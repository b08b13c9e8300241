// tolvane_dump_asset KIND ID FILE: writes a built-in asset (KIND bitmap,
// sound, midi or icon; ID its resource id, or its size for an icon) to FILE.
#include "res/Assets.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s bitmap|sound|midi|icon ID FILE\n", argv[0]);
        return 2;
    }
    const int id = std::atoi(argv[2]);
    AssetBlob blob;
    if (std::strcmp(argv[1], "bitmap") == 0)
        blob = FindBitmapPng(id);
    else if (std::strcmp(argv[1], "sound") == 0)
        blob = FindSound(id);
    else if (std::strcmp(argv[1], "midi") == 0)
        blob = FindMidi(id);
    else if (std::strcmp(argv[1], "icon") == 0)
        blob = FindIconPng(id);
    if (!blob) {
        std::fprintf(stderr, "%s: no %s %s\n", argv[0], argv[1], argv[2]);
        return 1;
    }
    std::FILE* f = std::fopen(argv[3], "wb");
    if (!f || std::fwrite(blob.data, 1, blob.size, f) != blob.size || std::fclose(f) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
