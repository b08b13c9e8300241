// The yardstick for the game's start-up memory: the smallest program on the
// same toolkit that shows what the game's window shows around its table, a
// 640 x 512 frame at (4, 4) with a menu bar of two menus, and nothing else.
// bench/startup.py --bare runs it beside the game at each scale.
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>

class CBareApp : public wxApp {
public:
    bool OnInit() override
    {
        SetAppName("bare_frame");
        SetClassName("bare_frame");
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bare frame", wxPoint(4, 4), wxSize(640, 512));
        auto* game = new wxMenu;
        game->Append(wxID_NEW, "Deal");
        game->Append(wxID_EXIT);
        auto* help = new wxMenu;
        help->Append(wxID_HELP);
        help->Append(wxID_ABOUT);
        auto* bar = new wxMenuBar;
        bar->Append(game, "Game");
        bar->Append(help, "Help");
        frame->SetMenuBar(bar);
        frame->Show();
        return true;
    }
};

wxIMPLEMENT_APP(CBareApp);
