// The shell's own components: the record-name and card-back dialogs, driven
// through their controls, and the sound, heard through SDL's disk driver.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <wx/button.h>
#include <wx/textctrl.h>

#include "GuiTest.h"
#include "res/resource.h"
#include "shell/CardBackDlg.h"
#include "shell/Dialogs.h"
#include "shell/PlayerNameDlg.h"
#include "shell/Sound.h"
#include "tests/unit/Fakes.h"
#include "view/PictureCache.h"

namespace {

std::string Repeat(const std::string& text, int times) { return times > 0 ? text + Repeat(text, times - 1) : ""; }

void Click(wxWindow* button)  // as a player clicks: a disabled button takes none
{
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    if (button->IsEnabled())
        button->ProcessWindowEvent(click);
}

// at: where the typing goes in, -1 at the end; caret: where it is afterwards.
// Half-width katakana (U+FF61 to U+FF9F) take one byte.
struct NameRow { const char* name; std::string offered; long at; std::string typed, field; bool ok; long caret; };
const NameRow kNameRows[] = {
    {"ThirtyHalfWidthKatakanaFit", "", -1, Repeat("ﾟ", 30), Repeat("ﾟ", 30), true, 30},
    {"AThirtyFirstIsRefused", Repeat("ﾟ", 30), -1, "｡", Repeat("ﾟ", 30), true, 30},
    {"FifteenKanjiFitASixteenthIsRefused", Repeat("山", 15), -1, "山", Repeat("山", 15), true, 15},
    {"HalfWidthSignsFillTheLastBytes", "山" + Repeat("a", 26), 1, "｡ﾟ山", "山｡ﾟ" + Repeat("a", 26), true, 3},
    {"APasteIsCutAtACharacterBoundary", "ab" + Repeat("z", 23), 2, "山田太郎", "ab山田" + Repeat("z", 23), true, 4},
    {"BlanksOnlyLeaveOkDisabled", "", -1, " \t ", " \t ", false, 3},
    {"AFullWidthBlankIsAName", "", -1, "　", "　", true, 1},
    {"AnOfferedNameEnablesOk", "  Hanako", -1, "", "  Hanako", true, 8},
    {"OfferedBlanksLeaveOkDisabled", "   ", -1, "", "   ", false, 3},
};

class NameFieldTest : public testing::TestWithParam<NameRow> {};

TEST_P(NameFieldTest, HoldsAtMostTheLimitInShiftJisBytes)
{
    const NameRow& row = GetParam();
    CPlayerNameDlg dlg(nullptr);
    dlg.m_strName = wxString::FromUTF8(row.offered);
    dlg.InitDialog();
    wxTextCtrl* field = dlg.NameField();
    field->SetInsertionPoint(row.at < 0 ? field->GetLastPosition() : row.at);
    field->WriteText(wxString::FromUTF8(row.typed));
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(field->GetValue().utf8_string(), row.field);
    EXPECT_EQ(dlg.OkButton()->IsEnabled(), row.ok);
    EXPECT_EQ(field->GetInsertionPoint(), row.caret);
}

INSTANTIATE_TEST_SUITE_P(Rows, NameFieldTest, testing::ValuesIn(kNameRows),
                         [](const auto& row) { return std::string(row.param.name); });

// The dialog as the game runs it: the focus where typing or Enter is due,
// OK giving the name as typed, Cancel or Esc keeping the offered one.
TEST(NameDialog, OkGivesTheNameAsTypedAndCancelNothing)
{
    struct Row { std::string offered, typed; int button, result; std::string name; bool focusOnName; };
    const Row rows[] = {
        {"", "  Taro ", wxID_OK, IDOK, "  Taro ", true},
        {"Hanako", "ko", wxID_OK, IDOK, "Hanakoko", false},
        {"Hanako", "x", wxID_CANCEL, IDCANCEL, "Hanako", false},
    };
    for (const Row& row : rows) {
        wxTheApp->CallAfter([&] {  // runs in the dialog's own loop
            auto* dlg = static_cast<CPlayerNameDlg*>(wxTopLevelWindows.GetLast()->GetData());
            EXPECT_EQ(dlg->ScoreField()->GetValue(), "achieved");
            const wxWindow* focus = row.focusOnName ? static_cast<wxWindow*>(dlg->NameField()) : dlg->OkButton();
            EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(dlg->GetHandle())), focus->GetHandle());
            EXPECT_EQ(dlg->GetDefaultItem(), dlg->OkButton());  // Enter
            dlg->NameField()->AppendText(wxString::FromUTF8(row.typed));
            Click(dlg->FindWindow(row.button));
        });
        std::string name = row.offered;
        EXPECT_EQ(RunPlayerNameDialog(nullptr, "achieved", name), row.result);
        EXPECT_EQ(name, row.name);
    }
}

