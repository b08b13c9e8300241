// The settings file: the three profile operations on real files in a private
// folder, checked against the exact bytes on disk.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/string.h>

#include "TempDir.h"
#include "shell/Settings.h"

namespace {

// wxFileConfig asks wx for standard folders, which wants the library set up,
// as the program's application object does.
class WxBaseEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_init = std::make_unique<wxInitializer>(); }
    void TearDown() override { m_init.reset(); }

private:
    std::unique_ptr<wxInitializer> m_init;
};
const auto* const g_wxEnv = ::testing::AddGlobalTestEnvironment(new WxBaseEnvironment);

class SettingsTest : public ::testing::Test {
protected:
    std::string IniPath() const { return m_dir.File("tolvane32.ini"); }
    CProfileSettings Settings() const { return CProfileSettings(IniPath()); }
    void GivenFile(const std::string& text) const { WriteAll(IniPath(), text); }

    TempDir m_dir;
};

// --- Missing things give the defaults --------------------------------------

TEST_F(SettingsTest, MissingFileGivesDefaultsAndCreatesNothing)
{
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 0);
    EXPECT_EQ(s.GetInt("MaxPoint", "iMaxPoint", 17), 17);
    EXPECT_EQ(s.GetString("MaxPoint", "strChamp", "None"), "None");
    EXPECT_EQ(s.GetString("FastGameOver", "strFastPlayer", ""), "");
    EXPECT_FALSE(Exists(IniPath()));
}

TEST_F(SettingsTest, MissingSectionOrKeyGivesDefaults)
{
    GivenFile("[MaxPoint]\niMaxPoint=120\n");
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("MaxPoint", "iMaxPoint", 0), 120);
    EXPECT_EQ(s.GetString("MaxPoint", "strChamp", "None"), "None");
    EXPECT_EQ(s.GetInt("FastGameOver", "lFastTimeSpan", 0), 0);
    // A key of the same name in another section is not this one.
    EXPECT_EQ(s.GetInt("Customize", "iMaxPoint", -3), -3);
}

TEST_F(SettingsTest, FolderOrOtherNonFileReadsAsMissing)
{
    std::filesystem::create_directory(IniPath());
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("Customize", "iCover", 5), 5);
    s.WriteString("Customize", "iCover", "1");
    EXPECT_TRUE(std::filesystem::is_directory(IniPath()));
}

// --- Names --------------------------------------------------------------------

TEST_F(SettingsTest, SectionAndKeyNamesIgnoreCase)
{
    GivenFile("[customize]\nICOVER=2\n[MAXPOINT]\nstrchamp=Hanako\n");
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 2);
    EXPECT_EQ(s.GetString("MaxPoint", "strChamp", "None"), "Hanako");

    s.WriteString("Customize", "iCover", "3");
    s.WriteString("MaxPoint", "strChamp", "Taro");
    // The existing lines are replaced, not joined by a second spelling.
    EXPECT_EQ(ReadAll(IniPath()), "[customize]\nICOVER=3\n[MAXPOINT]\nstrchamp=Taro\n");
}

// --- Writes -------------------------------------------------------------------

TEST_F(SettingsTest, WriteChangesOnlyItsOwnLine)
{
    const std::string before =
        "; kept by hand\n"
        "\n"
        "[Customize]\n"
        "iCover=1\n"
        "\n"
        "# another comment\n"
        "[FastGameOver]\n"
        "lFastTimeSpan=95\n"
        "strFastPlayer=\xe5\xa4\xaa\xe9\x83\x8e\n"
        "\n"
        "[Unrelated]\n"
        "  spaced = kept as it was  \n"
        "other=x=y\n";
    GivenFile(before);
    Settings().WriteString("FastGameOver", "lFastTimeSpan", "42");

    std::string expected = before;
    expected.replace(expected.find("lFastTimeSpan=95"), 16, "lFastTimeSpan=42");
    EXPECT_EQ(ReadAll(IniPath()), expected);
}

TEST_F(SettingsTest, WriteAddsMissingKeyToItsSectionAndMissingSectionAtTheEnd)
{
    GivenFile("[MaxPoint]\niMaxPoint=120\n\n[Customize]\niCover=2\n");
    CProfileSettings s = Settings();
    s.WriteString("MaxPoint", "strChamp", "Hanako");
    s.WriteString("FastGameOver", "lFastTimeSpan", "95");
    EXPECT_EQ(ReadAll(IniPath()),
              "[MaxPoint]\niMaxPoint=120\nstrChamp=Hanako\n\n[Customize]\niCover=2\n"
              "[FastGameOver]\nlFastTimeSpan=95\n");
}

