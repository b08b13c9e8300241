// The files of the how-to-play book: the assets that hold them and the names
// under which the help window finds them. The project file names the others.
#pragma once

#include "resource.h"

constexpr const char* kHelpProject = "tolvane32.hhp";
constexpr const char* kHelpContents = "tolvane32.hhc";
constexpr const char* kHelpIndex = "tolvane32.hhk";
constexpr const char* kHelpPage = "tolvane32.htm";

struct HelpFileName {
    int id;
    const char* name;
};

// The book's files, the message catalog of the window's own texts aside.
constexpr HelpFileName kHelpFiles[] = {
    {IDR_HELP_PROJECT, kHelpProject},
    {IDR_HELP_CONTENTS, kHelpContents},
    {IDR_HELP_INDEX, kHelpIndex},
    {IDR_HELP_PAGE, kHelpPage},
};
