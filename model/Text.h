// Text rules shared by the record dialog, the records file and the game.
//
// A record holder's name is limited the way the game has always counted it:
// at most NAME_LIMIT bytes as Shift-JIS would store it, where ASCII and
// half-width katakana take one byte and every other character two. The file
// holds UTF-8, in which a half-width katakana takes three bytes, so the
// longest name the dialog accepts is NAME_MAX_UTF8 bytes; the records file
// must read back at least that much or a stored name comes back cut.
#pragma once

#include <cstddef>
#include <string>

constexpr int NAME_LIMIT = 30;
constexpr std::size_t NAME_MAX_UTF8 = 3 * NAME_LIMIT;

// The text without its leading single-byte white space (blank, tab, CR, LF, VT, FF).
inline std::string TrimLeft(const std::string& text)
{
    const std::string::size_type first = text.find_first_not_of(" \t\r\n\v\f");
    return first == std::string::npos ? std::string() : text.substr(first);
}
