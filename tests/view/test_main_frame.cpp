// The main frame and the message boxes: the menu as tabled, the undo
// switch, the exit paths with their question and the best-score check.
#include <gtest/gtest.h>

#include <memory>

#include <wx/app.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include "WxTestSupport.h"
#include "model/CardImageSet.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/MainFrame.h"
#include "shell/MessageBox.h"
#include "shell/PlayerNameDlg.h"
#include "view/Tolvane32View.h"

namespace {

wxString Res(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

// Answers a message box and remembers what it showed.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox> {
public:
    ExpectMessageBox(int answer, wxString* caption = nullptr, wxString* text = nullptr, long* style = nullptr)
        : m_answer(answer), m_caption(caption), m_text(text), m_style(style)
    {
    }

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        if (m_caption != nullptr)
            *m_caption = dlg->GetCaption();
        if (m_text != nullptr)
            *m_text = dlg->GetMessage();
        if (m_style != nullptr)
            *m_style = dlg->GetMessageDialogStyle();
        return m_answer;
    }

private:
    int m_answer;
    wxString* m_caption;
    wxString* m_text;
    long* m_style;
};

// Answers the record-name dialog with a typed name, or cancels it.
class ExpectNameDialog : public wxExpectModalBase<CPlayerNameDlg, ExpectNameDialog> {
public:
    ExpectNameDialog(int answer, const wxString& typed, wxString* offered = nullptr, wxString* achievement = nullptr)
        : m_answer(answer), m_typed(typed), m_offered(offered), m_achievement(achievement)
    {
    }

protected:
    int OnInvoked(CPlayerNameDlg* dlg) const override
    {
        if (m_offered != nullptr)
            *m_offered = dlg->m_strName;
        if (m_achievement != nullptr)
            *m_achievement = dlg->m_strScore;
        dlg->m_strName = m_typed;
        return m_answer;
    }

private:
    int m_answer;
    wxString m_typed;
    wxString* m_offered;
    wxString* m_achievement;
};

// --------------------------------------------------------------- message boxes

TEST(MessageBox, YesNoTreatsEscapeAsNoAndShowsTheGameCaption)
{
    wxString caption;
    wxString text;
    long style = 0;
    int answer = 0;
    wxTEST_DIALOG(answer = TolvaneMessageBox(nullptr, "テスト", MB_YESNO | MB_ICONINFORMATION),
                  ExpectMessageBox(wxID_CANCEL, &caption, &text, &style));
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(caption, Res(IDS_MSG_CAPTION));
    EXPECT_EQ(text, wxString::FromUTF8("テスト"));
    EXPECT_EQ(style & (wxYES_NO | wxOK | wxCANCEL), wxYES_NO);
    EXPECT_NE(style & wxICON_INFORMATION, 0);

    wxTEST_DIALOG(answer = TolvaneMessageBox(nullptr, "x", MB_YESNO), ExpectMessageBox(wxID_YES));
    EXPECT_EQ(answer, IDYES);
    wxTEST_DIALOG(answer = TolvaneMessageBox(nullptr, "x", MB_YESNO), ExpectMessageBox(wxID_NO));
    EXPECT_EQ(answer, IDNO);
}

TEST(MessageBox, OkCancelAndOkAnswerWithTheGameCodes)
{
    long style = 0;
    int answer = 0;
    wxTEST_DIALOG(answer = TolvaneMessageBox(nullptr, "x", MB_OKCANCEL),
                  ExpectMessageBox(wxID_CANCEL, nullptr, nullptr, &style));
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(style & (wxYES_NO | wxOK | wxCANCEL), wxOK | wxCANCEL);
    // No icon asked for: none shown (the toolkit would pick one otherwise).
    EXPECT_NE(style & wxICON_NONE, 0);
    EXPECT_EQ(style & wxICON_INFORMATION, 0);

    wxTEST_DIALOG(answer = TolvaneMessageBox(nullptr, "x", MB_OKCANCEL), ExpectMessageBox(wxID_OK));
    EXPECT_EQ(answer, IDOK);
    wxTEST_DIALOG(answer = TolvaneMessageBox(nullptr, "x", MB_OK | MB_ICONINFORMATION),
                  ExpectMessageBox(wxID_CANCEL, nullptr, nullptr, &style));
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(style & (wxYES_NO | wxCANCEL), 0);
}

