// The string table: every text the player sees, in UTF-8.
#pragma once

#include <string>

// The text of a string resource; an empty string for an unknown id.
const char* LoadResString(int id);

// printf-style formatting of a string resource (the table's %d and %s).
std::string FormatResString(int id, ...);
