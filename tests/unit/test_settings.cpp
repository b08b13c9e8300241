// The settings file on real files in a private folder, checked against the
// exact bytes on disk.
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

// As the game's first host stored its names: Shift-JIS (山田ﾀﾛｳ, ﾕｷ, ﾐｷ,
// ﾏｲ, and ≒ by the code that host's extensions give it) and CR LF line ends.
const string kYamada = "\x8E\x52\x93\x63\xC0\xDB\xB3", kYuki = "\xD5\xB7", kMiki = "\xD0\xB7", kMai = "\xCF\xB2";
const string kNearly = "\x87\x90", kBom = "\xEF\xBB\xBF";

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

// A write changes its own key and no value read from any other: in the
// game's first host's files (Shift-JIS, CR LF), in this game's (UTF-8, marked
// where a line would read as the first host's kana; the game writes these
// itself), in mixed ones, and in files made by hand.
TEST(Settings, WriteChangesOnlyItsOwnKey)
{
    const string byHand = "; by hand\n\n[T]\nk=1\n\n# note\n[S]\nj=1\nk=95\nn=\xE5\xA4\xAA\n\n"
                          "[U]\n  spaced = as it was  \nx=y=z\n";
    const string mark = "[Tolvane32]\nEncoding=UTF-8\n", crlfMark = "[Tolvane32]\r\nEncoding=UTF-8\r\n", mixed = "[T]\r\nn=" + kYuki + "\r\nm=山田\r\n";
    const string kana30 = Repeat("ｱ", 30), kanji15 = Repeat("漢", 15), dollars = "$HOME ${USER} %PATH% \\$X";
    const struct {
        const char* name;
        std::optional<string> before;  // nothing: no file yet
        string value;                   // written to k of section S
        string after;
        string read = "-|-";  // the values of n and m of section T ("-": missing), before and after
        bool ours = false;    // the game writes `before` when it stores n alone
    } cases[] = {
        {"new file", {}, "3", "[S]\nk=3\n"},
        {"hand-made file", byHand, "42", string(byHand).replace(byHand.find("=95"), 3, "=42")},
        {"key added to its section", "[S]\nj=1\n\n[T]\nk=2\n", "3", "[S]\nj=1\nk=3\n\n[T]\nk=2\n"},
        {"section added at the end", "[T]\nk=2\n", "3", "[T]\nk=2\n[S]\nk=3\n"},
        {"names in any case", "[s]\nK=2\n", "3", "[s]\nK=3\n"},
        {"line breaks in the value", {}, "Eve\n[T]\r\nk=3", "[S]\nk=Eve [T]  k=3\n"},
        {"NUL in the value", {}, string("Eve\0[T]", 7), "[S]\nk=Eve\n"},
        {"CR LF lines", "[S]\r\nk=2\r\n[T]\r\n", "1", "[S]\r\nk=1\r\n[T]\r\n"},
        {"binary file left alone", S("2") + '\0', "3", S("2") + '\0'},
        {"huge file left alone", Sized(CProfileSettings::MAX_FILE_BYTES + 1, 'x'), "3",
         Sized(CProfileSettings::MAX_FILE_BYTES + 1, 'x')},
        {"first host: ﾕｷ", "[T]\r\nn=" + kYuki + "\r\n", "7", "[T]\r\nn=" + kYuki + "\r\n[S]\r\nk=7\r\n", "ﾕｷ|-"},
        {"first host: ﾐｷ, a name added in Shift-JIS, its own codes kept", "[T]\r\nn=" + kMiki + "\r\nm=" + kNearly + "\r\n",
         "花子", "[T]\r\nn=" + kMiki + "\r\nm=" + kNearly + "\r\n[S]\r\nk=\x89\xD4\x8E\x71\r\n", "ﾐｷ|≒"},
        {"first host: ﾏｲ, then a name Shift-JIS lacks", "[T]\r\nn=" + kMai + "\r\n", "José",
         "[T]\r\nn=ﾏｲ\r\n[S]\r\nk=José\r\n[Tolvane32]\r\nEncoding=UTF-8\r\n", "ﾏｲ|-"},
        {"first host: 山田ﾀﾛｳ, then a name Shift-JIS lacks", "[T]\r\nn=" + kYamada + "\r\nm=" + kNearly + "\r\n", "한",
         "[T]\r\nn=山田ﾀﾛｳ\r\nm=≒\r\n[S]\r\nk=한\r\n", "山田ﾀﾛｳ|≒"},
        {"an editor's UTF-8 line in a first host's file", mixed, "7", mixed + "[S]\r\nk=7\r\n", "ﾕｷ|山田"},
        {"the same, then a name Shift-JIS lacks", mixed, "😀", "[T]\r\nn=ﾕｷ\r\nm=山田\r\n[S]\r\nk=😀\r\n", "ﾕｷ|山田"},
        {"ours: José", "[T]\nn=José\n", "7", "[T]\nn=José\n[S]\nk=7\n", "José|-", true},
        {"ours: Юки, CR LF kept", "[T]\r\nn=Юки\r\n" + crlfMark, "7", "[T]\r\nn=Юки\r\n" + crlfMark + "[S]\r\nk=7\r\n", "Юки|-"},
        {"ours: ﾕｷ", "[T]\nn=ﾕｷ\n", "Zoë", "[T]\nn=ﾕｷ\n[S]\nk=Zoë\n", "ﾕｷ|-", true},
        {"ours: 山田", "[T]\nn=山田\n", "7", "[T]\nn=山田\n[S]\nk=7\n", "山田|-", true},
        {"ours: an emoji", "[T]\nn=😀\n", "7", "[T]\nn=😀\n[S]\nk=7\n", "😀|-", true},
        {"ours: no expansion", "[T]\nn=" + dollars + "\n", "7", "[T]\nn=" + dollars + "\n[S]\nk=7\n", dollars + "|-", true},
        {"the longest names, whole", "[T]\nn=" + kana30 + "\nm=" + kanji15 + "\n", "7",
         "[T]\nn=" + kana30 + "\nm=" + kanji15 + "\n[S]\nk=7\n", kana30 + "|" + kanji15},
        {"the first host's line in our marked file", "[T]\nn=" + kYamada + "\n" + mark, "7",
         "[T]\nn=山田ﾀﾛｳ\n" + mark + "[S]\nk=7\n", "山田ﾀﾛｳ|-"},
        {"a byte-order mark marks too", kBom + "[T]\r\nn=José\r\n", "7", kBom + "[T]\r\nn=José\r\n[S]\r\nk=7\r\n", "José|-"},
        {"unmarked UTF-8 below U+0800 in CR LF is the first host's kana", "[T]\r\nn=José\r\n", "7",
         "[T]\r\nn=José\r\n[S]\r\nk=7\r\n", "Josﾃｩ|-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.ours) {
            CProfileSettings(dir.Ini()).WriteString("T", "n", c.read.substr(0, c.read.find('|')));
            EXPECT_EQ(ReadFile(dir.Ini()), c.before);
        }
        if (c.before)
            WriteFile(dir.Ini(), *c.before);
        CProfileSettings s(dir.Ini());
        const auto read = [&s] { return s.GetString("T", "n", "-") + "|" + s.GetString("T", "m", "-"); };
        EXPECT_EQ(read(), c.read);
        testing::internal::CaptureStderr();
        s.WriteString("S", "k", c.value);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(ReadFile(dir.Ini()), c.after);
        EXPECT_EQ(read(), c.read);
    }
}

