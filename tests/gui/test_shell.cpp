// The shell's own components: the record-name and card-back dialogs, driven
// through their controls, and the sound, heard through a private sound server.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <wx/button.h>
#include <wx/textctrl.h>

#include "model/HostServices.h"

#include "GuiTest.h"
#include "res/resource.h"
#include "shell/CardBackDlg.h"
#include "shell/Dialogs.h"
#include "shell/PlayerNameDlg.h"
#include "shell/SdlApi.h"
#include "shell/Sound.h"
#include "shell/SynthApi.h"
#include "shell/WxHost.h"

namespace {

std::string Repeat(const std::string& text, int times) { return times > 0 ? text + Repeat(text, times - 1) : ""; }

void Click(wxWindow* button)  // from code: a disabled button takes it too
{
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    button->ProcessWindowEvent(click);
}

// at: where the typing goes in, -1 at the end; caret: where it is afterwards.
// Half-width katakana (U+FF61 to U+FF9F) take one byte.
struct NameRow { const char* name; std::string offered; long at; std::string typed, field; bool ok; long caret; };
void PrintTo(const NameRow& row, std::ostream* os) { *os << row.name; }
const NameRow kNameRows[] = {
    {"ThirtyHalfWidthKatakanaFit", "", -1, Repeat("ﾟ", 30), Repeat("ﾟ", 30), true, 30},
    {"AThirtyFirstIsRefused", Repeat("ﾟ", 30), -1, "｡", Repeat("ﾟ", 30), true, 30},
    {"AThirtyFirstIsRefusedAtTheStart", Repeat("ﾟ", 30), 0, "｡", Repeat("ﾟ", 30), true, 0},
    {"FifteenKanjiFitASixteenthIsRefused", Repeat("山", 15), -1, "山", Repeat("山", 15), true, 15},
    {"HalfWidthSignsFillTheLastBytes", "山" + Repeat("a", 26), 1, "｡ﾟ山", "山｡ﾟ" + Repeat("a", 26), true, 3},
    {"APasteIsCutAtACharacterBoundary", "ab" + Repeat("z", 23), 2, "山田太郎", "ab山田" + Repeat("z", 23), true, 4},
    {"BlanksOnlyLeaveOkDisabled", "", -1, " \t ", " \t ", false, 3},
    {"AFullWidthBlankIsAName", "", -1, "　", "　", true, 1},
    {"AnOfferedNameEnablesOk", "  Hanako", -1, "", "  Hanako", true, 8},
    {"OfferedBlanksLeaveOkDisabled", "   ", -1, "", "   ", false, 3},
};

class NameFieldTest : public testing::TestWithParam<NameRow> {};

TEST_P(NameFieldTest, HoldsAtMostTheLimitInShiftJisBytes)
{
    const NameRow& row = GetParam();
    CPlayerNameDlg dlg(nullptr);
    dlg.m_strName = wxString::FromUTF8(row.offered);
    dlg.InitDialog();
    wxTextCtrl* field = dlg.NameField();
    field->SetInsertionPoint(row.at < 0 ? field->GetLastPosition() : row.at);
    field->WriteText(wxString::FromUTF8(row.typed));
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(field->GetValue().utf8_string(), row.field);
    EXPECT_EQ(dlg.OkButton()->IsEnabled(), row.ok);
    EXPECT_EQ(field->GetInsertionPoint(), row.caret);
}

INSTANTIATE_TEST_SUITE_P(Rows, NameFieldTest, testing::ValuesIn(kNameRows),
                         [](const auto& row) { return std::string(row.param.name); });

// The dialog as the game runs it: the focus where typing or Enter is due,
// OK giving the name as typed, Cancel or Esc keeping the offered one.
TEST(NameDialog, OkGivesTheNameAsTypedAndCancelNothing)
{
    struct Row { std::string offered, typed; int button, result; std::string name; bool focusOnName; };
    const Row rows[] = {
        {"", "  Taro ", wxID_OK, IDOK, "  Taro ", true},
        {"Hanako", "ko", wxID_OK, IDOK, "Hanakoko", false},
        {"Hanako", "x", wxID_CANCEL, IDCANCEL, "Hanako", false},
    };
    for (const Row& row : rows) {
        wxTheApp->CallAfter([&] {  // runs in the dialog's own loop
            auto* dlg = static_cast<CPlayerNameDlg*>(wxTopLevelWindows.GetLast()->GetData());
            EXPECT_EQ(dlg->ScoreField()->GetValue(), "achieved");
            const wxWindow* focus = row.focusOnName ? static_cast<wxWindow*>(dlg->NameField()) : dlg->OkButton();
            EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(dlg->GetHandle())), focus->GetHandle());
            EXPECT_EQ(dlg->GetDefaultItem(), dlg->OkButton());  // Enter
            EXPECT_EQ(dlg->OkButton()->IsEnabled(), !row.offered.empty());  // a name offered can be taken as it is
            CheckLayout(dlg, {{dlg->OkButton(), dlg->FindWindow(wxID_CANCEL)}});
            for (int tab = 0; tab < 4; ++tab) {  // the achievement line is only there to be copied: Tab passes it by
                gtk_widget_child_focus(GTK_WIDGET(dlg->GetHandle()), GTK_DIR_TAB_FORWARD);
                GtkWidget* now = gtk_window_get_focus(GTK_WINDOW(dlg->GetHandle()));
                EXPECT_FALSE(now == nullptr || gtk_widget_is_ancestor(now, GTK_WIDGET(dlg->ScoreField()->GetHandle())));
            }
            dlg->NameField()->AppendText(wxString::FromUTF8(row.typed));
            Click(dlg->FindWindow(row.button));
        });
        std::string name = row.offered;
        EXPECT_EQ(RunPlayerNameDialog(nullptr, "achieved", name), row.result);
        EXPECT_EQ(name, row.name);
    }
}

