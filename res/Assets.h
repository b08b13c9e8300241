// The program's built-in pictures, sounds, tune and help.
//
// Every asset is made at build time by our own generators (res/gen) and
// compiled into the executable; nothing is read from disk at run time.
#pragma once

#include <cstddef>

struct AssetBlob {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    explicit operator bool() const { return data != nullptr && size != 0; }
};

// PNG image of a bitmap resource (card faces, backs, stock tiles), or empty.
// Scale 2 and 3 give the same picture drawn with that many device pixels
// per card pixel, for high-density screens.
AssetBlob FindBitmapPng(int resourceId, int scale = 1);
// RIFF WAVE image of a sound resource (300, 301), or empty.
AssetBlob FindSound(int resourceId);
// Standard MIDI file of a tune resource (350), or empty.
AssetBlob FindMidi(int resourceId);
// PNG of the program icon at a square size (16, 32, 48, 64, 96, 128, 192,
// 256), or empty.
AssetBlob FindIconPng(int pixels);
// A file of the how-to-play book (400 to 404, res/HelpFiles.h), or empty.
AssetBlob FindHelpFile(int resourceId);

// Lets the pages that hold the bitmaps' PNG images go from the program's
// memory. What FindBitmapPng gave stays valid: its bytes are the program
// file's, and reading them again brings them back from the system's file
// cache. A picture's PNG is read only to decode it, so there is no need to
// keep the pages of every picture ever decoded.
void ReleaseBitmapPages();
