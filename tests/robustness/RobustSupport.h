// What the in-process robustness tests share: the real frame, view and
// document on the test display; a view in between the document and the real
// one that keeps count of the cards that fell and the bonuses paid; the
// model's invariants; and modal dialogs answered by a seeded random choice.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>

#include <wx/dialog.h>
#include <wx/modalhook.h>

#include "WxTestSupport.h"
#include "model/Tolvane32Doc.h"

class CMainFrame;
class CTolvane32View;

// The host of the real program, but with a generator of our own seed, so
// that a failing storm deals the same cards again.
class SeededHost : public IHost {
public:
    explicit SeededHost(unsigned seed) : m_engine(seed) {}
    int Rand() override { return static_cast<int>(m_engine() & 0x7FFF); }
    TimeSecs Now() override;
    void Beep() override { ++m_beeps; }
    // The record-name dialog of the program, as CWxHost shows it.
    int AskPlayerName(const std::string& achievement, std::string& name) override;

    wxWindow* m_pParent = nullptr;
    int m_beeps = 0;

private:
    std::mt19937 m_engine;
};

// Sits between the document and the real view: passes every call on and
// keeps the cards that fell off the table and the bonuses paid since the
// last deal, which the invariants need.
class TrackingView : public IDocView {
public:
    TrackingView(CTolvane32Doc& doc, IDocView& real) : m_doc(doc), m_real(real) {}

    void ToggleHighlight(const CRect& rect) override { m_real.ToggleHighlight(rect); }
    int ShowMessage(int stringId, unsigned style) override;
    void AnimateCardFall(CCard card, const CRect& rect) override;
    void RefreshScoreLine() override { m_real.RefreshScoreLine(); }
    void StartCelebration() override;
    void PostCommand(int commandId) override { m_real.PostCommand(commandId); }

    // A deal is about to run: nothing has fallen yet and it costs 56.
    void OnDeal();
    // An undo is about to run: the cards it puts back have not fallen.
    void OnUndo();

    std::multiset<int> m_fallen;
    int m_nScoreAtDeal = 0;
    int m_nBonuses = 0;
    int m_nDeals = 0;
    int m_nCelebrations = 0;
    int m_nFalls = 0;
    std::multiset<int> m_messages;

private:
    CTolvane32Doc& m_doc;
    IDocView& m_real;
};

// The model's invariants: all 54 cards, each exactly once, across triangle,
// stock, waste and the cards that fell; piles packed from slot 0; the score
// the deals, removals and bonuses account for; a selection is always a free
// card. Fails the running test with the given step in the message.
void ExpectInvariants(const CTolvane32Doc& doc, const TrackingView& tracking, const std::string& step);

// Answers every modal dialog by a seeded random choice: a message box with
// one of its own buttons (or Escape); the record-name dialog typed into or
// cancelled; the card-back dialog is really shown and stepped and closed by
// its own buttons from inside its loop.
class RandomAnswers : public wxModalDialogHook {
public:
    explicit RandomAnswers(unsigned seed);
    ~RandomAnswers() override;

    int m_nMessageBoxes = 0;
    int m_nNameDialogs = 0;
    int m_nCardBackDialogs = 0;
    int m_nUnknown = 0;
    // The back the last card-back dialog left current (OK: the one stepped to).
    int m_nExpectedCover = -1;

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

private:
    std::mt19937 m_engine;
};

// Answers every modal dialog as told: message boxes with one button, the
// record-name dialog with a typed name or cancel, the card-back dialog
// stepped right and closed with OK or Cancel from inside its loop.
class ScriptedAnswers : public wxModalDialogHook {
public:
    ScriptedAnswers() { Register(); }
    ~ScriptedAnswers() override { Unregister(); }

    int m_nMessageAnswer = wxID_OK;
    int m_nNameAnswer = wxID_CANCEL;
    wxString m_strTypedName;
    int m_nBackSteps = 0;
    bool m_bBackOk = true;

    int m_nMessageBoxes = 0;
    int m_nNameDialogs = 0;
    wxString m_strOfferedName;

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}
};

// Leaves only a king at the apex, everything else of the triangle gone, the
// deal started the given seconds ago: the next press on the apex clears.
void LeaveOnlyTheApex(CTolvane32Doc& doc, int secondsAgo);

// The whole program in-process: frame, view and document over the given
// settings, with the tracking view in between and the deal and undo commands
// watched on their way to the view.
class ProgramFixture {
public:
    ProgramFixture(ISettings& settings, unsigned seed);
    ~ProgramFixture();

    // A menu command as the menu sends it.
    void Command(int commandId);
    bool UndoEnabled();
    // A left press at a point of the view's client area, delivered where the
    // toolkit would: to the celebration window while it holds the mouse.
    void Press(int x, int y);
    // Runs what is queued (posted commands, timers that are due) without waiting.
    void RunQueued();

    SeededHost m_host;
    std::unique_ptr<CTolvane32Doc> m_doc;
    CMainFrame* m_frame = nullptr;
    CTolvane32View* m_view = nullptr;
    std::unique_ptr<TrackingView> m_tracking;

private:
    wxEvtHandler* m_watch = nullptr;
};

// The top strip of a place (the part no other card covers), in client
// coordinates: where a player clicks it.
CPoint PlacePoint(int position, int dx, int dy);