// Where a write lands. A settings file kept elsewhere through symbolic links
// (a dotfiles folder) is written at the end of the chain, made there if need
// be, with the mode it had, and the links stay. A chain that never ends, what
// is no regular file (a pipe would stall the game at its first read) and a
// write that cannot be done change nothing and say nothing.
TEST(Settings, AWriteLandsAtTheEndOfTheLinksOrNowhere)
{
    const struct {
        const char* name;
        std::vector<std::pair<string, string>> links;  // a link in the folder and its target ("@" the folder)
        string end;                      // where the chain ends, in the folder
        std::optional<string> before;    // what lies there (nothing: not made yet; "/" a folder; "|" a pipe)
        mode_t mode;                     // of the file there, before and after
        string after;                    // "none": no file there
        mode_t folder = 0700;
        bool asUser = false;  // else as whoever runs the tests: root has only the write bits to go by
        bool full = false;    // the disk fills up at the fifth byte
    } cases[] = {
        {"target not made yet", {{"tolvane32.ini", "dots/t.ini"}}, "dots/t.ini", {}, 0644, S("3")},
        {"target not made yet, through a second link", {{"tolvane32.ini", "@/sub/a"}, {"sub/a", "../dots/t.ini"}},
         "dots/t.ini", {}, 0644, S("3")},
        {"target made", {{"tolvane32.ini", "t.ini"}}, "t.ini", S("1"), 0600, S("3")},
        {"a loop", {{"tolvane32.ini", "a"}, {"a", "tolvane32.ini"}}, "t.ini", {}, 0, "none"},
        {"a folder", {{"tolvane32.ini", "t.ini"}}, "t.ini", "/", 0, "none"},
        {"a pipe", {}, "tolvane32.ini", "|", 0, "none"},
        {"read-only file", {}, "tolvane32.ini", S("1"), 0444, S("1")},
        {"read-only file, as a user", {}, "tolvane32.ini", S("1"), 0444, S("1"), 0700, true},
        {"unwritable folder, as a user", {}, "tolvane32.ini", S("1"), 0644, S("1"), 0555, true},
        {"full disk", {}, "tolvane32.ini", S("1"), 0644, S("1"), 0700, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        for (const auto& [link, target] : c.links) {
            fs::create_directories(fs::path(dir.path + "/" + link).parent_path());
            fs::create_symlink(target[0] == '@' ? dir.path + target.substr(1) : target, dir.path + "/" + link);
        }
        const string end = dir.path + "/" + c.end;
        if (c.before == "/")
            fs::create_directory(end);
        else if (c.before == "|")
            mkfifo(end.c_str(), 0644);
        else if (c.before)
            WriteFile(end, *c.before), chmod(end.c_str(), c.mode);
        chmod(dir.path.c_str(), c.folder);
        const auto attempt = [&] {
            const rlimit full{4, 4};
            if (c.full && (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &full) != 0))
                return string("no limit");
            CProfileSettings s(dir.Ini());
            s.WriteString("S", "k", "3");
            return std::to_string(s.GetInt("S", "k", 0));
        };
        // What the write read back, and whatever it said besides.
        const auto quiet = [&] {
            testing::internal::CaptureStderr();
            const string read = attempt();
            return read + testing::internal::GetCapturedStderr();
        };
        EXPECT_EQ(c.asUser ? AsUser(dir.path, attempt) : quiet(), c.after == "none" ? "0" : c.after.substr(6, 1));
        for (const auto& [link, target] : c.links)
            EXPECT_EQ(fs::read_symlink(dir.path + "/" + link), target[0] == '@' ? dir.path + target.substr(1) : target);
        EXPECT_EQ(fs::is_regular_file(end) ? ReadFile(end) : "none", c.after);
        EXPECT_EQ(c.mode == 0 || fs::status(end).permissions() == fs::perms(c.mode), true);
        EXPECT_EQ(fs::is_fifo(end), c.before == "|");
        for (const auto& entry : fs::recursive_directory_iterator(dir.path))  // no temporary file left behind
            EXPECT_EQ(entry.path().filename().string().find(".ini."), string::npos);
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
