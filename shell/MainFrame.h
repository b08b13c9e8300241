// The main window: the menu, the caption with the best-score holder, and
// the way out.
//
// The frame holds the one view, which fills its client area and handles the
// three game commands; the frame passes those on and keeps the application's
// own commands (exit, help, About). Leaving, by the menu or by the window's
// close box, asks first and gives the best-score check its one chance to run.
#pragma once

#include <memory>

#include <wx/frame.h>

class CHelpProcess;
class CPictureCache;
class CTolvane32Doc;
class CTolvane32View;
class IViewHost;

class CMainFrame : public wxFrame {
public:
    // Opens at (4, 4) with an outer size of 640 x 512, whatever size it had
    // when it last closed; creates the menu and the view. help: what shows
    // the how-to-play window.
    CMainFrame(CTolvane32Doc& doc, CPictureCache& pictures, IViewHost& host, CHelpProcess& help);
    ~CMainFrame() override;

    CTolvane32View* GetView() const { return m_pView; }

    // On Wayland the toolkit counts the invisible shadow around a window as
    // part of its size, and the table would lose 52 pixels each way: there
    // the frame's content is given, once shown, the size it has on X11.
    bool Show(bool show = true) override;

    // Gives the window the program icon at every size the assets hold.
    // Decoding them is left until the table is on screen: the icon is only
    // the window manager's business and the first paint does not need it.
    void SetProgramIcons();

    // The exit question; returns IDOK or IDCANCEL.
    int ConfirmExit();

    // The menu item id of a command. The toolkit takes item ids below 0x7FFF
    // only, and every command id of the game lies above, so the menu carries
    // them folded by 0x8000; the frame hands each command on under its own id.
    static constexpr int MenuItemId(int commandId) { return commandId - 0x8000; }
    static constexpr int CommandId(int menuItemId) { return menuItemId + 0x8000; }

private:
    void CreateMenu();
    void OnViewCommand(wxCommandEvent& event);
    void OnViewUpdateUI(wxUpdateUIEvent& event);
    void OnAppExit(wxCommandEvent& event);
    void OnAppAbout(wxCommandEvent& event);
    void OnHelpFinder(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    // The one way out, for the Exit command and a close: asks first when
    // ask, saves the best score, destroys the frame. True when the frame
    // is going; false when it stays, or waits for the game to be idle.
    bool Leave(bool ask);
    // A close that had to wait, made again once the game is idle.
    void CloseAgain();

    CTolvane32Doc& m_doc;
    CTolvane32View* m_pView = nullptr;
    CHelpProcess& m_help;
    bool m_bLeaving = false;       // the exit was decided: no more questions
    bool m_bCloseWaiting = false;  // a close waits for the game to be idle
    bool m_bForceClose = false;    // and may not be refused
};
