// The toolkit started once for all dialog tests, with the settings and cache
// folders in a temporary folder so that no test touches the user's files.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/debug.h>
#include <wx/log.h>

#include "tests/shell/TempDir.h"

namespace {

class DialogTestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// A failed toolkit assertion would otherwise open its own dialog and wait.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE() << "toolkit assertion " << cond.utf8_string() << " in " << func.utf8_string()
                  << " (" << file.utf8_string() << ":" << line << "): " << msg.utf8_string();
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TempDir home;
    setenv("XDG_CONFIG_HOME", (home.Path() + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home.Path() + "/cache").c_str(), 1);

    wxApp::SetInstance(new DialogTestApp);  // before the toolkit starts
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "cannot start the toolkit (no display?)\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    // A log dialog would wait for ever on the test display.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxInitAllImageHandlers();

    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
