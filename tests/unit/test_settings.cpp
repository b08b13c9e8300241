// The settings file on real files in a private folder, checked against the
// exact bytes on disk.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "model/SettingKeys.h"
#include "shell/Settings.h"

namespace {

namespace fs = std::filesystem;
using std::string;

const string kBefore = "[Customize]\niCover=1\n";
// As the game's first host stored its names: Shift-JIS (山田ﾀﾛｳ, and ≒ by
// the code that host's extensions give it) and CR LF line ends.
const string kYamada = "\x8E\x52\x93\x63\xC0\xDB\xB3", kNearly = "\x87\x90", kBom = "\xEF\xBB\xBF";
const string kLegacy = "[T]\r\nn=" + kYamada + "\r\nm=" + kNearly + "\r\n[S]\r\nk=1\r\n";

string ReadFile(const string& path) { return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}}; }
void WriteFile(const string& path, const string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A private folder for one test, removed with all it holds.
struct TempDir {
    string path = (fs::temp_directory_path() / "tolvane-test-XXXXXX").string();
    TempDir() { EXPECT_NE(mkdtemp(path.data()), nullptr); }
    ~TempDir()
    {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    string Ini() const { return path + "/tolvane32.ini"; }
};

// What fn printed and returned, run in a child process as an ordinary user
// who owns the folder: root writes through any permission, so a root child
// hands the folder to nobody and becomes nobody first.
template <class Fn>
string AsUser(const string& dir, const Fn& fn)
{
    constexpr uid_t nobody = 65534;
    const bool root = geteuid() == 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        EXPECT_TRUE(!root || lchown(entry.path().c_str(), nobody, nobody) == 0);
    EXPECT_TRUE(!root || lchown(dir.c_str(), nobody, nobody) == 0);
    testing::internal::CaptureStderr();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!root || (setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0))
            std::fputs(fn().c_str(), stderr);
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    return testing::internal::GetCapturedStderr();
}

string S(const string& value) { return "[S]\nk=" + value + "\n"; }
string Xs(std::size_t n, const string& tail = "") { return string(n, 'x') + tail; }
string Sized(std::size_t size, char last) { return S("2") + ";" + Xs(size - 10) + last; }  // k=2 in size bytes
string Repeat(const string& text, int n) { return n > 0 ? text + Repeat(text, n - 1) : ""; }

TEST(Settings, ReadGivesTheValueOrTheDefault)
{
    const string a = "\xE3\x81\x82", bad = "\xEF\xBF\xBD";
    constexpr std::size_t lim = NAME_MAX_UTF8;
    const struct {
        const char* name;
        std::optional<string> file;  // nothing: no file at all
        string expected;             // an integer as decimal text
        std::optional<string> textDefault = {};  // nothing: an integer read, default 77
    } cases[] = {
        {"no file", {}, "77"},
        {"key missing", "[S]\nj=120\n", "None", "None"},
        {"key of another section", "[T]\nk=120\n", "77"},
        {"names in any case", "[s]\nK=2\n", "2"},
        {"digits then text", S("120abc"), "120"},
        {"negative", S("-5"), "-5"},
        {"no digits", S("abc"), "0"},
        {"empty", S(""), "0"},
        {"plus sign", S("+3"), "0"},
        {"above the largest", S("2147483648"), "2147483647"},
        {"far below the smallest", S("-" + string(5000, '9')), "-2147483648"},
        {"blanks around text", S("  Hanako Yamada \t"), "Hanako Yamada", "None"},
        {"blanks only", S("   "), "", "None"},
        {"bytes outside UTF-8", S("\x80\x91\xBEY\xFF"), bad + bad + bad + "Y" + bad, ""},
        {"CR LF lines", "[S]\r\nk=Hanako\r\n", "Hanako", ""},
        {"Shift-JIS name", "[S]\r\nk=" + kYamada + "\r\n", "山田ﾀﾛｳ", ""},
        {"Shift-JIS, the first host's own code", S(kNearly), "≒", ""},
        {"mark before the first section", kBom + "[S]\nk=120\n", "120"},
        {"mark, CR LF and a name", kBom + "[S]\r\nk=山田\r\n", "山田", "None"},
        {"longest text", S(Xs(lim)), Xs(lim), ""},
        {"one byte over", S(Xs(lim + 1)), Xs(lim), ""},
        {"character across the limit", S(Xs(lim - 1, a)), Xs(lim - 1), ""},
        {"character up to the limit", S(Xs(lim - 3, a + "z")), Xs(lim - 3, a), ""},
        {"long default", {}, string(lim, 'd'), string(lim + 1, 'd')},
        {"default of stray bytes", {}, "", string(lim + 1, '\x80')},
        {"NUL byte", string("[S]\nk=2\n\0", 9), "77"},
        {"largest file", Sized(CProfileSettings::MAX_FILE_BYTES, '\n'), "2"},
        {"largest file, NUL last", Sized(CProfileSettings::MAX_FILE_BYTES, '\0'), "77"},
        {"one byte too large", Sized(CProfileSettings::MAX_FILE_BYTES + 1, '\n'), "77"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.file)
            WriteFile(dir.Ini(), *c.file);
        CProfileSettings s(dir.Ini());
        EXPECT_EQ(c.textDefault ? s.GetString("S", "k", c.textDefault->c_str())
                                : std::to_string(s.GetInt("S", "k", 77)), c.expected);
        EXPECT_EQ(fs::exists(dir.Ini()) ? ReadFile(dir.Ini()) : "none", c.file.value_or("none"));
    }
}

TEST(Settings, WriteChangesOnlyItsOwnKey)
{
    const string byHand = "; by hand\n\n[T]\nk=1\n\n# note\n[S]\nj=1\nk=95\nn=\xE5\xA4\xAA\n\n"
                          "[U]\n  spaced = as it was  \nx=y=z\n";
    const struct {
        const char* name;
        std::optional<string> before;  // nothing: no file yet
        string value;
        string after;
    } cases[] = {
        {"new file", {}, "3", "[S]\nk=3\n"},
        {"hand-made file", byHand, "42", string(byHand).replace(byHand.find("=95"), 3, "=42")},
        {"key added to its section", "[S]\nj=1\n\n[T]\nk=2\n", "3", "[S]\nj=1\nk=3\n\n[T]\nk=2\n"},
        {"section added at the end", "[T]\nk=2\n", "3", "[T]\nk=2\n[S]\nk=3\n"},
        {"names in any case", "[s]\nK=2\n", "3", "[s]\nK=3\n"},
        {"line breaks in the value", {}, "Eve\n[T]\r\nk=3", "[S]\nk=Eve [T]  k=3\n"},
        {"NUL in the value", {}, string("Eve\0[T]", 7), "[S]\nk=Eve\n"},
        {"Shift-JIS bytes kept", "[T]\nn=\x91\xBE\n", "7", "[T]\nn=\x91\xBE\n[S]\nk=7\n"},
        {"CR LF lines", "[S]\r\nk=2\r\n[T]\r\n", "1", "[S]\r\nk=1\r\n[T]\r\n"},
        {"Shift-JIS stays Shift-JIS", kLegacy, "花子", string(kLegacy).replace(kLegacy.size() - 3, 1, "\x89\xD4\x8E\x71")},
        {"a name Shift-JIS lacks turns the whole file to UTF-8", kLegacy, "한",
         "[T]\r\nn=山田ﾀﾛｳ\r\nm=≒\r\n[S]\r\nk=한\r\n"},
        {"mark kept", kBom + "[S]\nk=1\n[T]\n", "3", kBom + "[S]\nk=3\n[T]\n"},
        {"binary file left alone", S("2") + '\0', "3", S("2") + '\0'},
        {"huge file left alone", Sized(CProfileSettings::MAX_FILE_BYTES + 1, 'x'), "3",
         Sized(CProfileSettings::MAX_FILE_BYTES + 1, 'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.before)
            WriteFile(dir.Ini(), *c.before);
        testing::internal::CaptureStderr();
        CProfileSettings(dir.Ini()).WriteString("S", "k", c.value);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(ReadFile(dir.Ini()), c.after);
    }
}

TEST(Settings, EveryNameTheDialogTakesComesBackWhole)
{
    // Shift-JIS bytes to UTF-8 bytes: half-width katakana 1 to 3, kanji 2 to 3.
    const string kana = "\xEF\xBD\xB1", kanji = "\xE6\xBC\xA2", wideBlank = "\xE3\x80\x80";
    for (const string& name : {Repeat(kana, 30), Repeat(kanji, 15), string(30, 'A'),
                               Repeat(kana, 20) + Repeat(kanji, 4) + "Al", wideBlank + Repeat(kanji, 14),
                               string("$HOME ${USER} %PATH% \\$X")}) {
        SCOPED_TRACE(name);
        TempDir dir;
        CProfileSettings(dir.Ini()).Write(setting::kChamp, name);
        EXPECT_EQ(ReadFile(dir.Ini()), "[MaxPoint]\nstrChamp=" + name + "\n");
        EXPECT_EQ(CProfileSettings(dir.Ini()).Get(setting::kChamp), name);
    }
}

// A pipe would stall the game at its first read.
TEST(Settings, NoRegularFileIsNeitherReadNorReplaced)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.Ini().c_str(), 0644), 0);
    CProfileSettings(dir.Ini()).Write(setting::kCover, "2");
    EXPECT_EQ(CProfileSettings(dir.Ini()).Get(setting::kCover), 0);
    EXPECT_TRUE(fs::is_fifo(dir.Ini()));
}