// SDL and FluidSynth in the tests' hands: they count what is open and
// loaded, the device mixes when the test pulls sound from it as SDL's audio
// thread would, the player is done when told, and the device can be lost or
// its server hang.
struct Fakes {
    std::atomic<bool> up{true}, refuse{false}, done{false}, paused{true};
    std::atomic<int> subsystems{0}, devices{0}, libraries{0}, loads{0}, objects{0};  // objects: settings, synths, players
    std::atomic<int> loadsHere{0}, knocks{0};  // synthesisers made on the test's thread; connections tried
    std::atomic<SDL_EventFilter> watch{nullptr};
    void* watchData = nullptr;
    SDL_AudioSpec device{};  // the open device's callback
    std::mutex audio;        // SDL's lock of the device
    const std::thread::id here = std::this_thread::get_id();
    std::mutex server;  // held by the test: the server takes a connection and does not answer
    void Lose()  // as SDL reports the loss of the device it numbered 2
    {
        SDL_Event removed{SDL_AUDIODEVICEREMOVED};
        removed.adevice.which = 2;
        watch.load()(watchData, &removed);
    }
    int Pull()  // the loudest of the next 256 frames the device plays; 0 while none plays
    {
        Sint16 frames[512] = {};
        const std::lock_guard<std::mutex> lock(audio);
        if (device.callback != nullptr && !paused)
            device.callback(device.userdata, reinterpret_cast<Uint8*>(frames), sizeof frames);
        return std::abs(*std::max_element(frames, std::end(frames), [](int a, int b) { return std::abs(a) < std::abs(b); }));
    }
} fake;  // the tables hold plain functions, which reach their state only here

const SdlApi* LoadFakeSdl()
{
    static const SdlApi api = [] {
        SdlApi a = *LoadSdl();  // waves, hints and the like go to the real library, which stays closed
        a.SDL_InitSubSystem = [](Uint32) { return ++fake.subsystems, 0; };
        a.SDL_QuitSubSystem = [](Uint32) { --fake.subsystems; };
        a.SDL_GetCurrentAudioDriver = [] { return "fake"; };
        a.SDL_AddEventWatch = [](SDL_EventFilter filter, void* data) { fake.watchData = data, fake.watch = filter; };
        a.SDL_DelEventWatch = [](SDL_EventFilter, void*) { fake.watch = nullptr; };
        a.SDL_OpenAudioDevice = [](const char*, int, const SDL_AudioSpec* wanted, SDL_AudioSpec* got, int) -> SDL_AudioDeviceID {
            ++fake.knocks;
            const std::lock_guard<std::mutex> answer(fake.server);
            if (!fake.up)
                return 0;
            *got = *wanted;
            got->freq = 22050;  // not the wave's: it is converted
            const std::lock_guard<std::mutex> lock(fake.audio);
            fake.paused = true, fake.device = *got, ++fake.devices;
            return 2;
        };
        a.SDL_CloseAudioDevice = [](SDL_AudioDeviceID) {
            const std::lock_guard<std::mutex> lock(fake.audio);
            fake.device = {}, --fake.devices;
        };
        a.SDL_PauseAudioDevice = [](SDL_AudioDeviceID, int pause) { fake.paused = pause != 0; };
        a.SDL_LockAudioDevice = [](SDL_AudioDeviceID) { fake.audio.lock(); };
        a.SDL_UnlockAudioDevice = [](SDL_AudioDeviceID) { fake.audio.unlock(); };
        return a;
    }();
    return &api;
}