// --------------------------------------------------------------- the frame

class MainFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_doc = std::make_unique<CTolvane32Doc>(m_host, m_settings, g_cardImages);
        m_frame = new CMainFrame(*m_doc, m_settings);
        m_doc->SetView(m_frame->GetView());
        m_frame->GetView()->SetFallFrameMillis(0);
        m_frame->Show();
        PumpEvents(100);
    }

    void TearDown() override
    {
        if (!wxTheApp->IsScheduledForDestruction(m_frame))
            m_frame->Destroy();
        PumpEvents(50);
    }

    bool Closing() const { return wxTheApp->IsScheduledForDestruction(m_frame); }

    void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(m_frame);
        m_frame->ProcessWindowEvent(event);
    }

    FakeHost m_host;
    FakeSettings m_settings;
    std::unique_ptr<CTolvane32Doc> m_doc;
    CMainFrame* m_frame = nullptr;
};

TEST_F(MainFrameTest, MenuIsLaidOutAsTabledWithoutAccelerators)
{
    wxMenuBar* bar = m_frame->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetMenuCount(), 2u);
    EXPECT_EQ(bar->GetMenuLabel(0), Res(IDS_MENU_GAME));
    EXPECT_EQ(bar->GetMenuLabel(1), Res(IDS_MENU_HELP));

    const wxMenu* game = bar->GetMenu(0);
    const int gameIds[] = {ID_GAME_DEAL, wxID_SEPARATOR, ID_GAME_UNDO, ID_GAME_CARDBACK, wxID_SEPARATOR, ID_APP_EXIT};
    const int gameTexts[] = {IDS_MENU_DEAL, 0, IDS_MENU_UNDO, IDS_MENU_CARDBACK, 0, IDS_MENU_EXIT};
    ASSERT_EQ(game->GetMenuItemCount(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        const wxMenuItem* item = game->FindItemByPosition(i);
        EXPECT_EQ(item->GetId(), gameIds[i] == wxID_SEPARATOR ? gameIds[i] : CMainFrame::MenuItemId(gameIds[i]));
        if (gameTexts[i] != 0) {
            EXPECT_EQ(item->GetItemLabel(), Res(gameTexts[i]));
            EXPECT_EQ(std::unique_ptr<wxAcceleratorEntry>(item->GetAccel()), nullptr);
        }
    }
    const wxMenu* help = bar->GetMenu(1);
    ASSERT_EQ(help->GetMenuItemCount(), 2u);
    EXPECT_EQ(help->FindItemByPosition(0)->GetId(), CMainFrame::MenuItemId(ID_HELP_FINDER));
    EXPECT_EQ(help->FindItemByPosition(0)->GetItemLabel(), Res(IDS_MENU_HELP_FINDER));
    EXPECT_EQ(help->FindItemByPosition(1)->GetId(), CMainFrame::MenuItemId(ID_APP_ABOUT));
    EXPECT_EQ(help->FindItemByPosition(1)->GetItemLabel(), Res(IDS_MENU_ABOUT));
}

TEST_F(MainFrameTest, MenuCommandsReachTheViewAndUndoFollowsCanUndo)
{
    // From the menu, and posted under the command's own id.
    Command(CMainFrame::MenuItemId(ID_GAME_DEAL));
    EXPECT_EQ(m_doc->m_nScore, -56);
    wxQueueEvent(m_frame, new wxCommandEvent(wxEVT_MENU, ID_GAME_DEAL));
    PumpEvents(50);
    EXPECT_EQ(m_doc->m_nScore, -112);

    auto undoEnabled = [&] {
        wxUpdateUIEvent event(CMainFrame::MenuItemId(ID_GAME_UNDO));
        m_frame->ProcessWindowEvent(event);
        return event.GetEnabled();
    };
    EXPECT_FALSE(undoEnabled());
    CRect stock;
    m_doc->GetPositionRect(POS_STOCK, &stock);
    m_frame->GetView()->OnLButtonDown(CPoint{stock.left + 3, stock.top + 3});
    EXPECT_TRUE(m_doc->CanUndo());
    EXPECT_TRUE(undoEnabled());
    Command(CMainFrame::MenuItemId(ID_GAME_UNDO));
    EXPECT_FALSE(undoEnabled());
    EXPECT_EQ(m_doc->GetPositionState(POS_WASTE), PS_EMPTY);
}

