#include "MainFrame.h"

#include <string>

#include <wx/display.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>

#include <gdk/gdkwayland.h>
#include <gtk/gtk.h>

#include "model/HostServices.h"
#include "model/Tolvane32Doc.h"
#include "res/Assets.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/Dialogs.h"
#include "shell/HelpProcess.h"
#include "view/Tolvane32View.h"
#include "view/ViewHost.h"

namespace {

const wxSize kFrameSize(640, 512);

wxString ResText(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

// The program icon at every size the assets hold.
wxIconBundle ProgramIcons()
{
    wxIconBundle icons;
    for (int pixels : {16, 32, 48, 64, 128, 256}) {
        const AssetBlob png = FindIconPng(pixels);
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap::NewFromPNGData(png.data, png.size));
        icons.AddIcon(icon);
    }
    return icons;
}

// What lets a window of the help viewer come to the front: the player has
// just asked for it. A startup notification id on X11 (with the time of the
// request, which the window manager weighs against focus stealing), an
// activation token on Wayland.
std::string ActivationToken(const std::string& program)
{
    GAppInfo* info = g_app_info_create_from_commandline(program.c_str(), "tolvane32", G_APP_INFO_CREATE_NONE, nullptr);
    if (info == nullptr)
        return {};
    GdkAppLaunchContext* context = gdk_display_get_app_launch_context(gdk_display_get_default());
    gdk_app_launch_context_set_timestamp(context, gtk_get_current_event_time());
    gchar* id = g_app_launch_context_get_startup_notify_id(G_APP_LAUNCH_CONTEXT(context), info, nullptr);
    std::string token = id != nullptr ? id : "";
    g_free(id);
    g_object_unref(context);
    g_object_unref(info);
    return token;
}

}  // namespace

CMainFrame::CMainFrame(CTolvane32Doc& doc, CPictureCache& pictures, IViewHost& host, CHelpProcess& help)
    : wxFrame(nullptr, wxID_ANY, wxString(), wxPoint(4, 4), kFrameSize), m_doc(doc), m_help(help)
{
    CreateMenu();
    m_pView = new CTolvane32View(this, m_doc, pictures, host);

    // The menu reaches the frame; the game commands belong to the view. They
    // come from the menu under their folded ids and, posted, under their own.
    Bind(wxEVT_MENU, &CMainFrame::OnViewCommand, this, ID_GAME_DEAL, ID_GAME_CARDBACK);
    Bind(wxEVT_MENU, &CMainFrame::OnViewCommand, this, MenuItemId(ID_GAME_DEAL), MenuItemId(ID_GAME_CARDBACK));
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnViewUpdateUI, this, MenuItemId(ID_GAME_DEAL),
         MenuItemId(ID_GAME_CARDBACK));
    Bind(wxEVT_MENU, &CMainFrame::OnAppExit, this, MenuItemId(ID_APP_EXIT));
    Bind(wxEVT_MENU, &CMainFrame::OnAppAbout, this, MenuItemId(ID_APP_ABOUT));
    Bind(wxEVT_MENU, &CMainFrame::OnHelpFinder, this, MenuItemId(ID_HELP_FINDER));
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Show(bool show)
{
    const bool changed = wxFrame::Show(show);
    // The toolkit's own resize, which leaves the shadow and the title bar
    // out: menu and table get the 640 x 512 they have on X11. Resizing
    // through wx instead races with its late learning of the "decorations".
    if (show && GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default()))
        gtk_window_resize(GTK_WINDOW(GetHandle()), kFrameSize.x, kFrameSize.y);
    return changed;
}

void CMainFrame::SetProgramIcons()
{
    SetIcons(ProgramIcons());
}

