// The card-back dialog: the arrows at both ends and their focus moves, the
// preview, OK storing the back (even unchanged) and Cancel storing nothing.
#include <gtest/gtest.h>

#include <memory>

#include <wx/button.h>
#include <wx/image.h>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/CardBackDlg.h"
#include "shell/Dialogs.h"
#include "shell/Settings.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/shell/TempDir.h"
#include "view/PictureCache.h"

namespace {

class CardBackDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Pictures().LoadAll();
        s_settings = std::make_unique<CProfileSettings>();
        g_cardImages.LoadImages(Pictures(), *s_settings);
    }

    void SetUp() override
    {
        std::remove(IniPath().c_str());
        g_cardImages.m_iCover = 0;
    }
    void TearDown() override
    {
        if (m_dlg) {
            m_dlg->Hide();
            m_dlg.reset();
        }
        RunPendingEvents();
    }

    static std::string IniPath() { return CProfileSettings::DefaultPath(); }

    // Opens the dialog with the image set's current back at cover.
    void Open(int cover)
    {
        g_cardImages.m_iCover = cover;
        m_dlg = std::make_unique<CCardBackDlg>(nullptr);
        m_dlg->Show();
        RunPendingEvents();
    }
    void Click(wxButton* button)
    {
        ASSERT_TRUE(button->IsEnabled());
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->ProcessWindowEvent(click);
        RunPendingEvents();
    }
    bool PrevOn() { return m_dlg->PrevButton()->IsEnabled(); }
    bool NextOn() { return m_dlg->NextButton()->IsEnabled(); }

    static std::unique_ptr<CProfileSettings> s_settings;
    std::unique_ptr<CCardBackDlg> m_dlg;
};

std::unique_ptr<CProfileSettings> CardBackDlgTest::s_settings;

CCardBackDlg* OpenCardBackDialog()
{
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* d = wxDynamicCast(w, CCardBackDlg))
            if (d->IsModal())
                return d;
    return nullptr;
}

TEST_F(CardBackDlgTest, LayoutAndTexts)
{
    Open(1);
    EXPECT_EQ(m_dlg->GetTitle(), wxString::FromUTF8(LoadResString(IDS_DLG_CARDBACK_CAPTION)));
    EXPECT_FALSE(m_dlg->HasFlag(wxCLOSE_BOX));
    EXPECT_FALSE(m_dlg->HasFlag(wxSYSTEM_MENU));
    EXPECT_EQ(m_dlg->PrevButton()->GetLabel(), "<");
    EXPECT_EQ(m_dlg->NextButton()->GetLabel(), ">");
    EXPECT_EQ(m_dlg->CancelButton()->GetLabel(), wxString::FromUTF8("ｷｬﾝｾﾙ"));
    EXPECT_EQ(m_dlg->GetDefaultItem(), m_dlg->OkButton());
    EXPECT_EQ(m_dlg->FindWindow(IDC_COVER_PREV), m_dlg->PrevButton());
    EXPECT_EQ(m_dlg->FindWindow(IDC_COVER_NEXT), m_dlg->NextButton());
    EXPECT_EQ(m_dlg->FindWindow(IDC_COVER_FRAME), m_dlg->PreviewFrame());
    // The arrows sit side by side above the preview, which is taller than wide.
    const wxRect frame = m_dlg->PreviewFrame()->GetRect();
    EXPECT_LT(m_dlg->PrevButton()->GetRect().GetRight(), m_dlg->NextButton()->GetRect().GetLeft());
    EXPECT_LE(m_dlg->NextButton()->GetRect().GetBottom(), frame.GetTop());
    EXPECT_GT(frame.height, frame.width);
    EXPECT_TRUE(wxRect(m_dlg->GetClientSize()).Contains(frame));
}