// A write that cannot be done changes nothing and says nothing.
TEST(Settings, FailedWriteLeavesTheFileAsItWas)
{
    const struct {
        const char* name;
        mode_t file, folder;
        bool asUser;  // else as whoever runs the tests: root has only the write bits to go by
    } cases[] = {{"read-only file", 0444, 0700, false}, {"read-only file, as a user", 0444, 0700, true},
                 {"unwritable folder, as a user", 0644, 0555, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir.Ini(), kBefore);
        chmod(dir.Ini().c_str(), c.file);
        chmod(dir.path.c_str(), c.folder);
        const auto attempt = [&] {
            CProfileSettings s(dir.Ini());
            s.Write(setting::kCover, "2");
            s.Write(setting::kChamp, "Taro");
            return std::to_string(s.Get(setting::kCover)) + s.Get(setting::kChamp);
        };
        EXPECT_EQ(c.asUser ? AsUser(dir.path, attempt) : attempt(), "1None");
        EXPECT_EQ(ReadFile(dir.Ini()), kBefore);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
    }
}

TEST(Settings, FileLivesInTheConfigFolder)
{
    TempDir dir;
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    const string homeIni = string(home) + "/.config/tolvane32.ini";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const auto saved = old != nullptr ? std::optional<string>(old) : std::nullopt;
    const string absolute = dir.path + "/a/b";
    for (const auto& [value, path] : {std::pair(absolute.c_str(), absolute + "/tolvane32.ini"),
                                      std::pair("a/b", homeIni), std::pair<const char*, string>(nullptr, homeIni)}) {
        SCOPED_TRACE(value != nullptr ? value : "unset");
        value != nullptr ? setenv("XDG_CONFIG_HOME", value, 1) : unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(CProfileSettings().GetPath(), path);
    }
    // The first write makes the missing folders.
    setenv("XDG_CONFIG_HOME", absolute.c_str(), 1);
    CProfileSettings().Write(setting::kCover, "2");
    EXPECT_EQ(ReadFile(absolute + "/tolvane32.ini"), "[Customize]\niCover=2\n");
    saved ? setenv("XDG_CONFIG_HOME", saved->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
