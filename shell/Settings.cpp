#include "Settings.h"

#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <wx/debug.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/strconv.h>

#include "UserFiles.h"

namespace {

constexpr const char* FILE_NAME = "tolvane32.ini";

// wxFileConfig maps bytes that are not UTF-8 to private-use characters and
// back (U+100000 plus the byte), so a file that is neither UTF-8 nor
// Shift-JIS throughout (a stray Latin-1 name) survives a write of another key
// byte for byte. Only bytes from 0x80 up can stand outside UTF-8.
constexpr wxUniChar::value_type RAW_BYTE_FIRST = 0x100080;
constexpr wxUniChar::value_type RAW_BYTE_LAST = 0x1000FF;

const wxMBConv& FileConv()
{
    static const wxMBConvUTF8 conv(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    return conv;
}

// wxFileConfig reports a malformed line through a log message and, for some
// binary garbage, an assertion; in the program both would become dialogs in
// front of the player. Neither means more than "this line is not a setting".
class CQuietConfig {
public:
    CQuietConfig() : m_oldHandler(wxSetAssertHandler(nullptr)) {}
    ~CQuietConfig() { wxSetAssertHandler(m_oldHandler); }
    CQuietConfig(const CQuietConfig&) = delete;
    CQuietConfig& operator=(const CQuietConfig&) = delete;

private:
    wxLogNull m_noLog;
    wxAssertHandler_t m_oldHandler;
};

wxString ConfigPath(const char* section, const char* key)
{
    return wxString::FromUTF8("/") + wxString::FromUTF8(section) + "/" + wxString::FromUTF8(key);
}

// What lies at the settings path before an operation. A file holding NUL
// bytes is binary garbage, not settings; wxFileConfig would also cut such a
// line short on saving and run the next line into it.
enum class FileKind {
    Missing,   // no file yet: every read gives its default, a write creates it
    Settings,  // a readable text file of a sane size
    Foreign,   // anything else: read as missing and never rewritten
};

// bytes receives the file's contents.
FileKind Examine(const std::string& path, std::string& bytes)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return FileKind::Missing;
    if (!S_ISREG(st.st_mode) || st.st_size > CProfileSettings::MAX_FILE_BYTES)
        return FileKind::Foreign;
    // What cannot be read (or vanished since the stat) stays NUL and so
    // counts as foreign too.
    bytes.assign(static_cast<std::size_t>(st.st_size), '\0');
    std::ifstream(path, std::ios::binary).read(bytes.data(), st.st_size);
    return bytes.find('\0') == std::string::npos ? FileKind::Settings : FileKind::Foreign;
}

std::string WithCrLf(const std::string& text)
{
    std::string crlf;
    for (const char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// A conversion between two encodings, opened once for all the lines of a file.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CConverter()
    {
        if (m_cd != NONE)
            iconv_close(m_cd);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // The whole text converted; nothing when a byte or a character has no
    // counterpart in the other encoding.
    std::optional<std::string> operator()(const std::string& text) const
    {
        if (m_cd == NONE)
            return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // a fresh start after a text that failed
        std::string out(4 * text.size() + 4, '\0');
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* outAt = out.data();
        std::size_t outLeft = out.size();
        if (iconv(m_cd, &in, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1) ||
            iconv(m_cd, nullptr, nullptr, &outAt, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    inline static const iconv_t NONE = reinterpret_cast<iconv_t>(-1);
    iconv_t m_cd;
};

// The code page the game's first host stored its names in: Shift-JIS with
// that host's own extensions (circled numbers, Roman numerals, more kanji).
constexpr const char* LEGACY_ENCODING = "CP932";
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

// The mark of a file whose text is UTF-8: a key in a section of its own,
// which the first host's profile functions pass over like any other. The
// game adds it only where a line needs it (see Classify); a byte-order mark
// says the same.
constexpr const char* MARK_SECTION = "Tolvane32";
constexpr const char* MARK_KEY = "Encoding";
constexpr const char* MARK_VALUE = "UTF-8";

// The settings file as text, and how it was stored so that a write stores it
// the same way. The game writes UTF-8; a file brought from the game's first
// host holds Shift-JIS, a UTF-8 editor may have added lines of its own to
// one, and an editor may have put a byte-order mark in front of a UTF-8 file,
// which would otherwise hide the first section. So each line is read on its
// own.
struct FileText {
    std::string utf8;     // the lines as UTF-8 (a line of neither as its bytes), LF ends, without the BOM
    bool bom = false;
    bool crlf = false;
    bool marked = false;  // the mark, or a byte-order mark
    bool legacy = false;  // some line was read as Shift-JIS: a file of the first host
    // Each line's text to its bytes in the file, so that a line a write
    // leaves alone keeps its bytes even where two codes stand for one character.
    std::map<std::string, std::string> lines;
};

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// Whether the lines hold the mark. It is ASCII in any encoding, and names
// match without regard to case or blanks, as the profile functions match them.
bool HasMark(const std::vector<std::string>& lines)
{
    const auto squeezed = [](std::string text) {
        std::erase_if(text, [](char c) { return c == ' ' || c == '\t'; });
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    const std::string section = squeezed(std::string("[") + MARK_SECTION + "]");
    const std::string key = squeezed(std::string(MARK_KEY) + "=" + MARK_VALUE);
    bool inSection = false;
    for (const std::string& line : lines) {
        const std::string text = squeezed(line);
        if (text.starts_with('['))
            inSection = text == section;
        else if (inSection && text == key)
            return true;
    }
    return false;
}

// One line read as UTF-8 (or, when it is neither, as its bytes); true when
// it was read as Shift-JIS. Bytes alone cannot always tell the two apart:
// the first host's half-width kana come in pairs that are often UTF-8 too
// (ﾕｷ is D5 B7, the Armenian շ). A line that is both is UTF-8 when `ours`
// (the file is marked, or has the Unix line ends that only this game or a
// Unix editor writes; the first host ends every line with CR LF) or when that
// reading holds a character from U+0800 up (kana, kanji, emoji), whose bytes
// as Shift-JIS would be a rare kanji run into half-width kana (山田 as
// 螻ｱ逕ｰ). Otherwise, below U+0800 (accented Latin, Greek, Cyrillic), the
// first host's kana win.
bool ReadLine(const std::string& line, bool ours, const CConverter& checkUtf8, const CConverter& fromLegacy,
              std::string& text)
{
    text = line;
    if (IsAscii(line))
        return false;
    const bool utf8 = checkUtf8(line).has_value();
    const bool wide = std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE0; });
    if (utf8 && (ours || wide))
        return false;
    const std::optional<std::string> legacy = fromLegacy(line);
    if (legacy)
        text = *legacy;
    return legacy.has_value();
}

FileText Decode(std::string bytes)
{
    FileText text;
    text.crlf = bytes.find("\r\n") != std::string::npos;
    if (bytes.starts_with(UTF8_BOM)) {
        text.bom = true;
        bytes.erase(0, UTF8_BOM.size());
    }
    // Lines end as wxFileConfig ends them: at CR LF, LF, or a CR alone. A CR
    // LF file gets its CRs back on a write (see Encode).
    std::string unix;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (bytes[at] != '\r')
            unix += bytes[at];
        else if (at + 1 == bytes.size() || bytes[at + 1] != '\n')
            unix += '\n';
    }
    const std::vector<std::string> lines = Lines(unix);
    text.marked = text.bom || HasMark(lines);
    const CConverter checkUtf8("UTF-8", "UTF-8"), fromLegacy("UTF-8", LEGACY_ENCODING);
    for (const std::string& line : lines) {
        std::string decoded;
        text.legacy = ReadLine(line, text.marked || !text.crlf, checkUtf8, fromLegacy, decoded) || text.legacy;
        text.lines.emplace(decoded, line);
        text.utf8 += decoded + "\n";
    }
    return text;
}

// The saved lines in Shift-JIS, each untouched line with its old bytes;
// nothing when a new value has no Shift-JIS form.
std::optional<std::string> ToLegacy(const std::string& saved, const std::map<std::string, std::string>& old)
{
    const CConverter toLegacy(LEGACY_ENCODING, "UTF-8");
    std::string bytes;
    for (const std::string& line : Lines(saved)) {
        const auto kept = old.find(line);
        const std::optional<std::string> encoded = kept != old.end() ? kept->second : toLegacy(line);
        if (!encoded)
            return std::nullopt;
        bytes += *encoded + "\n";
    }
    return bytes;
}

// The saved lines (LF ends) stored as the file was: a first host's file
// stays Shift-JIS, every other file is UTF-8, each line converted from its
// own reading. Whatever it holds must read back as saved; nothing when only
// the mark can make it so.
std::optional<std::string> Encode(const std::string& saved, const FileText& was)
{
    // wxFileConfig ends every line the Unix way; a file that came from
    // Windows keeps its CR LF on every line.
    const auto stored = [&was](const std::string& lines) {
        const std::string bytes = was.crlf ? WithCrLf(lines) : lines;
        return was.bom ? std::string(UTF8_BOM) + bytes : bytes;
    };
    const auto readsBack = [&saved](const std::string& bytes) { return Decode(bytes).utf8 == saved; };
    if (was.legacy && !was.marked) {
        // A new value with no Shift-JIS form, or one that would read as
        // UTF-8, turns the whole file to UTF-8.
        if (const std::optional<std::string> legacy = ToLegacy(saved, was.lines); legacy && readsBack(stored(*legacy)))
            return stored(*legacy);
    }
    if (readsBack(stored(saved)))
        return stored(saved);
    return std::nullopt;
}

// Reads the file's bytes as Decode takes them; wxFileConfig hands its
// reader the whole file at once.
class CFileTextConv : public wxMBConv {
public:
    std::size_t ToWChar(wchar_t* dst, std::size_t dstLen, const char* src,
                        std::size_t srcLen = wxNO_LEN) const override
    {
        const bool terminated = srcLen == wxNO_LEN;
        const std::string text = Decode(std::string(src, terminated ? std::strlen(src) : srcLen)).utf8;
        return FileConv().ToWChar(dst, dstLen, text.c_str(), terminated ? wxNO_LEN : text.size());
    }
    std::size_t FromWChar(char* dst, std::size_t dstLen, const wchar_t* src,
                          std::size_t srcLen = wxNO_LEN) const override
    {
        return FileConv().FromWChar(dst, dstLen, src, srcLen);
    }
    wxMBConv* Clone() const override { return new CFileTextConv; }
};

// The file's lines as wxFileConfig would store them, as UTF-8 with LF ends
// (nothing when it cannot).
std::optional<std::string> SavedText(wxFileConfig& config)
{
    wxMemoryOutputStream out;
    if (!config.Save(out, FileConv()))
        return std::nullopt;
    std::string saved(out.GetLength(), '\0');
    out.CopyTo(saved.data(), saved.size());
    return saved;
}

std::unique_ptr<wxFileConfig> OpenConfig(const std::string& path)
{
    auto config = std::make_unique<wxFileConfig>(
        wxEmptyString, wxEmptyString, wxString(path.c_str(), *wxConvFileName), wxEmptyString,
        wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS, CFileTextConv());
    // Writes go through our own atomic replacement, never wx's flush on destruction.
    config->DisableAutoSave();
    // A name is only text: "$HOME" stays "$HOME".
    config->SetExpandEnvVars(false);
    return config;
}

// A value as the game sees it: valid UTF-8 (bytes of another encoding become
// U+FFFD) without the blanks around it. wxFileConfig drops those after the
// equals sign but keeps those at the end of the line, which the profile
// functions never returned.
std::string ToGameText(const wxString& raw)
{
    wxString text;
    for (wxUniChar ch : raw) {
        const wxUniChar::value_type code = ch.GetValue();
        text += (code >= RAW_BYTE_FIRST && code <= RAW_BYTE_LAST) ? wxUniChar(0xFFFD) : ch;
    }
    std::string bytes = text.utf8_string();
    bytes.erase(bytes.find_last_not_of(" \t\r") + 1);
    return bytes;
}

// A value as it may stand on one line: a line break in it would start a new
// key or even a section of its own.
std::string ToLineText(const std::string& value)
{
    std::string line = value.substr(0, value.find('\0'));
    for (char& c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return line;
}

// The leading integer of a value: a minus sign and digits at its start,
// saturated to the int range; 0 when there are no digits. (The value comes
// without the blanks around it.)
int ParseLeadingInt(const std::string& text)
{
    int value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc::result_out_of_range)
        return text[0] == '-' ? INT_MIN : INT_MAX;
    return value;
}

// The text cut to at most maxBytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    // Back up while the first byte left out continues the character before it.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

}  // namespace

CProfileSettings::CProfileSettings() : m_strPath(DefaultPath()) {}

CProfileSettings::CProfileSettings(std::string path) : m_strPath(std::move(path)) {}

std::string CProfileSettings::DefaultPath()
{
    return userdirs::ConfigDir() + "/" + FILE_NAME;
}

std::optional<std::string> CProfileSettings::ReadValue(const char* section, const char* key) const
{
    std::string bytes;
    if (Examine(m_strPath, bytes) != FileKind::Settings)
        return std::nullopt;
    CQuietConfig quiet;
    const auto config = OpenConfig(m_strPath);
    wxString raw;
    if (!config->Read(ConfigPath(section, key), &raw))
        return std::nullopt;
    return ToGameText(raw);
}

int CProfileSettings::GetInt(const char* section, const char* key, int def)
{
    const std::optional<std::string> value = ReadValue(section, key);
    return value ? ParseLeadingInt(*value) : def;
}

std::string CProfileSettings::GetString(const char* section, const char* key, const char* def)
{
    const std::optional<std::string> value = ReadValue(section, key);
    return CutUtf8(value ? *value : std::string(def != nullptr ? def : ""), NAME_MAX_UTF8);
}

void CProfileSettings::WriteString(const char* section, const char* key, const std::string& value)
{
    // A file we cannot read in full, or could not write back as it was,
    // would lose its other keys on rewrite.
    std::string old;
    if (Examine(m_strPath, old) == FileKind::Foreign)
        return;
    CQuietConfig quiet;
    const FileText text = Decode(std::move(old));
    const auto config = OpenConfig(m_strPath);
    const std::string line = ToLineText(value);
    if (!config->Write(ConfigPath(section, key), wxString(line.c_str(), FileConv())))
        return;
    std::optional<std::string> saved = SavedText(*config);
    std::optional<std::string> bytes = saved ? Encode(*saved, text) : std::nullopt;
    if (saved && !bytes) {
        // Some value would read back as the first host's kana: only the
        // mark keeps it as it is.
        if (config->Write(ConfigPath(MARK_SECTION, MARK_KEY), MARK_VALUE) && (saved = SavedText(*config)))
            bytes = Encode(*saved, text);
    }
    // Never a file that would read back other values than those meant.
    if (bytes)
        userdirs::ReplaceFile(m_strPath, *bytes);
}