TEST_F(MainFrameTest, CancelledCloseKeepsTheGameAndWritesNothing)
{
    m_doc->m_nScore = 500;
    wxString text;
    wxTEST_DIALOG(m_frame->Close(), ExpectMessageBox(wxID_CANCEL, nullptr, &text));
    EXPECT_EQ(text, Res(IDS_EXIT_CONFIRM));
    EXPECT_FALSE(Closing());
    wxTEST_DIALOG(Command(CMainFrame::MenuItemId(ID_APP_EXIT)), ExpectMessageBox(wxID_CANCEL));
    EXPECT_FALSE(Closing());
    EXPECT_EQ(m_settings.m_writes, 0);
    EXPECT_EQ(m_doc->m_nScore, 500);
}

TEST_F(MainFrameTest, ExitWithANewBestScoreStoresTheNameWithoutLeadingBlanks)
{
    m_doc->m_nScore = 120;
    m_doc->m_iMaxPoint = 119;
    m_doc->m_strLastPlayer = "Hanako";
    wxString offered;
    wxString achievement;
    wxTEST_DIALOG(Command(CMainFrame::MenuItemId(ID_APP_EXIT)), ExpectMessageBox(wxID_OK),
                  ExpectNameDialog(wxID_OK, wxString::FromUTF8(" \t\r\n\v\f太郎 "), &offered, &achievement));
    EXPECT_TRUE(Closing());
    EXPECT_EQ(offered, "Hanako");
    EXPECT_EQ(achievement, wxString::FromUTF8(FormatResString(IDS_SCORE_ACHIEVED, 120)));
    EXPECT_EQ(m_settings.m_values["MaxPoint/iMaxPoint"], "120");
    EXPECT_EQ(m_settings.m_values["MaxPoint/strChamp"], "太郎 ");
    EXPECT_EQ(m_doc->m_iMaxPoint, 119);
}

TEST_F(MainFrameTest, CloseBoxWithCancelledNameStillClosesWithoutWriting)
{
    m_doc->m_nScore = 10;
    wxTEST_DIALOG(m_frame->Close(), ExpectMessageBox(wxID_OK), ExpectNameDialog(wxID_CANCEL, "x"));
    EXPECT_TRUE(Closing());
    EXPECT_EQ(m_settings.m_writes, 0);
}

TEST_F(MainFrameTest, NoNameDialogUnlessTheScoreBeatsTheBestAndIsPositive)
{
    for (const auto& [score, best] : {std::pair{50, 50}, std::pair{0, -5}, std::pair{-3, -10}}) {
        m_doc->m_nScore = score;
        m_doc->m_iMaxPoint = best;
        EXPECT_NO_DIALOG(m_frame->SaveBestScore());
    }
    EXPECT_EQ(m_settings.m_writes, 0);
}

TEST_F(MainFrameTest, ACloseThatCannotBeRefusedAsksNothing)
{
    m_doc->m_nScore = 1000;
    EXPECT_NO_DIALOG(m_frame->Close(true));
    EXPECT_TRUE(Closing());
    EXPECT_EQ(m_settings.m_writes, 0);
}

TEST(MainFrameTrim, RemovesOnlyLeadingSingleByteWhiteSpace)
{
    EXPECT_EQ(CMainFrame::TrimLeft(" \t\r\n\v\fa b "), "a b ");
    EXPECT_EQ(CMainFrame::TrimLeft("   "), "");
    EXPECT_EQ(CMainFrame::TrimLeft(""), "");
    // The full-width blank is a character of the name.
    EXPECT_EQ(CMainFrame::TrimLeft("\u3000名"), "\u3000名");
}

}  // namespace
