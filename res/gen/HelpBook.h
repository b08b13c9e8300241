// The how-to-play book: its files, made at build time from the page's text
// and the string table, as the help compiler once made a help file.
#pragma once

#include <string>
#include <vector>

struct HelpBookFile {
    int id;  // the asset's resource id (res/HelpFiles.h names it)
    std::string bytes;
};

// The project, the contents, the index, the page and the message catalog
// of the help window's own texts.
std::vector<HelpBookFile> MakeHelpBook();