TEST_F(SettingsTest, FileFromNothingKeepsSectionsInTheOrderFirstWritten)
{
    CProfileSettings s = Settings();
    s.WriteString("Customize", "iCover", "2");
    s.WriteString("FastGameOver", "lFastTimeSpan", "95");
    s.WriteString("FastGameOver", "strFastPlayer", "\xe8\x8a\xb1\xe5\xad\x90");
    s.WriteString("MaxPoint", "iMaxPoint", "120");
    s.WriteString("MaxPoint", "strChamp", "Taro");
    s.WriteString("Customize", "iCover", "0");
    EXPECT_EQ(ReadAll(IniPath()),
              "[Customize]\niCover=0\n"
              "[FastGameOver]\nlFastTimeSpan=95\nstrFastPlayer=\xe8\x8a\xb1\xe5\xad\x90\n"
              "[MaxPoint]\niMaxPoint=120\nstrChamp=Taro\n");
    EXPECT_EQ(s.GetString("FastGameOver", "strFastPlayer", ""), "\xe8\x8a\xb1\xe5\xad\x90");
    EXPECT_EQ(s.GetInt("MaxPoint", "iMaxPoint", 0), 120);
}

TEST_F(SettingsTest, WriteCreatesMissingFolders)
{
    const std::string path = m_dir.File("a/b/tolvane32.ini");
    CProfileSettings(path).WriteString("Customize", "iCover", "3");
    EXPECT_EQ(ReadAll(path), "[Customize]\niCover=3\n");
}

TEST_F(SettingsTest, LineBreakInValueCannotForgeAnotherKey)
{
    CProfileSettings s = Settings();
    s.WriteString("MaxPoint", "strChamp", "Eve\n[Customize]\r\niCover=3");
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 0);
    EXPECT_EQ(s.GetString("MaxPoint", "strChamp", ""), "Eve [Customize]  iCover=3");
}

TEST_F(SettingsTest, WriteThroughSymbolicLinkUpdatesItsTarget)
{
    const std::string target = m_dir.File("real.ini");
    WriteAll(target, "[Customize]\niCover=1\n");
    std::filesystem::create_symlink(target, IniPath());
    Settings().WriteString("Customize", "iCover", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(IniPath()));
    EXPECT_EQ(ReadAll(target), "[Customize]\niCover=2\n");
}

TEST_F(SettingsTest, EveryOperationReadsTheFileAfresh)
{
    CProfileSettings first = Settings();
    CProfileSettings second = Settings();
    EXPECT_EQ(second.GetInt("Customize", "iCover", 0), 0);
    first.WriteString("Customize", "iCover", "2");
    EXPECT_EQ(second.GetInt("Customize", "iCover", 0), 2);
    GivenFile("[Customize]\niCover=3\n");
    EXPECT_EQ(first.GetInt("Customize", "iCover", 0), 3);
    std::filesystem::remove(IniPath());
    EXPECT_EQ(first.GetInt("Customize", "iCover", 0), 0);
}

// --- Failed writes --------------------------------------------------------------

TEST_F(SettingsTest, WriteIntoReadOnlyFolderIsSilentAndKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; the full-disk case covers the same path";
    const std::string before = "[Customize]\niCover=1\n";
    GivenFile(before);
    chmod(m_dir.Path().c_str(), 0555);
    testing::internal::CaptureStderr();
    Settings().WriteString("Customize", "iCover", "2");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    chmod(m_dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadAll(IniPath()), before);
}

TEST_F(SettingsTest, WriteWhereNoFolderCanBeMadeIsSilent)
{
    WriteAll(m_dir.File("plain"), "x");
    const std::string path = m_dir.File("plain/sub/tolvane32.ini");
    testing::internal::CaptureStderr();
    CProfileSettings(path).WriteString("Customize", "iCover", "2");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadAll(m_dir.File("plain")), "x");
}

