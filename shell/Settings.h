// The settings and records file, tolvane32.ini.
//
// The game keeps its card back and its two records in one small INI file and
// reaches it only through the three profile operations of ISettings. Each
// operation reads the file afresh, as the profile functions of the game's
// first host did, so two running copies never hold stale records. A write
// changes its own key and nothing else: other sections, keys, comments and the
// order of lines stay as they are, and the file is replaced atomically so a
// crash or a full disk never leaves the records half-written. Every failure is
// silent: a missing or unreadable file gives the defaults, a failed write
// leaves the old file in place.
//
// The game writes UTF-8. A file from the game's first host holds Shift-JIS
// (its code page 932) with CR LF line ends, and an editor may have added UTF-8
// lines to one, so each line is read in its own encoding. Some bytes are both
// (the first host's ﾕｷ is D5 B7, the Armenian շ): such a line is UTF-8 in a
// file marked as the game's ([Tolvane32] Encoding=UTF-8, which the first host
// passes over, or a byte-order mark) and in a file with Unix line ends (the
// first host ended every line with CR LF); in an unmarked CR LF file only
// when its UTF-8 reading holds a character from U+0800 up (kana, kanji,
// emoji), else it is the first host's kana. A write keeps a first host's file Shift-JIS, every
// untouched line byte for byte, unless a new value has no Shift-JIS form or
// would not read back; then the whole file turns to UTF-8, each line from its
// own reading. The game adds the mark only when a line needs it, and never
// writes a file that would read back other values than those it holds.
// Reading never writes.
#pragma once

#include <optional>
#include <string>

#include "model/HostServices.h"
#include "model/Text.h"

class CProfileSettings : public ISettings {
public:
    // The game's own file: tolvane32.ini in the user's configuration folder.
    CProfileSettings();
    // Any file; the tests use their own.
    explicit CProfileSettings(std::string path);

    int GetInt(const char* section, const char* key, int def) override;
    // A text value comes back whole up to NAME_MAX_UTF8 bytes, the longest
    // name the record dialog can accept; a longer one (only a file edited by
    // hand holds one) is cut there on a character boundary.
    std::string GetString(const char* section, const char* key, const char* def) override;
    void WriteString(const char* section, const char* key, const std::string& value) override;

    const std::string& GetPath() const { return m_strPath; }

    // tolvane32.ini in $XDG_CONFIG_HOME, or in ~/.config.
    static std::string DefaultPath();

    // Files above this size, or holding NUL bytes, are not the game's (the
    // real one is a few hundred bytes of text): they read as missing and are
    // never rewritten, so that a stray huge or binary file can neither stall
    // the game nor be destroyed by it.
    static constexpr long long MAX_FILE_BYTES = 64 * 1024;

private:
    // The raw value of the key, or nothing when the file, section or key is missing.
    std::optional<std::string> ReadValue(const char* section, const char* key) const;

    std::string m_strPath;
};
