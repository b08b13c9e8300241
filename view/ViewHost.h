// What the table view needs from the program around it.
//
// The view draws the table and turns presses into moves; the message boxes,
// the card-back dialog, the sounds and the tune belong to the shell, which
// installs itself here. Tests of the view install their own.
#pragma once

#include <functional>
#include <string>

#include "model/HostServices.h"

class wxWindow;

class IViewHost {
public:
    virtual ~IViewHost() = default;

    // A modal message box owned by owner with the game's caption; returns the
    // button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int MessageBox(wxWindow* owner, const std::string& text, unsigned style) = 0;
    // The card-back dialog; OK stores the chosen back.
    virtual void ChooseCardBack(wxWindow* owner) = 0;

    // Plays wave resource 300 (a card) or 301 (a joker) and returns at once.
    virtual void PlayWave(int resourceId) = 0;
    // Starts the celebration tune once from its beginning.
    virtual void PlayMusic() = 0;
    // Stops the tune; the end notice follows.
    virtual void StopMusic() = 0;
    // Closes the tune's device without a notice of its own.
    virtual void CloseMusic() = 0;
    // Called when the tune has ended or was stopped, on any thread: the
    // handler must only hand the news to the user-interface thread.
    virtual void SetMusicEndHandler(std::function<void()> handler) = 0;

    // The run's one random generator, shared with the shuffle.
    virtual IRandom& Random() = 0;
};
