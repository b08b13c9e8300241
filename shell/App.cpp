// The application: start-up of the one main window with its document and view.
//
// Start-up loads the card pictures and the chosen back, creates the document
// (which reads its records), then the frame and its view, puts the best-score
// holder into the caption, shows the window and posts the first deal, which
// runs as soon as the event loop starts. Nothing that the first paint does
// not need (the sound device, the soundfont) is opened here.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include <fontconfig/fontconfig.h>

#include <wx/app.h>
#include <wx/display.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include "model/CardImageSet.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/HelpProcess.h"
#include "shell/MainFrame.h"
#include "shell/Settings.h"
#include "shell/Toolkit.h"
#include "shell/WindowsGone.h"
#include "shell/WxHost.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

class CTolvane32App : public wxApp {
public:
    CTolvane32App()
    {
        // Predictable names for the window system (WM_CLASS "tolvane32").
        SetAppName("tolvane32");
        SetClassName("tolvane32");
    }

    // The font warm-up is waited for, never abandoned, however start-up ended.
    ~CTolvane32App() override
    {
        if (m_fontWarmUp.joinable())
            m_fontWarmUp.join();
    }

    // Without a display the toolkit cannot start at all. Its own complaint
    // is a timestamped log line about its internals; the player gets one
    // plain line instead, and the program ends with a failure status before
    // any window, file or device is touched.
    bool Initialize(int& argCount, wxChar** args) override
    {
        // Fontconfig parses some sixty configuration files and maps its
        // caches the first time any text is measured: a good part of the
        // work before the first paint. It needs no display, so it runs while
        // the toolkit starts; the view waits for it.
        m_fontWarmUp = std::thread([] { FcInit(); });
        if (InitializeToolkit([&] { return wxApp::Initialize(argCount, args); }))
            return true;
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0')
            std::fputs("tolvane32: ディスプレイを開けません (cannot open the display: DISPLAY is not set)\n", stderr);
        else
            std::fprintf(stderr, "tolvane32: ディスプレイを開けません (cannot open the display \"%s\")\n", display);
        return false;
    }

    bool OnInit() override { return InitInstance(); }

    // The interface is Japanese only, always left to right. Asking the
    // toolkit's locale instead builds its whole table of languages on the
    // first window created.
    wxLayoutDirection GetLayoutDirection() const override { return wxLayout_LeftToRight; }

private:
    bool InitInstance()
    {
        // The game reports nothing itself; whatever a library logs goes to
        // standard error, never into a dialog of its own.
        delete wxLog::SetActiveTarget(new wxLogStderr);
        // The program icons come as PNG (the cards have a reader of their own).
        wxImage::AddHandler(new wxPNGHandler);

        m_pictures.LoadAll();
        m_images.LoadImages(m_pictures, m_settings);
        PrefetchFirstTable();
        m_pHost = std::make_unique<CWxHost>(m_images, m_sound);
        m_pDoc = std::make_unique<CTolvane32Doc>(*m_pHost, m_settings, m_images);

        // The view measures its text as it is made.
        if (m_fontWarmUp.joinable())
            m_fontWarmUp.join();
        auto* frame = new CMainFrame(*m_pDoc, m_pictures, *m_pHost, m_help);
        m_pHost->SetDialogParent(frame);
        m_pDoc->SetView(frame->GetView());
        SetTopWindow(frame);
        m_windowsGone.SetMainWindow(frame);

        // The caption shows the best score as read at the start, and again
        // at each record decision.
        frame->GetView()->ShowRecords();

        frame->Show(true);
        frame->Update();
        // Posted, not called: the first deal runs once the event loop does.
        wxQueueEvent(frame->GetEventHandler(), new wxCommandEvent(wxEVT_MENU, ID_GAME_DEAL));
        // Queued behind the deal: the dealt table is painted first.
        frame->CallAfter([frame] {
            frame->Update();
            frame->SetProgramIcons();
        });
        return true;
    }

    // A worker decodes the back the first deal shows and the stock tile the
    // empty table shows while the window is made; the faces follow at the
    // deal, which the view hands to the worker as well.
    void PrefetchFirstTable()
    {
        m_pictures.Prefetch({IDB_STOCK_OK, m_images.CurrentBackImage()}, wxDisplay().GetScaleFactor());
    }

    // Destroyed with the application object, after every window: the view
    // holds the document, the pictures and the host to the end.
    std::thread m_fontWarmUp;
    CProfileSettings m_settings;
    CPictureCache m_pictures;
    CCardImageSet m_images;
    CSoundSystem m_sound;
    std::unique_ptr<CWxHost> m_pHost;
    std::unique_ptr<CTolvane32Doc> m_pDoc;
    CWindowsGone m_windowsGone;
    // Its line closes after the last window: the help goes with the game.
    CHelpProcess m_help{CHelpProcess::ViewerFor(wxStandardPaths::Get().GetExecutablePath().utf8_string())};
};

wxIMPLEMENT_APP(CTolvane32App);
