#include "Settings.h"

#include <sys/stat.h>

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
// back, so a file with a stray Latin-1 or Shift-JIS name survives a write of
// another key byte for byte.
constexpr wxUniChar::value_type RAW_BYTE_FIRST = 0x100000;
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

// The state of the file before an operation: usable when it is missing or a
// readable text file of a sane size. A file holding NUL bytes is binary
// garbage, not settings; wxFileConfig would also cut such a line short on
// saving and run the next line into it.
struct FileState {
    bool exists = false;
    bool usable = false;
};

FileState Examine(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {false, true};
    if (!S_ISREG(st.st_mode) || st.st_size > CProfileSettings::MAX_FILE_BYTES)
        return {true, false};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {true, false};
    std::string bytes(static_cast<std::size_t>(CProfileSettings::MAX_FILE_BYTES) + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const bool usable = bytes.size() <= static_cast<std::size_t>(CProfileSettings::MAX_FILE_BYTES) &&
                        bytes.find('\0') == std::string::npos;
    return {true, usable};
}

std::unique_ptr<wxFileConfig> OpenConfig(const std::string& path)
{
    auto config = std::make_unique<wxFileConfig>(
        wxEmptyString, wxEmptyString, wxString(path.c_str(), *wxConvFileName), wxEmptyString,
        wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS, FileConv());
    // Writes go through our own atomic replacement, never wx's flush on destruction.
    config->DisableAutoSave();
    return config;
}

// A value as the game sees it: valid UTF-8 (bytes of another encoding become
// U+FFFD), ending at a NUL as a C string would, without the blanks around it.
std::string ToGameText(const wxString& raw)
{
    wxString text;
    for (wxUniChar ch : raw) {
        const wxUniChar::value_type code = ch.GetValue();
        if (code == 0)
            break;
        text += (code >= RAW_BYTE_FIRST && code <= RAW_BYTE_LAST) ? wxUniChar(0xFFFD) : ch;
    }
    std::string bytes(text.utf8_str().data());
    const auto first = bytes.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = bytes.find_last_not_of(" \t\r");
    return bytes.substr(first, last - first + 1);
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

}  // namespace

CProfileSettings::CProfileSettings() : m_strPath(DefaultPath()) {}

CProfileSettings::CProfileSettings(std::string path) : m_strPath(std::move(path)) {}

std::string CProfileSettings::DefaultPath()
{
    return userdirs::ConfigDir() + "/" + FILE_NAME;
}

int CProfileSettings::ParseLeadingInt(const std::string& text)
{
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos)
        return 0;
    const bool negative = text[i] == '-';
    if (negative)
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;  // keeps saturating without overflow
    }
    if (negative)
        return static_cast<int>(-value);  // -(INT_MAX + 1) is INT_MIN exactly
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string CProfileSettings::CutUtf8(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    // Back up while the first byte left out continues the character before it.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

std::optional<std::string> CProfileSettings::ReadValue(const char* section, const char* key) const
{
    const FileState state = Examine(m_strPath);
    if (!state.exists || !state.usable)
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
    return CutUtf8(value ? *value : std::string(def != nullptr ? def : ""), MAX_TEXT_BYTES);
}

void CProfileSettings::WriteString(const char* section, const char* key, const std::string& value)
{
    // A file we cannot read in full, or could not write back as it was,
    // would lose its other keys on rewrite.
    if (!Examine(m_strPath).usable)
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
    userdirs::ReplaceFile(m_strPath, bytes);
}
