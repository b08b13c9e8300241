// One GUI program for all toolkit tests, on the test's own display, with the
// user's settings and cache folders replaced by a fresh temporary one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/log.h>

// A failed toolkit assertion fails the test instead of opening a dialog.
static void Fail(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line) << func << ": " << cond << " " << msg;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    char home[] = "/tmp/tolvane-gui-XXXXXX";
    if (mkdtemp(home) == nullptr)
        return 1;
    setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (std::string(home) + "/cache").c_str(), 1);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    wxSetAssertHandler(Fail);
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxImage::AddHandler(new wxPNGHandler);  // as the game does at start
    int result = 0;
    {
        // Modal dialogs and immediate repaints want an active loop.
        wxEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::filesystem::remove_all(home);
    return result;
}