// A full disk fails the write part-way; the file-size limit makes the kernel
// fail it the same way, even for root.
TEST_F(SettingsTest, WriteOnFullDiskKeepsTheOldFileWhole)
{
    const std::string before = "[MaxPoint]\niMaxPoint=120\nstrChamp=Hanako\n";
    GivenFile(before);

    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Settings().WriteString("MaxPoint", "strChamp", "A much longer name than before");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadAll(IniPath()), before);
    // No temporary file is left behind next to it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()),
                            std::filesystem::directory_iterator()), 1);
}

// --- Integers -----------------------------------------------------------------

TEST_F(SettingsTest, IntegerIsReadFromItsLeadingDigits)
{
    GivenFile("[S]\n"
              "plain=95\n"
              "tail=12abc\n"
              "neg=-5\n"
              "text=abc\n"
              "empty=\n"
              "spaced= 7 \n"
              "plus=+3\n"
              "minusonly=-\n"
              "zeros=007\n");
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("S", "plain", -1), 95);
    EXPECT_EQ(s.GetInt("S", "tail", -1), 12);
    EXPECT_EQ(s.GetInt("S", "neg", -1), -5);
    EXPECT_EQ(s.GetInt("S", "text", -1), 0);
    EXPECT_EQ(s.GetInt("S", "empty", -1), 0);
    EXPECT_EQ(s.GetInt("S", "spaced", -1), 7);
    EXPECT_EQ(s.GetInt("S", "plus", -1), 0);
    EXPECT_EQ(s.GetInt("S", "minusonly", -1), 0);
    EXPECT_EQ(s.GetInt("S", "zeros", -1), 7);
}

TEST_F(SettingsTest, AbsurdIntegersSaturate)
{
    GivenFile("[S]\nbig=99999999999999\nsmall=-99999999999999\n"
              "max=2147483647\nover=2147483648\nmin=-2147483648\nunder=-2147483649\n"
              "endless=" + std::string(5000, '9') + "\n");
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("S", "big", 0), INT_MAX);
    EXPECT_EQ(s.GetInt("S", "small", 0), INT_MIN);
    EXPECT_EQ(s.GetInt("S", "max", 0), INT_MAX);
    EXPECT_EQ(s.GetInt("S", "over", 0), INT_MAX);
    EXPECT_EQ(s.GetInt("S", "min", 0), INT_MIN);
    EXPECT_EQ(s.GetInt("S", "under", 0), INT_MIN);
    EXPECT_EQ(s.GetInt("S", "endless", 0), INT_MAX);
}

// --- Texts --------------------------------------------------------------------

TEST_F(SettingsTest, LongTextIsCutTo59BytesOnACharacterBoundary)
{
    const std::string a = "\xe3\x81\x82";  // one three-byte character
    GivenFile("[S]\n"
              "fits=" + std::string(59, 'x') + "\n"
              "over=" + std::string(60, 'x') + "\n"
              "straddles=" + std::string(57, 'x') + a + "yz\n"
              "ends=" + std::string(56, 'x') + a + "z\n");
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetString("S", "fits", ""), std::string(59, 'x'));
    EXPECT_EQ(s.GetString("S", "over", ""), std::string(59, 'x'));
    // Bytes 58..60 hold the character: it goes whole rather than in part.
    EXPECT_EQ(s.GetString("S", "straddles", ""), std::string(57, 'x'));
    EXPECT_EQ(s.GetString("S", "ends", ""), std::string(56, 'x') + a);
    EXPECT_EQ(s.GetString("S", "missing", std::string(70, 'd').c_str()), std::string(59, 'd'));
}

TEST_F(SettingsTest, TextLosesTheBlanksAroundIt)
{
    GivenFile("[S]\nname=  Hanako Yamada \t\n");
    EXPECT_EQ(Settings().GetString("S", "name", ""), "Hanako Yamada");
}

// --- Damaged files ------------------------------------------------------------

TEST_F(SettingsTest, NonUtf8TextReadsAsValidUtf8AndSurvivesOtherWrites)
{
    // A name in Shift-JIS, as the game's first host stored it.
    const std::string before = "[MaxPoint]\nstrChamp=\x91\xbe\x98\x59\n";
    GivenFile(before);
    CProfileSettings s = Settings();
    const std::string name = s.GetString("MaxPoint", "strChamp", "None");
    EXPECT_FALSE(name.empty());
    const wxString asText = wxString::FromUTF8(name.c_str());
    EXPECT_FALSE(asText.empty()) << "not valid UTF-8";

    s.WriteString("MaxPoint", "iMaxPoint", "7");
    EXPECT_EQ(ReadAll(IniPath()), "[MaxPoint]\nstrChamp=\x91\xbe\x98\x59\niMaxPoint=7\n");
}

