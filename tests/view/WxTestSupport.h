// What the component tests of the table need: a running GUI application on
// the test display, fakes of the host and the settings file, and modal
// dialogs answered in-process.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include <wx/bitmap.h>
#include <wx/colour.h>

class GTestModalHook;
#define wxTEST_DIALOG_HOOK_CLASS GTestModalHook
#include <wx/testing.h>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Random.h"

// Unmet or unexpected dialogs fail the running test instead of asserting,
// and an unexpected one is cancelled instead of waiting for a user.
class GTestModalHook : public wxTestingModalHook {
public:
    using wxTestingModalHook::wxTestingModalHook;
    void ReportFailure(const wxString& msg) override { ADD_FAILURE() << msg.utf8_string(); }

protected:
    int Enter(wxDialog* dlg) override
    {
        const int answer = wxTestingModalHook::Enter(dlg);
        return answer == wxID_NONE ? wxID_CANCEL : answer;
    }
};

// Runs code during which no dialog may appear.
#define EXPECT_NO_DIALOG(code)                 \
    {                                          \
        GTestModalHook no_dialog_hook;         \
        code;                                  \
        no_dialog_hook.CheckUnmetExpectations(); \
    }

class FakeHost : public IHost {
public:
    int Rand() override { return m_random.Rand(); }
    TimeSecs Now() override { return m_now; }
    void Beep() override { ++m_beeps; }
    int AskPlayerName(const std::string&, std::string&) override { return IDCANCEL; }

    TimeSecs m_now = 1'800'000'000;
    int m_beeps = 0;

private:
    CRuntimeRandom m_random;
};

class FakeSettings : public ISettings {
public:
    int GetInt(const char* section, const char* key, int def) override
    {
        auto it = m_values.find(Key(section, key));
        return it == m_values.end() ? def : std::stoi(it->second);
    }
    std::string GetString(const char* section, const char* key, const char* def) override
    {
        auto it = m_values.find(Key(section, key));
        return it == m_values.end() ? def : it->second;
    }
    void WriteString(const char* section, const char* key, const std::string& value) override
    {
        m_values[Key(section, key)] = value;
        ++m_writes;
    }
    static std::string Key(const char* section, const char* key) { return std::string(section) + "/" + key; }

    std::map<std::string, std::string> m_values;
    int m_writes = 0;
};

// Card geometry as the game has it, whether or not the pictures are built:
// the test program loads g_cardImages from it.
class CardSizedPictures : public IPictureSource {
public:
    bool PictureSize(PictureId id, int& width, int& height) const override
    {
        if (id == 0)
            return false;
        width = 77;
        height = 106;
        return true;
    }
};

// The colour of one pixel of a bitmap.
wxColour PixelAt(const wxBitmap& bitmap, int x, int y);

// Runs the event loop for a while, so that windows map and paint.
void PumpEvents(int millis = 200);