template <typename T> T* NewObject() { return ++fake.objects, reinterpret_cast<T*>(new char); }
template <typename T> void DeleteObject(T* object) { --fake.objects, delete reinterpret_cast<char*>(object); }

const SynthApi* LoadFakeSynth()
{
    static const SynthApi api = [] {
        SynthApi a;
        a.fluid_set_log_function = [](int, fluid_log_function_t, void*) -> fluid_log_function_t { return nullptr; };
        a.new_fluid_settings = &NewObject<fluid_settings_t>;
        a.delete_fluid_settings = &DeleteObject<fluid_settings_t>;
        a.fluid_settings_setnum = [](fluid_settings_t*, const char*, double) { return FLUID_OK; };
        a.new_fluid_synth = [](fluid_settings_t*) { return fake.loadsHere += std::this_thread::get_id() == fake.here, NewObject<fluid_synth_t>(); };
        a.delete_fluid_synth = &DeleteObject<fluid_synth_t>;
        a.fluid_synth_sfload = [](fluid_synth_t*, const char* path, int) { return std::filesystem::exists(path) ? 1 : FLUID_FAILED; };
        a.fluid_synth_set_gain = [](fluid_synth_t*, float) {};
        a.fluid_synth_write_s16 = [](fluid_synth_t*, int frames, void* left, int, int step, void* right, int, int) {
            std::fill_n(static_cast<Sint16*>(left), frames * step, Sint16(3000)), (void)right;  // interleaved: both channels
            return FLUID_OK;
        };
        a.new_fluid_player = [](fluid_synth_t*) { return NewObject<fluid_player_t>(); };
        a.delete_fluid_player = &DeleteObject<fluid_player_t>;
        a.fluid_player_add_mem = [](fluid_player_t*, const void*, size_t) { return FLUID_OK; };
        a.fluid_player_play = [](fluid_player_t*) { return fake.refuse ? FLUID_FAILED : FLUID_OK; };
        a.fluid_player_get_status = [](fluid_player_t*) { return int(fake.done ? FLUID_PLAYER_DONE : FLUID_PLAYER_PLAYING); };
        return a;
    }();
    return ++fake.libraries, ++fake.loads, &api;
}
const SynthLibrary kFakeSynth{&LoadFakeSynth, [](const SynthApi*) { --fake.libraries; }};

// A soundfont file for the fake synthesiser, which only asks whether it is there.
std::string FakeFont()
{
    const std::string path = std::string(std::getenv("XDG_CACHE_HOME")) + "/font.sf2";
    std::ofstream(path) << "RIFF";
    return path;
}

// What a message box showed, and the response a player gives it from GLib's own loop (GTK runs the box).
struct Box { int press; std::vector<std::string> buttons; std::string title; int type = -1; };
gboolean Answer(gpointer data)
{
    auto* box = static_cast<Box*>(data);
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* shown = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next)
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
            shown = GTK_WIDGET(w->data);
    g_list_free(windows);
    if (shown == nullptr)
        return G_SOURCE_CONTINUE;
    for (int response : {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL, GTK_RESPONSE_YES, GTK_RESPONSE_NO})
        if (GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(shown), response))
            box->buttons.push_back(gtk_button_get_label(GTK_BUTTON(button)));
    box->title = gtk_window_get_title(GTK_WINDOW(shown));
    g_object_get(shown, "message-type", &box->type, nullptr);
    gtk_dialog_response(GTK_DIALOG(shown), box->press);
    return G_SOURCE_REMOVE;
}

