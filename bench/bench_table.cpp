// Times of the table view on a real (virtual) display: a full repaint of the
// table into the off-screen picture, a repaint of one card's place, and one
// frame of a falling card (erase, draw, present), each as the median of many.
// Under GDK_SCALE=2 it measures the same at a high-density screen's resolution.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/log.h>

#include "model/CardImageSet.h"
#include "model/Random.h"
#include "model/Tolvane32Doc.h"
#include "view/PictureCache.h"
#include "shell/WxHost.h"
#include "view/Tolvane32View.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoSettings : public ISettings {
public:
    int GetInt(const char*, const char*, int def) override { return def; }
    std::string GetString(const char*, const char*, const char* def) override { return def; }
    void WriteString(const char*, const char*, const std::string&) override {}
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void Pump(wxEventLoopBase& loop, int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        while (loop.Pending())
            loop.Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxMilliSleep(5);
    }
}

}  // namespace

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};
wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv)
{
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "bench_table needs a display (run it under xvfb-run)\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    delete wxLog::SetActiveTarget(new wxLogStderr);
    {
        wxEventLoop loop;
        wxEventLoopActivator activate(&loop);

        NoSettings settings;
        CPictureCache pictures;
        pictures.LoadAll();
        CCardImageSet images;
        images.LoadImages(pictures, settings);
        CSoundSystem sound;
        CWxHost host(images, sound);
        CTolvane32Doc doc(host, settings, images);
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(4, 4), wxSize(640, 512));
        auto* view = new CTolvane32View(frame, doc, pictures, host);
        doc.SetView(view);
        frame->Show();
        Pump(loop, 40);
        doc.DealCards();
        view->InvalidateRect(nullptr);
        Pump(loop, 10);

        // At the window's scale: GDK_SCALE=2 measures a high-density screen.
        const wxSize size = view->GetClientSize();
        wxBitmap target;
        target.CreateWithDIPSize(size, view->GetContentScaleFactor(), 24);
        std::vector<double> full;
        for (int i = 0; i < 300; ++i) {
            const auto start = Clock::now();
            wxMemoryDC dc(target);
            view->OnDraw(dc);
            full.push_back(Micros(Clock::now() - start));
        }

        // What a render pays for each picture it shows: the table lets the
        // decoded pictures go once it has drawn them.
        std::vector<double> decodes;
        for (const FaceRow& row : kFaceTable) {
            const AssetBlob png = FindBitmapPng(row.picture, CPictureCache::PictureScale(view->GetContentScaleFactor()));
            const auto start = Clock::now();
            CPictureCache::Decode(png);
            decodes.push_back(Micros(Clock::now() - start));
        }

        CRect place;
        doc.GetPositionRect(POS_TRIANGLE_LAST, &place);
        std::vector<double> partial;
        for (int i = 0; i < 300; ++i) {
            const auto start = Clock::now();
            view->InvalidateRect(&place);
            partial.push_back(Micros(Clock::now() - start));
        }
        Pump(loop, 5);

        // Frames of a card falling from the bottom row, unpaced.
        std::vector<double> frames;
        Clock::time_point last;
        view->SetFallFrameMillis(0);
        view->SetFallFrameObserver([&](const CRect&) {
            const auto now = Clock::now();
            if (last != Clock::time_point{})
                frames.push_back(Micros(now - last));
            last = now;
        });
        for (int position = POS_TRIANGLE_LAST; position >= POS_TRIANGLE_LAST - 6; --position) {
            CRect rect;
            doc.GetPositionRect(position, &rect);
            // The card stays in the document: only the drawing is measured.
            const CCard card = doc.GetCard(position);
            last = Clock::time_point{};
            const auto start = Clock::now();
            view->AnimateCardFall(card, rect);
            if (position == POS_TRIANGLE_LAST)
                std::printf("first fall (opens the sound device): %.1f ms\n", Micros(Clock::now() - start) / 1000);
        }
        view->SetFallFrameObserver(nullptr);

        std::printf("client area %dx%d at scale %g\n", size.x, size.y, view->GetContentScaleFactor());
        std::printf("full repaint into an off-screen bitmap: median %.0f us over %zu runs\n", Median(full),
                    full.size());
        std::printf("repaint of one card's place (render + refresh): median %.0f us over %zu runs\n",
                    Median(partial), partial.size());
        std::printf("decoding one card picture: median %.0f us over %zu pictures\n", Median(decodes), decodes.size());
        std::printf("falling card, one frame (erase + draw + present): median %.0f us over %zu frames\n",
                    Median(frames), frames.size());
        std::printf("falling card paced at 16 ms: a bottom-row card takes about %.0f ms\n",
                    16.0 * ((size.y - 177) / 8 + 2));
        frame->Destroy();
        Pump(loop, 5);
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