TEST_F(CardBackDlgTest, OpeningAtEachBackSetsTheArrows)
{
    Open(0);
    EXPECT_EQ(m_dlg->m_nCover, 0);
    EXPECT_EQ(m_dlg->m_nMaxCover, 3);
    EXPECT_FALSE(PrevOn());
    EXPECT_TRUE(NextOn());
    EXPECT_TRUE(HasWindowFocus(m_dlg->OkButton()));  // the opening ends on OK
    TearDown();

    for (int cover : {1, 2}) {
        Open(cover);
        EXPECT_EQ(m_dlg->m_nCover, cover);
        EXPECT_TRUE(PrevOn());
        EXPECT_TRUE(NextOn());
        EXPECT_TRUE(HasWindowFocus(m_dlg->OkButton()));
        TearDown();
    }

    Open(3);
    EXPECT_TRUE(PrevOn());
    EXPECT_FALSE(NextOn());
    EXPECT_TRUE(HasWindowFocus(m_dlg->OkButton()));
}

TEST_F(CardBackDlgTest, AnOutOfRangeBackOpensAtTheFirst)
{
    Open(7);
    EXPECT_EQ(m_dlg->m_nCover, 0);
    EXPECT_FALSE(PrevOn());
    TearDown();
    Open(-1);
    EXPECT_EQ(m_dlg->m_nCover, 0);
}

TEST_F(CardBackDlgTest, SteppingToTheLastBackMovesTheFocusBack)
{
    Open(0);
    Click(m_dlg->NextButton());
    EXPECT_EQ(m_dlg->m_nCover, 1);
    EXPECT_TRUE(PrevOn());
    EXPECT_TRUE(NextOn());
    Click(m_dlg->NextButton());
    EXPECT_EQ(m_dlg->m_nCover, 2);
    Click(m_dlg->NextButton());
    EXPECT_EQ(m_dlg->m_nCover, 3);
    EXPECT_FALSE(NextOn());
    EXPECT_TRUE(PrevOn());
    EXPECT_TRUE(HasWindowFocus(m_dlg->PrevButton()));
}

TEST_F(CardBackDlgTest, SteppingToTheFirstBackMovesTheFocusForward)
{
    Open(2);
    Click(m_dlg->PrevButton());
    EXPECT_EQ(m_dlg->m_nCover, 1);
    Click(m_dlg->PrevButton());
    EXPECT_EQ(m_dlg->m_nCover, 0);
    EXPECT_FALSE(PrevOn());
    EXPECT_TRUE(NextOn());
    EXPECT_TRUE(HasWindowFocus(m_dlg->NextButton()));
    // Stepping never touches the stored back.
    EXPECT_EQ(g_cardImages.m_iCover, 2);
    EXPECT_FALSE(Exists(IniPath()));
}

TEST_F(CardBackDlgTest, PreviewShowsTheBackScaledToTheFrame)
{
    Open(0);
    const wxBitmap* back0 = Pictures().Get(g_cardImages.BackImage(0));
    const wxBitmap* back1 = Pictures().Get(g_cardImages.BackImage(1));
    if (back0 == nullptr || back1 == nullptr)
        GTEST_SKIP() << "no card-back pictures built in";

    const wxSize frame = m_dlg->PreviewFrame()->GetClientSize();
    wxImage shown0 = m_dlg->PreviewBitmap().ConvertToImage();
    ASSERT_TRUE(shown0.IsOk());
    EXPECT_EQ(shown0.GetSize(), frame);

    // The centre of the preview has the colour of the centre of the picture.
    const wxImage source = back0->ConvertToImage();
    const int sx = g_cardImages.m_nCardWidth / 2, sy = g_cardImages.m_nCardHeight / 2;
    const int fx = frame.x / 2, fy = frame.y / 2;
    EXPECT_NEAR(shown0.GetRed(fx, fy), source.GetRed(sx, sy), 48);
    EXPECT_NEAR(shown0.GetGreen(fx, fy), source.GetGreen(sx, sy), 48);
    EXPECT_NEAR(shown0.GetBlue(fx, fy), source.GetBlue(sx, sy), 48);

    Click(m_dlg->NextButton());
    wxImage shown1 = m_dlg->PreviewBitmap().ConvertToImage();
    ASSERT_TRUE(shown1.IsOk());
    long differing = 0;
    for (int y = 0; y < frame.y; y += 4)
        for (int x = 0; x < frame.x; x += 4)
            if (shown0.GetRed(x, y) != shown1.GetRed(x, y) ||
                shown0.GetBlue(x, y) != shown1.GetBlue(x, y))
                ++differing;
    EXPECT_GT(differing, 0) << "the preview did not change with the back";
}