TEST(Host, MessageBoxesSpeakTheGamesWordsAndTheTuneEndsAndCloses)
{
    Loaded set;
    auto& [journal, settings, pictures, images] = set;
    std::filesystem::create_directories(std::filesystem::path(CSoundSystem::MusicFilePath()).parent_path());
    std::ofstream(CSoundSystem::MusicFilePath()) << "stale";
    CSoundSystem sound(&FindSound, &FindMidi, FakeFont(), &LoadFakeSdl, kFakeSynth);
    CWxHost host(images, sound);
    const std::string ok = "OK", cancel = "ｷｬﾝｾﾙ", yes = "はい(_Y)", no = "いいえ(_N)";
    // press: the response given, the close box's included; info: the box shows the information icon.
    struct Row { unsigned style; int press, answer; std::vector<std::string> buttons; bool info; };
    const Row rows[] = {
        {MB_OK | MB_ICONINFORMATION, GTK_RESPONSE_DELETE_EVENT, IDOK, {ok}, true},
        {MB_OKCANCEL, GTK_RESPONSE_OK, IDOK, {ok, cancel}, false},
        {MB_OKCANCEL | MB_ICONINFORMATION, GTK_RESPONSE_CANCEL, IDCANCEL, {ok, cancel}, true},
        {MB_YESNO, GTK_RESPONSE_YES, IDYES, {yes, no}, false},
        {MB_YESNO, GTK_RESPONSE_DELETE_EVENT, IDNO, {yes, no}, false},
    };
    for (const Row& row : rows) {
        Box box{row.press, {}, {}};
        g_timeout_add(10, &Answer, &box);
        EXPECT_EQ(host.MessageBox(nullptr, "text", row.style), row.answer);
        EXPECT_EQ(box.buttons, row.buttons);
        EXPECT_EQ(box.title, "KadorinTolvane３２");
        EXPECT_EQ(box.type, row.info ? GTK_MESSAGE_INFO : GTK_MESSAGE_OTHER);
    }
    wxTheApp->CallAfter([] { Click(wxTopLevelWindows.GetLast()->GetData()->FindWindow(wxID_OK)); });
    images.SetCurrentBack(1);
    journal.clear();
    host.ChooseCardBack(nullptr);
    EXPECT_EQ(journal, fakes::Journal{"Write Customize/iCover=1"});
    std::atomic<int> ended{0};
    host.SetMusicEndHandler([&ended] { ++ended; });
    host.ClearComing();  // the tune is loaded while the last cards fall
    EXPECT_TRUE(PumpUntil([] { return fake.objects == 3; }));
    host.PlayMusic();  // the tune written over a stale one
    EXPECT_EQ(fake.Pull(), 3000);
    host.StopMusic();  // a stop reports the end at once; a closed tune has none to report
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(fake.Pull(), 0);
    host.PlayWave(IDR_SOUND_JOKER);
    EXPECT_GT(fake.Pull(), 1000);
    host.CloseMusic();
    host.StopMusic();
    EXPECT_EQ(ended, 1);
}

// clicks: the arrows, < and >, in the order pressed.
struct BackRow { const char* name; int start; const char* clicks; bool ok; int back; const char* written; };
void PrintTo(const BackRow& row, std::ostream* os) { *os << row.name; }

class CardBackTest : public testing::TestWithParam<BackRow> {};

