// What the game model needs from the world around it.
//
// The model never includes a toolkit header. It reaches its one view, the
// clock, the random generator, the beep, the record-name dialog and the
// settings file only through these small interfaces; the program installs the
// real ones and the tests install fakes that record every call.
#pragma once

#include <cstdint>
#include <string>

#include "Card.h"
#include "Rect.h"
#include "SettingKeys.h"

// Message-box styles and answers, with the values the game has always used.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Whole seconds of the wall clock, as time() gives them.
using TimeSecs = std::int64_t;

// The random generator: values 0..32767, one sequence for the whole run.
class IRandom {
public:
    virtual ~IRandom() = default;
    virtual int Rand() = 0;
};

// Host services other than drawing.
class IHost : public IRandom {
public:
    // The wall clock in whole seconds since 1970.
    virtual TimeSecs Now() = 0;
    // The default beep.
    virtual void Beep() = 0;
    // Runs the record-name dialog modally with the achievement line and the
    // name offered; returns IDOK (name holds what was typed, untrimmed) or IDCANCEL.
    virtual int AskPlayerName(const std::string& achievement, std::string& name) = 0;
    // The player pressed on the table: a card may fall soon, with its sound.
    virtual void TablePressed() {}
    // The deal is cleared: its last cards are about to fall, and the
    // celebration follows. A host that needs time for it starts now.
    virtual void ClearComing() {}
};

// The three profile operations on the settings file.
class ISettings {
public:
    virtual ~ISettings() = default;
    // The key's integer value, or def when the key or the file is missing.
    virtual int GetInt(const char* section, const char* key, int def) = 0;
    // The key's text, or def; long enough for any name the record dialog accepts.
    virtual std::string GetString(const char* section, const char* key, const char* def) = 0;
    // Creates the file, section and key as needed; failures are silent.
    virtual void WriteString(const char* section, const char* key, const std::string& value) = 0;

    int Get(const IntSetting& s) { return GetInt(s.section, s.key, s.def); }
    std::string Get(const TextSetting& s) { return GetString(s.section, s.key, s.def); }
    template <class Setting>
    void Write(const Setting& s, const std::string& value) { WriteString(s.section, s.key, value); }
};

// The document's one view.
class IDocView {
public:
    virtual ~IDocView() = default;
    // Inverts a card rectangle at once: the selection mark on or off.
    virtual void ToggleHighlight(const CRect& rect) = 0;
    // A message box with string stringId, caption string 60001 and the style; returns the button.
    virtual int ShowMessage(int stringId, unsigned style) = 0;
    // Plays the removal sound and drops the card out of the window; returns when it has gone.
    virtual void AnimateCardFall(CCard card, const CRect& rect) = 0;
    // Repaints the score strip.
    virtual void RefreshScoreLine() = 0;
    // Shows the records the document holds, in the record strip and the caption.
    virtual void ShowRecords() = 0;
    // Starts the tune and the celebration window.
    virtual void StartCelebration() = 0;
    // Posts a menu command to the view; it runs after the current handler returns.
    virtual void PostCommand(int commandId) = 0;
};