// clicks: the arrows, < and >, in the order pressed.
struct BackRow { const char* name; int start; const char* clicks; bool ok; int back; const char* written; };

class CardBackTest : public testing::TestWithParam<BackRow> {};

TEST_P(CardBackTest, ArrowsStopAtBothEndsAndOkStoresTheBack)
{
    const BackRow& row = GetParam();
    fakes::Journal journal;
    fakes::FakeSettings settings(journal);
    settings.values["Customize/iCover"] = std::to_string(row.start);
    CPictureCache pictures;
    pictures.LoadAll();
    CCardImageSet images;
    images.LoadImages(pictures, settings);
    wxTheApp->CallAfter([&] {  // runs in the dialog's own loop
        auto* dlg = static_cast<CCardBackDlg*>(wxTopLevelWindows.GetLast()->GetData());
        for (const char* c = row.clicks; *c != '\0'; ++c)
            Click(*c == '<' ? dlg->PrevButton() : dlg->NextButton());
        // The arrow that would leave the range is disabled at its end.
        EXPECT_EQ(dlg->PrevButton()->IsEnabled(), dlg->m_nCover > 0);
        EXPECT_EQ(dlg->NextButton()->IsEnabled(), dlg->m_nCover < 3);
        EXPECT_EQ(dlg->GetDefaultItem(), dlg->OkButton());
        Click(row.ok ? dlg->OkButton() : dlg->CancelButton());
    });
    EXPECT_EQ(RunCardBackDialog(nullptr, images, pictures), row.ok ? IDOK : IDCANCEL);
    EXPECT_EQ(images.CurrentBack(), row.back);
    EXPECT_EQ(journal, row.written != nullptr ? fakes::Journal{row.written} : fakes::Journal{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CardBackTest,
    testing::Values(BackRow{"FourStepsFromTheFirstStopAtTheLast", 0, ">>>>", true, 3, "Write Customize/iCover=3"},
                    BackRow{"StepsBackStopAtTheFirst", 3, "<<<<", true, 0, "Write Customize/iCover=0"},
                    BackRow{"OkWithoutSteppingStoresTheSameBack", 3, "", true, 3, "Write Customize/iCover=3"},
                    BackRow{"CancelAfterSteppingStoresNothing", 1, ">", false, 1, nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

// True once the file holds a 16-bit sample well above silence.
bool Heard(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    for (std::int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), sizeof sample);)
        if (std::abs(int(sample)) > 1000)
            return true;
    return false;
}

TEST(Sound, ARemovalSoundIsHeardAndTheTuneReportsItsStopOnce)
{
    const std::string folder = std::getenv("XDG_CACHE_HOME");
    std::filesystem::create_directories(folder);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (folder + "/output.raw").c_str(), 1);
    std::atomic<int> finished{0};
    CSoundSystem sound;
    sound.SetMusicFinishedCallback([&finished] { ++finished; });
    sound.PlayWave(IDR_SOUND_CARD);
    EXPECT_TRUE(PumpUntil([&] { return Heard(folder + "/output.raw"); }));

    const std::string tune = sound.WriteMusicFile();
    ASSERT_EQ(sound.PlayMusic(tune), 0);
    sound.CloseMusic();  // closing reports nothing; stopping does
    ASSERT_EQ(sound.PlayMusic(tune), 0);
    EXPECT_EQ(finished, 0);
    sound.StopMusic();
    EXPECT_TRUE(PumpUntil([&] { return finished > 0; }));
}

}  // namespace
