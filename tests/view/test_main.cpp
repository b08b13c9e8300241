// The test program runs a real GUI application (on the test's Xvfb display)
// around the test cases, with the built-in pictures loaded.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/rawbmp.h>

#include "WxTestSupport.h"
#include "model/CardImageSet.h"
#include "view/PictureCache.h"

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

namespace {

// A failed toolkit assertion fails the test instead of opening a dialog
// that no one will ever answer.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assertion " << cond.utf8_string() << " in " << func.utf8_string() << ": " << msg.utf8_string();
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

wxColour PixelAt(const wxBitmap& bitmap, int x, int y)
{
    const wxImage image = bitmap.GetSubBitmap(wxRect(x, y, 1, 1)).ConvertToImage();
    return wxColour(image.GetRed(0, 0), image.GetGreen(0, 0), image.GetBlue(0, 0));
}

void PumpEvents(int millis)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (std::chrono::steady_clock::now() < end) {
        if (loop != nullptr) {
            while (loop->Pending())
                loop->Dispatch();
        }
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "no display for the GUI tests\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxSetAssertHandler(FailOnAssert);
    Pictures().LoadAll();
    FakeSettings settings;
    g_cardImages.LoadImages(CardSizedPictures(), settings);

    int result = 0;
    {
        // Dialog loops and Update() need an active event loop.
        wxEventLoop loop;
        wxEventLoopActivator activate(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