TEST_P(CardBackTest, ArrowsStopAtBothEndsAndOkStoresTheBack)
{
    const BackRow& row = GetParam();
    Loaded set({{"Customize/iCover", std::to_string(row.start)}});
    auto& [journal, settings, pictures, images] = set;
    wxTheApp->CallAfter([&] {  // runs in the dialog's own loop
        auto* dlg = static_cast<CCardBackDlg*>(wxTopLevelWindows.GetLast()->GetData());
        for (const char* c = row.clicks; *c != '\0'; ++c)
            Click(*c == '<' ? dlg->PrevButton() : dlg->NextButton());
        // The arrow that would leave the range is disabled at its end, and the focus goes to the other.
        EXPECT_EQ(dlg->PrevButton()->IsEnabled(), dlg->m_nCover > 0);
        EXPECT_EQ(dlg->NextButton()->IsEnabled(), dlg->m_nCover < 3);
        const wxWindow* other = dlg->m_nCover == 0 ? dlg->NextButton() : dlg->PrevButton();  // after a step to an end
        EXPECT_TRUE(*row.clicks == '\0' || dlg->m_nCover % 3 != 0 ||
                    gtk_window_get_focus(GTK_WINDOW(dlg->GetHandle())) == other->GetHandle());
        EXPECT_EQ(dlg->GetDefaultItem(), dlg->OkButton());
        for (int tab = 0; tab < 4; ++tab) {  // the preview is a picture: Tab passes it by
            gtk_widget_child_focus(GTK_WIDGET(dlg->GetHandle()), GTK_DIR_TAB_FORWARD);
            EXPECT_NE(gtk_window_get_focus(GTK_WINDOW(dlg->GetHandle())), dlg->PreviewFrame()->GetHandle());
        }
        CheckLayout(dlg, {{dlg->OkButton(), dlg->CancelButton()}}, {{dlg->PrevButton(), dlg->NextButton()}});
        // On screen, the back stepped to, framed in black.
        const wxRect inside = wxRect(dlg->PreviewFrame()->GetClientSize()).Deflate(1);
        EXPECT_TRUE(PumpUntil([&] {
            const wxImage shown = OnScreen(dlg->PreviewFrame());
            const wxPoint last = inside.GetBottomRight() + wxPoint(1, 1);
            return Pixel(shown, 0, 0) == *wxBLACK && Pixel(shown, last.x, last.y) == *wxBLACK &&
                   Same(shown.GetSubImage(inside), dlg->PreviewBitmap().ConvertToImage().GetSubImage(inside));
        }));
        Click(row.ok ? dlg->OkButton() : dlg->CancelButton());
    });
    EXPECT_EQ(RunCardBackDialog(nullptr, images), row.ok ? IDOK : IDCANCEL);
    EXPECT_EQ(images.CurrentBack(), row.back);
    EXPECT_EQ(journal, row.written != nullptr ? fakes::Journal{row.written} : fakes::Journal{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CardBackTest,
    testing::Values(BackRow{"FourStepsFromTheFirstStopAtTheLast", 0, ">>>>", true, 3, "Write Customize/iCover=3"},
                    BackRow{"StepsBackStopAtTheFirst", 3, "<<<<", true, 0, "Write Customize/iCover=0"},
                    BackRow{"OkWithoutSteppingStoresTheSameBack", 3, "", true, 3, "Write Customize/iCover=3"},
                    BackRow{"CancelAfterSteppingStoresNothing", 1, ">", false, 1, nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

// Where the last sample well above silence ends in a recording of 16-bit
// samples, looking from byte `from` on; 0 when there is none.
long LoudUntil(const std::string& path, long from = 0)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(from);
    long end = 0;
    for (std::int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), sizeof sample);)
        if (std::abs(int(sample)) > 1000)
            end = long(in.tellg());
    return end;
}

// Whether a library of that name is mapped into this process.
[[maybe_unused]] bool Mapped(const std::string& name)
{
    std::ifstream maps("/proc/self/maps");
    const std::string all{std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()};
    return all.find(name) != all.npos;
}

// A private sound server with one silent sink, killed and started again as a
// desktop's is on an update, and a recorder of what reaches that sink.
class SoundServer {
public:
    explicit SoundServer(const std::string& folder) : m_folder(folder) { std::filesystem::create_directories(folder + "/run"); }
    ~SoundServer() { Kill(); }
    std::string Socket() const { return m_folder + "/socket"; }
    std::string Recording() const { return m_folder + "/heard.raw"; }
    bool Start()  // true once the server answers
    {
        m_server = Spawn("env HOME=" + m_folder + " XDG_RUNTIME_DIR=" + m_folder + "/run pulseaudio -n --daemonize=no "
                         "--exit-idle-time=-1 --use-pid-file=no --load='module-null-sink sink_name=test' --load="
                         "'module-native-protocol-unix auth-anonymous=1 socket=" + Socket() + "' >/dev/null 2>&1");
        if (!PumpUntil([] { return std::system("pactl info >/dev/null 2>&1") == 0; }))
            return false;
        std::filesystem::remove(Recording());  // nothing heard before this start counts
        m_recorder = Spawn("parec -d test.monitor --latency-msec=20 --raw >" + Recording());
        return true;
    }
    void Kill()
    {
        for (pid_t* pid : {&m_recorder, &m_server})
            if (*pid > 0 && kill(*pid, SIGKILL) == 0)
                waitpid(std::exchange(*pid, 0), nullptr, 0);
    }
    // The streams' properties as the desktop's volume control reads them.
    static bool Listed(const std::vector<std::string>& properties)
    {
        return PumpUntil([&] {
            std::string out(1 << 16, '\0');
            FILE* pactl = popen("pactl list sink-inputs", "r");
            out.resize(std::fread(out.data(), 1, out.size(), pactl));
            pclose(pactl);
            return std::all_of(properties.begin(), properties.end(), [&](auto& p) { return out.find(p) != out.npos; });
        }, 10000);
    }

private:
    static pid_t Spawn(const std::string& command)
    {
        const std::string line = "exec setpriv --pdeathsig KILL " + command;  // gone with a crashed test
        const char* argv[] = {"sh", "-c", line.c_str(), nullptr};
        pid_t pid = 0;
        return posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0 ? pid : 0;
    }
    std::string m_folder;
    pid_t m_server = 0, m_recorder = 0;
};

TEST(Sound, ComesBackWithItsNameAndIconAfterTheSoundServerRestarts)
{
    SoundServer server(std::string(std::getenv("XDG_CACHE_HOME")) + "/pulse");
    // A server named outright: libpulse starts no daemon of its own.
    setenv("PULSE_SERVER", ("unix:" + server.Socket()).c_str(), 1);
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_TRUE(server.Start());
    const std::string name = "application.name = \"KadorinTolvane３２\"";
    const std::string icon = "application.icon_name = \"io.github.tolvane.tolvane32\"";
    {
        CSoundSystem first;
        first.PlayWave(IDR_SOUND_CARD);
        first.PlayWave(IDR_SOUND_CARD);  // again, the sound as made for the device
        struct sigaction term {};  // a session's end still ends the game: SDL keeps off the signals
        EXPECT_TRUE(sigaction(SIGTERM, nullptr, &term) == 0 && term.sa_handler == SIG_DFL);
        EXPECT_TRUE(SoundServer::Listed({name, icon, "media.role = \"game\""}));
    }
    setenv("PULSE_PROP", "media.role=music", 1);  // the player's own word wins
    EXPECT_NE(CSoundSystem::DefaultSoundFont(), "");  // the system's, from the test packages
    CSoundSystem sound;
    const std::string tune = sound.WriteMusicFile();
    sound.PlayWave(IDR_SOUND_CARD);
    EXPECT_TRUE(SoundServer::Listed({name, icon, "media.role = \"music\""}));
    EXPECT_TRUE(PumpUntil([&] { return LoudUntil(server.Recording()) > 0; }));

    server.Kill();
    EXPECT_TRUE(PumpUntil([&] { return sound.GetAudioDriver().empty(); }));  // the loss is noticed
    sound.PlayWave(IDR_SOUND_JOKER);  // skipped while the server is away
    EXPECT_NE(sound.PlayMusic(tune), 0);
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(SoundServer::Listed({name, icon}));
    EXPECT_TRUE(PumpUntil([&] { return sound.GetAudioDriver() == "pulseaudio"; }));  // the stream is set up
    sound.PlayWave(IDR_SOUND_CARD);
    EXPECT_TRUE(PumpUntil([&] { return LoudUntil(server.Recording()) > 0; }));
    long quiet = 0;  // a quarter of a second after the wave, the tune
    EXPECT_TRUE(PumpUntil([&] { return (quiet = long(std::filesystem::file_size(server.Recording()))) - LoudUntil(server.Recording()) > 44100; }));
    for (int clear = 0; clear < 2; ++clear) {  // played, the tune goes with its library, which comes again
        ASSERT_EQ(sound.PlayMusic(tune), 0);
        EXPECT_TRUE(PumpUntil([&] { return LoudUntil(server.Recording(), quiet) > 0; }));
        sound.StopMusic();
        sound.CloseMusic();
#ifndef __SANITIZE_ADDRESS__  // where it stays (Tune.cpp)
        EXPECT_TRUE(PumpUntil([] { return !Mapped("/libfluidsynth.so"); }));
#endif
        quiet = long(std::filesystem::file_size(server.Recording()));
        sound.PrepareMusic();
    }
    unsetenv("PULSE_SERVER");
    unsetenv("PULSE_PROP");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// With SDL and FluidSynth in the test's hands: every tune is loaded in the
// background with its library and unloaded once it has played, a lost device
// ends the tune and opens again when it can, nothing stays open or loaded at
// the end, and a server that never answers holds the reconnecting thread alone.
TEST(Sound, FreesWhatItOpensThroughALossAndNeverWaitsForAHungServer)
{
    const std::string tune = CSoundSystem::MusicFilePath(), font = FakeFont();
    fake.up = false;
    for (SdlLoader load : {+[]() -> const SdlApi* { return nullptr; }, &LoadFakeSdl})  // no library; no device
        EXPECT_EQ(CSoundSystem(&FindSound, &FindMidi, font, load, kFakeSynth).PlayMusic(tune), CSoundSystem::ERR_NO_DEVICE);
    fake.up = true;
    std::atomic<int> finished{0};
    {
        CSoundSystem sound(&FindSound, &FindMidi, font, &LoadFakeSdl, kFakeSynth);
        sound.SetMusicFinishedCallback([&finished] { ++finished; });
        sound.WriteMusicFile();
        for (bool refused : {true, false}) {
            sound.PlayWave(IDR_SOUND_CARD);
            EXPECT_GT(fake.Pull(), 1000);
            sound.PrepareMusic();
            fake.refuse = refused;
            EXPECT_EQ(sound.PlayMusic(tune), refused ? CSoundSystem::ERR_PLAY : 0);
            EXPECT_TRUE(PumpUntil([&] { return fake.libraries == !refused; }));  // a refused tune goes at once
            fake.up = false;
            fake.Lose();  // a playing tune ends with its device, and says so
            EXPECT_TRUE(PumpUntil([&] { return fake.devices == 0 && fake.libraries == 0 && fake.objects == 0 && !fake.watch; }));
            sound.PlayWave(IDR_SOUND_JOKER);  // skipped while away
            fake.up = true;
            EXPECT_TRUE(PumpUntil([&] { return sound.GetAudioDriver() == "fake" && finished == !refused; }));
        }
        for (int clear = 2; clear <= 4; ++clear) {  // each clear loads the library again, plays, and lets it all go
            const int loads = fake.loads;
            sound.PrepareMusic();
            EXPECT_EQ(sound.PlayMusic(tune), 0);
            sound.PlayWave(IDR_SOUND_CARD);
            EXPECT_GT(fake.Pull(), 4000);  // the tune and the sound, mixed
            fake.done = true;
            fake.Pull(), fake.Pull();
            EXPECT_EQ(finished, clear);  // the end, reported once
            fake.done = false;
            sound.CloseMusic();
            EXPECT_TRUE(PumpUntil([&] { return fake.libraries == 0 && fake.objects == 0 && fake.loads == loads + 1; }));
        }
        EXPECT_EQ(sound.PlayMusic(tune), 0);  // unprepared, it plays all the same
        sound.StopMusic();
        sound.StopMusic();
        sound.CloseMusic();
        EXPECT_TRUE(PumpUntil([&] { return fake.libraries == 0; }));  // played, it goes, and no other comes
        EXPECT_EQ(sound.PlayMusic(tune), 0);  // still playing when the sound system goes: no end reported
        EXPECT_EQ(fake.loadsHere, 0);
    }
    EXPECT_EQ(finished, 5);
    EXPECT_EQ(CSoundSystem(&FindSound, &FindMidi, tune + ".sf2", &LoadFakeSdl, kFakeSynth).PlayMusic(tune),
              CSoundSystem::ERR_NO_MUSIC);  // its soundfont gone: no tune rather than a silent one
    EXPECT_TRUE(fake.subsystems == 0 && fake.devices == 0 && fake.libraries == 0 && fake.objects == 0 && !fake.watch);
    {
        CSoundSystem sound(&FindSound, &FindMidi, font, &LoadFakeSdl, kFakeSynth);
        sound.PlayWave(IDR_SOUND_CARD);
        fake.server.lock();
        const int knocks = fake.knocks;
        fake.Lose();
        EXPECT_TRUE(PumpUntil([&] { return fake.knocks > knocks; }));
        sound.PlayWave(IDR_SOUND_CARD);
        EXPECT_EQ(sound.PlayMusic(tune), CSoundSystem::ERR_NO_DEVICE);
    }  // gone without waiting for the connection
    fake.server.unlock();  // and what it opens is closed again
    EXPECT_TRUE(PumpUntil([&] { return fake.devices == 0 && fake.subsystems == 0; }));
}

}  // namespace
