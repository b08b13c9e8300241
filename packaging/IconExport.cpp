// tolvane_icon_export DIRECTORY NAME: writes the program icon, byte for byte
// as the program carries it, at every size it has into the desktop icon
// theme's layout: DIRECTORY/16x16/apps/NAME.png, DIRECTORY/32x32/apps/NAME.png
// and so on. The installed icon is thereby always the one the window shows.
#include "res/Assets.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIRECTORY NAME\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (int pixels : {16, 32, 48, 64, 128, 256}) {
        const AssetBlob blob = FindIconPng(pixels);
        if (!blob) {
            std::fprintf(stderr, "%s: the program has no %d px icon\n", argv[0], pixels);
            return 1;
        }
        const std::string size = std::to_string(pixels) + "x" + std::to_string(pixels);
        const std::filesystem::path dir = root / size / "apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        const std::filesystem::path file = dir / (std::string(argv[2]) + ".png");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(blob.data), std::streamsize(blob.size));
        out.close();
        if (!out) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], file.c_str());
            return 1;
        }
    }
    return 0;
}