// Random bytes heavy in the characters the INI syntax cares about.
std::string Garbage(std::mt19937& gen, bool withNul)
{
    std::string garbage(4096, '\0');
    for (char& c : garbage) {
        const auto r = static_cast<unsigned>(gen() % 300);
        c = r < 256 ? static_cast<char>(r) : "[]=\n/;#\r"[r % 8];
        if (c == '\0' && !withNul)
            c = '=';
    }
    return garbage;
}

TEST_F(SettingsTest, TextGarbageNeitherCrashesNorSpeaksAndStillTakesWrites)
{
    std::mt19937 gen(12345);
    for (int round = 0; round < 30; ++round) {
        GivenFile(Garbage(gen, false));
        CProfileSettings s = Settings();
        testing::internal::CaptureStderr();
        s.GetInt("Customize", "iCover", 0);
        const std::string text = s.GetString("MaxPoint", "strChamp", "None");
        s.WriteString("Customize", "iCover", "2");
        const int cover = s.GetInt("Customize", "iCover", 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "round " << round;
        EXPECT_LE(text.size(), 59u);
        EXPECT_FALSE(wxString::FromUTF8(text.c_str()).empty() && !text.empty()) << "not valid UTF-8";
        EXPECT_EQ(cover, 2) << "round " << round;
    }
}

TEST_F(SettingsTest, BinaryFileReadsAsMissingAndIsNotRewritten)
{
    std::mt19937 gen(54321);
    std::string binary = "[Customize]\niCover=2\n" + Garbage(gen, true);
    binary[30] = '\0';
    GivenFile(binary);
    CProfileSettings s = Settings();
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 0);
    s.WriteString("Customize", "iCover", "3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadAll(IniPath()), binary);
}

TEST_F(SettingsTest, HugeFileReadsAsMissingAndIsNotRewritten)
{
    std::string huge;
    huge.reserve(10 << 20);
    huge += "[Customize]\niCover=2\n";
    for (int i = 0; huge.size() < (10u << 20); ++i)
        huge += "key" + std::to_string(i) + "=value\n";
    GivenFile(huge);
    CProfileSettings s = Settings();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 0);
    s.WriteString("Customize", "iCover", "3");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Far beyond any real cost; only a parse of the whole file would get near.
    EXPECT_LT(seconds, 2.0);
    EXPECT_EQ(std::filesystem::file_size(IniPath()), huge.size());
}

TEST_F(SettingsTest, CrLfFileIsReadAndStaysReadable)
{
    GivenFile("[Customize]\r\niCover=2\r\n[MaxPoint]\r\nstrChamp=Hanako\r\n");
    CProfileSettings s = Settings();
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 2);
    EXPECT_EQ(s.GetString("MaxPoint", "strChamp", ""), "Hanako");
    s.WriteString("Customize", "iCover", "1");
    EXPECT_EQ(s.GetInt("Customize", "iCover", 0), 1);
    EXPECT_EQ(s.GetString("MaxPoint", "strChamp", ""), "Hanako");
}

// --- Where the file lives -----------------------------------------------------

TEST_F(SettingsTest, FileLivesInXdgConfigHome)
{
    const std::string config = m_dir.File("config-home");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(CProfileSettings::DefaultPath(), config + "/tolvane32.ini");
    CProfileSettings s;
    s.WriteString("Customize", "iCover", "2");
    EXPECT_EQ(ReadAll(config + "/tolvane32.ini"), "[Customize]\niCover=2\n");
    EXPECT_EQ(CProfileSettings().GetInt("Customize", "iCover", 0), 2);
}

TEST_F(SettingsTest, FileDefaultsToDotConfigUnderHome)
{
    ScopedEnv home("HOME", m_dir.Path().c_str());
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(CProfileSettings::DefaultPath(), m_dir.Path() + "/.config/tolvane32.ini");
        CProfileSettings().WriteString("Customize", "iCover", "1");
        EXPECT_EQ(ReadAll(m_dir.Path() + "/.config/tolvane32.ini"), "[Customize]\niCover=1\n");
    }
    {
        // A relative folder is not a valid setting of the variable.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(CProfileSettings::DefaultPath(), m_dir.Path() + "/.config/tolvane32.ini");
    }
}

}  // namespace
