// The celebration window on a real display: the timer's real period over 100
// ticks, the work of one tick (motion and drawing), and the CPU the process
// uses between ticks. Needs a display:
//   xvfb-run -a -s "-screen 0 800x600x24" ./bench_celebration_window
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/log.h>

#include "celebration/ClearAnimWnd.h"
#include "model/CardImageSet.h"
#include "model/Random.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// The celebration's whole world: a fixed bonus, the built-in pictures.
class BenchHost : public ICelebrationHost {
public:
    BenchHost(const CCardImageSet& images, const CPictureCache& pictures) : m_images(images), m_pictures(pictures) {}
    int Bonus() const override { return bonus; }
    int ClearSeconds() const override { return 60; }
    const CCardImageSet& Images() const override { return m_images; }
    void DrawCard(wxDC& dc, PictureId picture, const CRect& rect) override
    {
        CTolvane32View::DrawCardBitmap(dc, m_pictures, picture, rect);
    }
    int MessageBox(wxWindow*, const std::string&, unsigned) override { return IDCANCEL; }
    void StopMusic() override {}
    void OnCelebrationClosed(wxWindow*, bool) override {}
    IRandom& Random() override { return m_random; }
    CAnimRunState& RunState() override { return m_run; }

    int bonus = 0;

private:
    const CCardImageSet& m_images;
    const CPictureCache& m_pictures;
    CRuntimeRandom m_random;
    CAnimRunState m_run;
};

class MemorySettings : public ISettings {
public:
    int GetInt(const char*, const char*, int def) override { return def; }
    std::string GetString(const char*, const char*, const char* def) override { return def; }
    void WriteString(const char*, const char*, const std::string&) override {}
};

double CpuMillis()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One celebration of the pattern that the bonus chooses.
void Measure(const char* name, int bonus, BenchHost& host, wxWindow* parent)
{
    host.bonus = bonus;
    auto* wnd = new CClearAnimWnd(host);
    wnd->Create(parent, wxRect(0, 0, 640, 440));

    // The period: time stamps of 101 ticks as the event loop delivers them.
    // The window outlives this call until the next celebration replaces it,
    // so its extra handler holds only shared state that goes quiet at the end.
    constexpr int kTicks = 101;
    struct Recorder {
        std::vector<Clock::time_point> stamps;
        wxEventLoop* loop = nullptr;
    };
    auto recorder = std::make_shared<Recorder>();
    wxEventLoop loop;
    recorder->loop = &loop;
    wnd->Bind(wxEVT_TIMER, [recorder](wxTimerEvent& event) {
        if (recorder->loop != nullptr) {
            recorder->stamps.push_back(Clock::now());
            if (static_cast<int>(recorder->stamps.size()) == kTicks)
                recorder->loop->ScheduleExit();
        }
        event.Skip();
    });
    const std::vector<Clock::time_point>& stamps = recorder->stamps;
    const double cpuBefore = CpuMillis();
    const Clock::time_point wallBefore = Clock::now();
    loop.Run();
    const double cpuUsed = CpuMillis() - cpuBefore;
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - wallBefore).count();

    std::vector<double> periods;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count());
    const auto [low, high] = std::minmax_element(periods.begin(), periods.end());

    // The work of one tick: the motion and the card drawn into the window's picture.
    std::vector<double> ticks;
    for (int i = 0; i < 300; ++i) {
        const Clock::time_point start = Clock::now();
        wnd->PlayFrame();
        ticks.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }

    recorder->loop = nullptr;
    wnd->Destroy();
    std::printf("%-10s period median %7.2f ms  min %7.2f  max %7.2f   tick work median %7.1f us   "
                "CPU %5.1f ms over %6.0f ms (%.2f%%)\n",
                name, Median(periods), periods.empty() ? 0 : *low, periods.empty() ? 0 : *high, Median(ticks),
                cpuUsed, wall, wall > 0 ? 100.0 * cpuUsed / wall : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "bench_celebration_window: no display\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    delete wxLog::SetActiveTarget(new wxLogStderr);
    CPictureCache pictures;
    pictures.LoadAll();
    MemorySettings settings;
    CCardImageSet images;
    images.LoadImages(pictures, settings);
    BenchHost host(images, pictures);
    int result = 0;
    {
        wxEventLoop outer;
        wxEventLoopActivator activate(&outer);
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(4, 4), wxSize(640, 512));
        frame->Show();
        wxTheApp->ProcessPendingEvents();

        std::printf("celebration window, 100 ticks each (target: period within 5 ms of 100 ms, "
                    "under 1 ms of work a tick)\n");
        Measure("spiral", 2000, host, frame);
        Measure("bounce", 1000, host, frame);
        Measure("wander", 500, host, frame);
        Measure("border", 0, host, frame);
        frame->Destroy();
        wxTheApp->ProcessPendingEvents();
    }
    wxEntryCleanup();
    return result;
}
