// The record-name dialog: Shift-JIS byte counting, the field that refuses
// what does not fit, OK enabling on every change, the focus rules on opening
// and the answers of RunPlayerNameDialog.
#include <gtest/gtest.h>

#include <memory>

#include <wx/button.h>
#include <wx/textctrl.h>

#include "model/HostServices.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/Dialogs.h"
#include "shell/PlayerNameDlg.h"
#include "tests/dialogs/DialogTestSupport.h"

namespace {

wxString U(const char* utf8) { return wxString::FromUTF8(utf8); }

// ---- Byte counting and cutting ----------------------------------------

TEST(PlayerNameBytes, CountsAsShiftJis)
{
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(""), 0);
    EXPECT_EQ(CPlayerNameDlg::AnsiLength("Taro Yamada"), 11);
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(U("ｷｬﾝｾﾙ")), 5);         // half-width katakana
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(U("山田太郎")), 8);       // kanji
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(U("１２３")), 6);         // full-width digits
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(U("たろう")), 6);         // hiragana
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(U("　")), 2);             // full-width blank
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(U("Aｱ山１")), 1 + 1 + 2 + 2);
}

TEST(PlayerNameBytes, HalfWidthKatakanaRangeEndsExactly)
{
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(wxString(wxUniChar(0xFF61))), 1);  // ｡ first
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(wxString(wxUniChar(0xFF9F))), 1);  // ﾟ last
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(wxString(wxUniChar(0xFF60))), 2);  // just before
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(wxString(wxUniChar(0xFFA0))), 2);  // just after
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(wxString(wxUniChar(0x7F))), 1);
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(wxString(wxUniChar(0xE9))), 2);    // é
}

TEST(PlayerNameBytes, CutNeverSplitsACharacter)
{
    const wxString ascii29(wxUniChar('a'), 29);
    EXPECT_EQ(CPlayerNameDlg::CutToLimit(ascii29 + U("山"), 30), ascii29);
    EXPECT_EQ(CPlayerNameDlg::CutToLimit(ascii29 + U("ｱ山"), 30), ascii29 + U("ｱ"));
    EXPECT_EQ(CPlayerNameDlg::CutToLimit(U("山田太郎山田太郎山田太郎山田太郎"), 30),
              U("山田太郎山田太郎山田太郎山田太"));
    EXPECT_EQ(CPlayerNameDlg::CutToLimit(U("山"), 1), "");
    EXPECT_EQ(CPlayerNameDlg::CutToLimit("short", 30), "short");
}

TEST(PlayerNameBytes, LeftTrimTakesOnlyLeadingSingleByteBlanks)
{
    EXPECT_EQ(CPlayerNameDlg::LeftTrim(" \t\r\n\v\fTaro "), "Taro ");
    EXPECT_EQ(CPlayerNameDlg::LeftTrim("   "), "");
    EXPECT_EQ(CPlayerNameDlg::LeftTrim(U("　Taro")), U("　Taro"));  // full-width blank stays
    EXPECT_EQ(CPlayerNameDlg::LeftTrim("Ta ro"), "Ta ro");
}

TEST(PlayerNameBytes, FitEditKeepsWhatFitsOfTheInsertion)
{
    long caret = -1;
    // Typing one more character into a full field changes nothing.
    const wxString full(wxUniChar('x'), 30);
    EXPECT_EQ(CPlayerNameDlg::FitEdit(full, full + "y", 30, caret), full);
    EXPECT_EQ(caret, 30);

    // A paste into the middle keeps its leading whole characters and the
    // tail: 3 bytes free take one kanji, and the second is not split.
    const wxString before = wxString("ab") + wxString(wxUniChar('z'), 25);  // 27 bytes
    const wxString after = wxString("ab") + U("山田太") + wxString(wxUniChar('z'), 25);
    EXPECT_EQ(CPlayerNameDlg::FitEdit(before, after, 30, caret),
              wxString("ab") + U("山") + wxString(wxUniChar('z'), 25));
    EXPECT_EQ(caret, 3);
}

TEST(PlayerNameBytes, FitEditWithRoomForPartOfAPaste)
{
    long caret = -1;
    const wxString before = "ab" + wxString(wxUniChar('z'), 24);  // 26 bytes
    const wxString after = "ab" + U("山田太") + wxString(wxUniChar('z'), 24);
    const wxString fitted = CPlayerNameDlg::FitEdit(before, after, 30, caret);
    EXPECT_EQ(fitted, "ab" + U("山田") + wxString(wxUniChar('z'), 24));
    EXPECT_EQ(caret, 4);
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(fitted), 30);
}

