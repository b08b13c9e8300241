#include "Settings.h"

#include <sys/stat.h>

#include <charconv>
#include <climits>
#include <fstream>
#include <memory>

#include <wx/debug.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/strconv.h>

#include "UserFiles.h"

namespace {

constexpr const char* FILE_NAME = "tolvane32.ini";

// wxFileConfig maps bytes that are not UTF-8 to private-use characters and
// back (U+100000 plus the byte), so a file with a stray Latin-1 or Shift-JIS
// name survives a write of another key byte for byte. Only bytes from 0x80 up
// can stand outside UTF-8.
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

std::unique_ptr<wxFileConfig> OpenConfig(const std::string& path)
{
    auto config = std::make_unique<wxFileConfig>(
        wxEmptyString, wxEmptyString, wxString(path.c_str(), *wxConvFileName), wxEmptyString,
        wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS, FileConv());
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
    const auto config = OpenConfig(m_strPath);
    const std::string line = ToLineText(value);
    if (!config->Write(ConfigPath(section, key), wxString(line.c_str(), FileConv())))
        return;
    wxMemoryOutputStream out;
    if (!config->Save(out, FileConv()))
        return;
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    // wxFileConfig ends every line the Unix way; a file that came from
    // Windows keeps its CR LF on every line.
    if (old.find("\r\n") != std::string::npos)
        bytes = WithCrLf(bytes);
    userdirs::ReplaceFile(m_strPath, bytes);
}
