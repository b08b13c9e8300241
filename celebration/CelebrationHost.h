// What the celebration window needs from the view that opens it.
//
// The window draws the trail and asks the closing question; the game's
// numbers, the card pictures, the tune and the next deal belong to others.
// The view implements this, tests implement their own.
#pragma once

#include <string>

#include "celebration/AnimRunState.h"
#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Rect.h"

class wxDC;
class wxWindow;

class ICelebrationHost {
public:
    virtual ~ICelebrationHost() = default;

    // The bonus of the clear, which chooses the pattern, and its time.
    virtual int Bonus() const = 0;
    virtual int ClearSeconds() const = 0;
    // The card size and the current back.
    virtual const CCardImageSet& Images() const = 0;
    // Draws a picture into rect, clipped to the card outline.
    virtual void DrawCard(wxDC& dc, PictureId picture, const CRect& rect) = 0;
    // A modal message box with the game's caption; returns the button.
    virtual int MessageBox(wxWindow* owner, const std::string& text, unsigned style) = 0;
    virtual void StopMusic() = 0;
    // The window is closing, after the question: dealAgain when the player
    // chose OK. The window destroys itself afterwards.
    virtual void OnCelebrationClosed(wxWindow* wnd, bool dealAgain) = 0;

    // The run's generator and the motion state that outlives one celebration.
    virtual IRandom& Random() = 0;
    virtual CAnimRunState& RunState() = 0;
};