TEST(PlayerNameBytes, FitEditReplacingASelection)
{
    long caret = -1;
    // "abcdef" + 20 x, with "cd" replaced by a paste of half-width katakana.
    const wxString tail(wxUniChar('x'), 20);
    const wxString before = "abcdef" + tail;              // 26 bytes
    const wxString after = "ab" + U("ｱｲｳｴｵｶｷ") + "ef" + tail;  // 31 bytes
    EXPECT_EQ(CPlayerNameDlg::FitEdit(before, after, 30, caret), "ab" + U("ｱｲｳｴｵｶ") + "ef" + tail);
    EXPECT_EQ(caret, 8);
}

// ---- The dialog ----------------------------------------------------------

class PlayerNameDlgTest : public ::testing::Test {
protected:
    // Shows the dialog (which runs its opening) with the achievement and name offered.
    void Open(const char* name, const char* achievement = "123 sec")
    {
        m_dlg = std::make_unique<CPlayerNameDlg>(nullptr);
        m_dlg->m_strScore = U(achievement);
        m_dlg->m_strName = U(name);
        m_dlg->Show();
        RunPendingEvents();
    }
    void TearDown() override
    {
        if (m_dlg) {
            m_dlg->Hide();
            m_dlg.reset();
        }
        RunPendingEvents();
    }
    wxTextCtrl* Field() { return m_dlg->NameField(); }
    bool OkEnabled() { return m_dlg->OkButton()->IsEnabled(); }

    std::unique_ptr<CPlayerNameDlg> m_dlg;
};

TEST_F(PlayerNameDlgTest, LayoutTextsAndDefaults)
{
    Open("", "18 sec");
    EXPECT_EQ(m_dlg->GetTitle(), U(LoadResString(IDS_DLG_NAME_CAPTION)));
    EXPECT_EQ(m_dlg->OkButton()->GetLabel(), "OK");
    auto* cancel = wxDynamicCast(m_dlg->FindWindow(wxID_CANCEL), wxButton);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->GetLabel(), U("ｷｬﾝｾﾙ"));
    EXPECT_EQ(m_dlg->GetDefaultItem(), m_dlg->OkButton());
    EXPECT_EQ(m_dlg->FindWindow(IDC_NAME), Field());
    EXPECT_EQ(m_dlg->ScoreField()->GetValue(), "18 sec");
    EXPECT_FALSE(m_dlg->ScoreField()->IsEditable());
    EXPECT_FALSE(m_dlg->ScoreField()->AcceptsFocusFromKeyboard());
    EXPECT_EQ(m_dlg->GetFont().GetPointSize(), 9);
    EXPECT_EQ(m_dlg->GetFont().GetFaceName(), "IPAPGothic");
    EXPECT_EQ(m_dlg->OkButton()->GetFont().GetFaceName(), "IPAPGothic");
    EXPECT_EQ(Field()->GetFont().GetPointSize(), 9);
    // Dialog units: the name field lies below the prompt and clear of the buttons.
    EXPECT_FALSE(Field()->GetRect().Intersects(m_dlg->OkButton()->GetRect()));
    EXPECT_FALSE(Field()->GetRect().Intersects(cancel->GetRect()));
    EXPECT_LT(m_dlg->OkButton()->GetRect().GetBottom(), cancel->GetRect().GetTop());
    EXPECT_GT(Field()->GetPosition().y, m_dlg->ScoreField()->GetRect().GetBottom());
    EXPECT_LE(Field()->GetRect().GetBottom(), m_dlg->GetClientSize().y);
}

TEST_F(PlayerNameDlgTest, EmptyNameDisablesOkAndFocusesTheField)
{
    Open("");
    EXPECT_FALSE(OkEnabled());
    EXPECT_TRUE(HasWindowFocus(Field()));
    EXPECT_FALSE(HasWindowFocus(m_dlg->OkButton()));
}

TEST_F(PlayerNameDlgTest, BlankNameCountsAsEmpty)
{
    Open(" \t ");
    EXPECT_FALSE(OkEnabled());
    EXPECT_TRUE(HasWindowFocus(Field()));
    EXPECT_EQ(m_dlg->m_strName, "");
    EXPECT_EQ(Field()->GetValue(), " \t ");  // the field keeps what was offered
}

TEST_F(PlayerNameDlgTest, OfferedNameEnablesAndFocusesOk)
{
    Open("  Hanako");
    EXPECT_TRUE(OkEnabled());
    EXPECT_TRUE(HasWindowFocus(m_dlg->OkButton()));
    EXPECT_EQ(m_dlg->m_strName, "Hanako");
    EXPECT_EQ(Field()->GetValue(), "  Hanako");
}

