// The About box: its texts, icon and the ways it closes.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "res/Assets.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/AboutDlg.h"
#include "shell/Dialogs.h"
#include "tests/dialogs/DialogTestSupport.h"

namespace {

CAboutDlg* OpenAboutBox()
{
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* d = wxDynamicCast(w, CAboutDlg))
            if (d->IsModal())
                return d;
    return nullptr;
}

TEST(AboutDlg, ShowsCaptionVersionAndIcon)
{
    CAboutDlg dlg(nullptr);
    dlg.Show();
    RunPendingEvents();
    EXPECT_EQ(dlg.GetTitle(), wxString::FromUTF8(LoadResString(IDS_DLG_ABOUT_CAPTION)));
    EXPECT_EQ(dlg.VersionLine()->GetLabel(), wxString::FromUTF8("KadorinTolvane３２ Version 1.0"));
    EXPECT_EQ(dlg.GetDefaultItem(), dlg.OkButton());
    EXPECT_EQ(dlg.OkButton()->GetId(), wxID_OK);
    EXPECT_TRUE(HasWindowFocus(dlg.OkButton()));
    if (FindIconPng(32) || FindIconPng(64)) {
        const wxBitmap icon = dlg.Icon()->GetBitmap();
        ASSERT_TRUE(icon.IsOk());
        EXPECT_TRUE(icon.GetWidth() == 32 || icon.GetWidth() == 64);
    }
    // Nothing overlaps the OK button, and everything lies inside the box.
    const wxRect ok = dlg.OkButton()->GetRect();
    EXPECT_FALSE(ok.Intersects(dlg.Icon()->GetRect()));
    const wxRect line = dlg.VersionLine()->GetRect();
    EXPECT_FALSE(ok.Intersects(line));
    // The whole version line has room.
    EXPECT_GE(line.width, dlg.VersionLine()->GetTextExtent(dlg.VersionLine()->GetLabel()).x);
    const wxRect client(dlg.GetClientSize());
    EXPECT_TRUE(client.Contains(ok));
    EXPECT_TRUE(client.Contains(dlg.Icon()->GetRect()));
    EXPECT_TRUE(client.Contains(dlg.VersionLine()->GetRect()));
    dlg.Hide();
}

void PressKey(int key)
{
    CAboutDlg* dlg = OpenAboutBox();
    ASSERT_NE(dlg, nullptr);
    wxKeyEvent event(wxEVT_CHAR_HOOK);
    event.m_keyCode = key;
    event.SetEventObject(dlg->OkButton());
    dlg->OkButton()->ProcessWindowEvent(event);
}

TEST(AboutDlg, EscapeCloses)
{
    wxTheApp->CallAfter([] { PressKey(WXK_ESCAPE); });
    CAboutDlg dlg(nullptr);
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
}

TEST(AboutDlg, CloseBoxCloses)
{
    wxTheApp->CallAfter([] {
        CAboutDlg* dlg = OpenAboutBox();
        ASSERT_NE(dlg, nullptr);
        dlg->Close();
    });
    CAboutDlg dlg(nullptr);
    const int result = dlg.ShowModal();
    EXPECT_TRUE(result == wxID_OK || result == wxID_CANCEL);
}

TEST(AboutDlg, OkButtonCloses)
{
    wxTheApp->CallAfter([] {
        CAboutDlg* dlg = OpenAboutBox();
        ASSERT_NE(dlg, nullptr);
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dlg->OkButton());
        dlg->OkButton()->ProcessWindowEvent(click);
    });
    RunAboutDialog(nullptr);
    EXPECT_EQ(OpenAboutBox(), nullptr);
}

}  // namespace