TEST_F(CardBackDlgTest, OkStoresTheBackEvenWhenUnchanged)
{
    g_cardImages.m_iCover = 2;
    ASSERT_FALSE(Exists(IniPath()));
    wxTheApp->CallAfter([] {
        CCardBackDlg* dlg = OpenCardBackDialog();
        ASSERT_NE(dlg, nullptr);
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dlg->OkButton());
        dlg->OkButton()->ProcessWindowEvent(click);
    });
    EXPECT_EQ(RunCardBackDialog(nullptr), IDOK);
    EXPECT_EQ(g_cardImages.m_iCover, 2);
    ASSERT_TRUE(Exists(IniPath()));
    EXPECT_EQ(CProfileSettings().GetInt("Customize", "iCover", -1), 2);
}

TEST_F(CardBackDlgTest, OkStoresTheBackSteppedTo)
{
    g_cardImages.m_iCover = 3;
    wxTheApp->CallAfter([] {
        CCardBackDlg* dlg = OpenCardBackDialog();
        ASSERT_NE(dlg, nullptr);
        wxCommandEvent prev(wxEVT_BUTTON, IDC_COVER_PREV);
        prev.SetEventObject(dlg->PrevButton());
        dlg->PrevButton()->ProcessWindowEvent(prev);
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dlg->OkButton());
        dlg->OkButton()->ProcessWindowEvent(click);
    });
    EXPECT_EQ(RunCardBackDialog(nullptr), IDOK);
    EXPECT_EQ(g_cardImages.m_iCover, 2);
    EXPECT_EQ(CProfileSettings().GetInt("Customize", "iCover", -1), 2);
}

TEST_F(CardBackDlgTest, CancelAndEscapeStoreNothing)
{
    g_cardImages.m_iCover = 1;
    wxTheApp->CallAfter([] {
        CCardBackDlg* dlg = OpenCardBackDialog();
        ASSERT_NE(dlg, nullptr);
        wxCommandEvent next(wxEVT_BUTTON, IDC_COVER_NEXT);
        next.SetEventObject(dlg->NextButton());
        dlg->NextButton()->ProcessWindowEvent(next);
        wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
        cancel.SetEventObject(dlg->CancelButton());
        dlg->CancelButton()->ProcessWindowEvent(cancel);
    });
    EXPECT_EQ(RunCardBackDialog(nullptr), IDCANCEL);
    EXPECT_EQ(g_cardImages.m_iCover, 1);
    EXPECT_FALSE(Exists(IniPath()));

    wxTheApp->CallAfter([] {
        CCardBackDlg* dlg = OpenCardBackDialog();
        ASSERT_NE(dlg, nullptr);
        wxCommandEvent next(wxEVT_BUTTON, IDC_COVER_NEXT);
        next.SetEventObject(dlg->NextButton());
        dlg->NextButton()->ProcessWindowEvent(next);
        wxKeyEvent esc(wxEVT_CHAR_HOOK);
        esc.m_keyCode = WXK_ESCAPE;
        esc.SetEventObject(dlg->NextButton());
        dlg->NextButton()->ProcessWindowEvent(esc);
    });
    EXPECT_EQ(RunCardBackDialog(nullptr), IDCANCEL);
    EXPECT_EQ(g_cardImages.m_iCover, 1);
    EXPECT_FALSE(Exists(IniPath()));
}

}  // namespace