void CMainFrame::CreateMenu()
{
    // Our own numeric ids, not the toolkit's stock ones: GTK would add
    // accelerators (Ctrl+Q) to stock items, and the game has none.
    auto* game = new wxMenu;
    game->Append(MenuItemId(ID_GAME_DEAL), ResText(IDS_MENU_DEAL));
    game->AppendSeparator();
    game->Append(MenuItemId(ID_GAME_UNDO), ResText(IDS_MENU_UNDO));
    game->Append(MenuItemId(ID_GAME_CARDBACK), ResText(IDS_MENU_CARDBACK));
    game->AppendSeparator();
    game->Append(MenuItemId(ID_APP_EXIT), ResText(IDS_MENU_EXIT));

    auto* help = new wxMenu;
    help->Append(MenuItemId(ID_HELP_FINDER), ResText(IDS_MENU_HELP_FINDER));
    help->Append(MenuItemId(ID_APP_ABOUT), ResText(IDS_MENU_ABOUT));

    auto* bar = new wxMenuBar;
    bar->Append(game, ResText(IDS_MENU_GAME));
    bar->Append(help, ResText(IDS_MENU_HELP));
    SetMenuBar(bar);
}

void CMainFrame::OnViewCommand(wxCommandEvent& event)
{
    wxCommandEvent command(event);
    if (command.GetId() < ID_GAME_DEAL)
        command.SetId(CommandId(command.GetId()));
    // Locally: an event the view left alone must not climb back up here.
    if (m_pView == nullptr || !m_pView->ProcessWindowEventLocally(command))
        event.Skip();
}

void CMainFrame::OnViewUpdateUI(wxUpdateUIEvent& event)
{
    // The menu reads the answer from this very event.
    const int itemId = event.GetId();
    event.SetId(CommandId(itemId));
    const bool handled = m_pView != nullptr && m_pView->ProcessWindowEventLocally(event);
    event.SetId(itemId);
    if (!handled)
        event.Skip();
}

int CMainFrame::ConfirmExit()
{
    return m_pView->MessageBox(this, LoadResString(IDS_EXIT_CONFIRM), MB_OKCANCEL);
}

void CMainFrame::OnAppExit(wxCommandEvent&)
{
    // Destroyed directly, without a close event: the question is asked here.
    Leave(true);
}

void CMainFrame::OnClose(wxCloseEvent& event)
{
    // A close that cannot be refused (the session ends) asks nothing.
    if (!Leave(event.CanVeto()) && event.CanVeto())
        event.Veto();
}

bool CMainFrame::Leave(bool ask)
{
    if (m_bLeaving)
        return true;
    CBusyGate& busy = m_pView->Busy();
    // Every press, fall and dialog runs the event loop, and the window
    // system's close can arrive from there: ended beneath them, the frame
    // would take an open dialog and the record typed into it along. The
    // request waits until the last of them has ended, then is made again,
    // so that it is asked once, on its own; requests meanwhile join it. A
    // session's end waits as well, still without questions.
    if (busy.IsBusy() || m_bCloseWaiting) {
        m_bForceClose = m_bForceClose || !ask;
        if (!m_bCloseWaiting)
            busy.WhenIdle([this] { CallAfter(&CMainFrame::CloseAgain); });
        m_bCloseWaiting = true;
        return false;
    }
    if (ask && ConfirmExit() != IDOK)
        return false;
    // From here a close has nothing left to ask: it waits for the frame to
    // go after the best score's dialog.
    m_bLeaving = true;
    if (ask)
        m_doc.SaveBestScore();
    Destroy();
    return true;
}

void CMainFrame::CloseAgain()
{
    const bool force = m_bForceClose;
    m_bCloseWaiting = false;
    m_bForceClose = false;
    Close(force);
}

void CMainFrame::OnAppAbout(wxCommandEvent&)
{
    const CBusyGate::Scope busy(m_pView->Busy());
    RunAboutDialog(this);
}

void CMainFrame::OnHelpFinder(wxCommandEvent&)
{
    // Why the viewer could not be started has gone to standard error.
    if (!m_help.DisplayContents(wxDisplay::GetFromWindow(this), ActivationToken(m_help.Program())))
        wxBell();
}