TEST_F(PlayerNameDlgTest, OkFollowsEveryChange)
{
    Open("");
    Field()->SetValue("a");
    EXPECT_TRUE(OkEnabled());
    Field()->SetValue("   ");
    EXPECT_FALSE(OkEnabled());
    Field()->SetValue("\t\r\n\v\f");
    EXPECT_FALSE(OkEnabled());
    Field()->SetValue("  x");
    EXPECT_TRUE(OkEnabled());
    Field()->SetValue(U("　"));  // a full-width blank is a character of the name
    EXPECT_TRUE(OkEnabled());
    Field()->SetValue("");
    EXPECT_FALSE(OkEnabled());
}

TEST_F(PlayerNameDlgTest, FieldRefusesTypingPastTheLimit)
{
    Open("");
    Field()->SetValue(wxString(wxUniChar('a'), 29));
    Field()->SetInsertionPointEnd();
    Field()->WriteText(U("山"));  // two bytes where one is left
    EXPECT_EQ(Field()->GetValue(), wxString(wxUniChar('a'), 29));
    Field()->WriteText("b");
    EXPECT_EQ(Field()->GetValue(), wxString(wxUniChar('a'), 29) + "b");
    Field()->WriteText("c");
    EXPECT_EQ(CPlayerNameDlg::AnsiLength(Field()->GetValue()), 30);
    EXPECT_EQ(Field()->GetValue().Last(), 'b');
}

TEST_F(PlayerNameDlgTest, PasteIsCutAtACharacterBoundary)
{
    Open("");
    Field()->SetValue("ab" + wxString(wxUniChar('z'), 23));  // 25 bytes
    Field()->SetInsertionPoint(2);
    Field()->WriteText(U("山田太郎"));  // 8 bytes, 5 free
    RunPendingEvents();
    EXPECT_EQ(Field()->GetValue(), "ab" + U("山田") + wxString(wxUniChar('z'), 23));
    EXPECT_EQ(Field()->GetInsertionPoint(), 4);
    EXPECT_TRUE(OkEnabled());
}

TEST_F(PlayerNameDlgTest, OfferedNameLongerThanTheFieldIsCut)
{
    Open("山田太郎山田太郎山田太郎山田太郎");
    EXPECT_EQ(Field()->GetValue(), U("山田太郎山田太郎山田太郎山田太"));
}

// ---- The modal answers ----------------------------------------------------

CPlayerNameDlg* OpenNameDialog()
{
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* d = wxDynamicCast(w, CPlayerNameDlg))
            if (d->IsModal())
                return d;
    return nullptr;
}

TEST(RunPlayerNameDialog, OkReturnsTheUntrimmedName)
{
    std::string name = "";
    wxTheApp->CallAfter([] {
        CPlayerNameDlg* dlg = OpenNameDialog();
        ASSERT_NE(dlg, nullptr);
        dlg->NameField()->SetValue("  Ichiro ");
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dlg->OkButton());
        dlg->OkButton()->ProcessWindowEvent(click);
    });
    EXPECT_EQ(RunPlayerNameDialog(nullptr, "10 sec", name), IDOK);
    EXPECT_EQ(name, "  Ichiro ");
}

TEST(RunPlayerNameDialog, EscapeCancelsAndKeepsTheName)
{
    std::string name = "Jiro";
    wxTheApp->CallAfter([] {
        CPlayerNameDlg* dlg = OpenNameDialog();
        ASSERT_NE(dlg, nullptr);
        dlg->NameField()->SetValue("Saburo");
        wxKeyEvent esc(wxEVT_CHAR_HOOK);
        esc.m_keyCode = WXK_ESCAPE;
        esc.SetEventObject(dlg->NameField());
        dlg->NameField()->ProcessWindowEvent(esc);
    });
    EXPECT_EQ(RunPlayerNameDialog(nullptr, "10 sec", name), IDCANCEL);
    EXPECT_EQ(name, "Jiro");
}

TEST(RunPlayerNameDialog, CloseBoxCancels)
{
    std::string name = "Jiro";
    wxTheApp->CallAfter([] {
        CPlayerNameDlg* dlg = OpenNameDialog();
        ASSERT_NE(dlg, nullptr);
        dlg->Close();
    });
    EXPECT_EQ(RunPlayerNameDialog(nullptr, "10 sec", name), IDCANCEL);
    EXPECT_EQ(name, "Jiro");
}

TEST(RunPlayerNameDialog, DisabledOkCannotAccept)
{
    std::string name = "";
    wxTheApp->CallAfter([] {
        CPlayerNameDlg* dlg = OpenNameDialog();
        ASSERT_NE(dlg, nullptr);
        // Enter in the empty field reaches the default button only when it is enabled.
        EXPECT_FALSE(dlg->OkButton()->IsEnabled());
        dlg->NameField()->SetValue("   ");
        EXPECT_FALSE(dlg->OkButton()->IsEnabled());
        dlg->Close();
    });
    EXPECT_EQ(RunPlayerNameDialog(nullptr, "10 sec", name), IDCANCEL);
}

}  // namespace
