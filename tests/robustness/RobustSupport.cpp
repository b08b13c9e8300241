#include "RobustSupport.h"

#include <ctime>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
#include <wx/weakref.h>

#include "model/CardImageSet.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/CardBackDlg.h"
#include "shell/Dialogs.h"
#include "shell/MainFrame.h"
#include "shell/PlayerNameDlg.h"
#include "view/Tolvane32View.h"

// ---------------------------------------------------------------- host

TimeSecs SeededHost::Now()
{
    // The view stamps clicks with the wall clock: the deal must use it too.
    return static_cast<TimeSecs>(std::time(nullptr));
}

int SeededHost::AskPlayerName(const std::string& achievement, std::string& name)
{
    return RunPlayerNameDialog(m_pParent, achievement, name);
}

// ---------------------------------------------------------------- tracking view

int TrackingView::ShowMessage(int stringId, unsigned style)
{
    m_messages.insert(stringId);
    return m_real.ShowMessage(stringId, style);
}

void TrackingView::AnimateCardFall(CCard card, const CRect& rect)
{
    m_fallen.insert(card.GetCode());
    ++m_nFalls;
    m_real.AnimateCardFall(card, rect);
}

void TrackingView::StartCelebration()
{
    // The bonus was added just before; nothing changes it until the next deal
    // but an undo, which leaves the bonus where it is.
    m_nBonuses += m_doc.GetBonus();
    ++m_nCelebrations;
    m_real.StartCelebration();
}

void TrackingView::OnDeal()
{
    m_fallen.clear();
    m_nScoreAtDeal = m_doc.m_nScore - DEAL_PRICE;
    m_nBonuses = 0;
    ++m_nDeals;
}

void TrackingView::OnUndo()
{
    for (int e = 0; e < 2; ++e) {
        if (m_doc.m_anUndoPos[e] < POS_WASTE)
            continue;
        const auto it = m_fallen.find(m_doc.m_aUndoCard[e].GetCode());
        if (it != m_fallen.end())
            m_fallen.erase(it);
        else
            ADD_FAILURE() << "undo brings back a card that never fell: " << int(m_doc.m_aUndoCard[e].GetCode());
    }
}

void ExpectInvariants(const CTolvane32Doc& doc, const TrackingView& tracking, const std::string& step)
{
    SCOPED_TRACE(step);
    std::multiset<int> codes(tracking.m_fallen);
    int triangleRemoved = 0;
    for (const CCard& c : doc.m_aTriangle) {
        if (c.IsEmpty())
            ++triangleRemoved;
        else
            codes.insert(c.GetCode());
    }
    for (const CCard* pile : {doc.m_aStock, doc.m_aWaste}) {
        bool gap = false;
        for (int s = 0; s < PILE_SLOTS; ++s) {
            if (pile[s].IsEmpty()) {
                gap = true;
            } else {
                ASSERT_FALSE(gap) << "piles stay packed from slot 0";
                codes.insert(pile[s].GetCode());
            }
        }
    }
    std::multiset<int> all;
    for (const FaceRow& row : kFaceTable)
        all.insert(row.code);
    ASSERT_EQ(codes, all) << "all 54 cards, each once, across triangle, stock, waste and fallen";

    ASSERT_EQ(doc.m_nScore, tracking.m_nScoreAtDeal + 2 * triangleRemoved + tracking.m_nBonuses);
    ASSERT_EQ(doc.m_nSelPos == POS_NONE, doc.m_cardSel.IsEmpty());
    if (doc.m_nSelPos >= POS_TRIANGLE_FIRST) {
        ASSERT_LE(doc.m_nSelPos, POS_TRIANGLE_LAST);
        ASSERT_EQ(doc.GetPositionState(doc.m_nSelPos), PS_FREE) << "a selection is always free";
        ASSERT_EQ(doc.m_aTriangle[doc.m_nSelPos - 3].GetCode(), doc.m_cardSel.GetCode());
    } else if (doc.m_nSelPos == POS_WASTE) {
        ASSERT_NE(doc.GetPositionState(POS_WASTE), PS_EMPTY);
    }
    ASSERT_NE(doc.m_nSelPos, POS_STOCK);
    ASSERT_GE(doc.m_nRecycle, 0);
    ASSERT_LE(doc.m_nRecycle, MAX_RECYCLE);
}

// ---------------------------------------------------------------- dialogs

RandomAnswers::RandomAnswers(unsigned seed) : m_engine(seed)
{
    Register();
}

RandomAnswers::~RandomAnswers()
{
    Unregister();
}

int RandomAnswers::Enter(wxDialog* dialog)
{
    auto pick = [this](int n) { return static_cast<int>(m_engine() % static_cast<unsigned>(n)); };

    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        ++m_nMessageBoxes;
        // Only the game's own messages: no failure is ever reported to the player.
        EXPECT_EQ(box->GetCaption().utf8_string(), LoadResString(IDS_MSG_CAPTION)) << box->GetMessage().utf8_string();
        const long style = box->GetMessageDialogStyle();
        // Escape and the close box come back as cancel whatever the buttons.
        if (style & wxYES_NO) {
            const int answers[] = {wxID_YES, wxID_NO, wxID_CANCEL};
            return answers[pick(3)];
        }
        if (style & wxCANCEL)
            return pick(2) == 0 ? wxID_OK : wxID_CANCEL;
        return pick(2) == 0 ? wxID_OK : wxID_CANCEL;
    }
    if (auto* name = dynamic_cast<CPlayerNameDlg*>(dialog)) {
        ++m_nNameDialogs;
        const wxString names[] = {"a", wxString::FromUTF8("名前"), "  lead", wxString::FromUTF8("ｶﾀｶﾅ")};
        name->m_strName = names[pick(4)];
        return pick(2) == 0 ? wxID_OK : wxID_CANCEL;
    }
    if (auto* back = dynamic_cast<CCardBackDlg*>(dialog)) {
        ++m_nCardBackDialogs;
        // Really shown: stepped and closed by its own buttons once its loop runs.
        const int steps = pick(7) - 3;
        const int close = pick(3);  // OK, Cancel, Escape
        const int before = g_cardImages.m_iCover;
        wxWeakRef<wxDialog> ref(back);
        wxTheApp->CallAfter([this, ref, steps, close, before] {
            auto* dlg = dynamic_cast<CCardBackDlg*>(ref.get());
            if (dlg == nullptr) {
                ADD_FAILURE() << "the card-back dialog went away by itself";
                return;
            }
            wxButton* arrow = steps < 0 ? dlg->PrevButton() : dlg->NextButton();
            for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) {
                wxCommandEvent click(wxEVT_BUTTON, arrow->GetId());
                click.SetEventObject(arrow);
                arrow->ProcessWindowEvent(click);
            }
            m_nExpectedCover = close == 0 ? dlg->m_nCover : before;
            if (close == 2) {
                wxKeyEvent esc(wxEVT_CHAR_HOOK);
                esc.m_keyCode = WXK_ESCAPE;
                esc.SetEventObject(dlg);
                dlg->ProcessWindowEvent(esc);
                return;
            }
            wxButton* button = close == 0 ? dlg->OkButton() : dlg->CancelButton();
            wxCommandEvent click(wxEVT_BUTTON, button->GetId());
            click.SetEventObject(button);
            button->ProcessWindowEvent(click);
        });
        return wxID_NONE;
    }
    ++m_nUnknown;
    ADD_FAILURE() << "a dialog nobody expected: " << dialog->GetTitle().utf8_string();
    return wxID_CANCEL;
}

int ScriptedAnswers::Enter(wxDialog* dialog)
{
    if (dynamic_cast<wxMessageDialog*>(dialog) != nullptr) {
        ++m_nMessageBoxes;
        return m_nMessageAnswer;
    }
    if (auto* name = dynamic_cast<CPlayerNameDlg*>(dialog)) {
        ++m_nNameDialogs;
        m_strOfferedName = name->m_strName;
        name->m_strName = m_strTypedName;
        return m_nNameAnswer;
    }
    if (auto* back = dynamic_cast<CCardBackDlg*>(dialog)) {
        wxWeakRef<wxDialog> ref(back);
        const int steps = m_nBackSteps;
        const bool ok = m_bBackOk;
        wxTheApp->CallAfter([ref, steps, ok] {
            auto* dlg = dynamic_cast<CCardBackDlg*>(ref.get());
            if (dlg == nullptr)
                return;
            for (int i = 0; i < steps; ++i) {
                wxCommandEvent click(wxEVT_BUTTON, IDC_COVER_NEXT);
                click.SetEventObject(dlg->NextButton());
                dlg->NextButton()->ProcessWindowEvent(click);
            }
            wxButton* button = ok ? dlg->OkButton() : dlg->CancelButton();
            wxCommandEvent click(wxEVT_BUTTON, button->GetId());
            click.SetEventObject(button);
            button->ProcessWindowEvent(click);
        });
        return wxID_NONE;
    }
    ADD_FAILURE() << "a dialog nobody expected: " << dialog->GetTitle().utf8_string();
    return wxID_CANCEL;
}

void LeaveOnlyTheApex(CTolvane32Doc& doc, int secondsAgo)
{
    for (CCard& card : doc.m_aTriangle)
        card.Clear();
    doc.m_aTriangle[0] = CCard(0x0D);
    doc.m_nSelPos = POS_NONE;
    doc.m_cardSel = CCard();
    doc.m_bCleared = false;
    doc.m_timeDeal = static_cast<TimeSecs>(std::time(nullptr)) - secondsAgo;
}

// ---------------------------------------------------------------- the program

namespace {

// First in the view's chain of handlers: sees each deal and undo command,
// whoever sends or posts it, before the view runs it.
class CommandWatch : public wxEvtHandler {
public:
    explicit CommandWatch(TrackingView& tracking) : m_tracking(tracking)
    {
        Bind(wxEVT_MENU, &CommandWatch::OnCommand, this, ID_GAME_DEAL, ID_GAME_UNDO);
    }

private:
    void OnCommand(wxCommandEvent& event)
    {
        if (event.GetId() == ID_GAME_DEAL)
            m_tracking.OnDeal();
        event.Skip();
    }
    TrackingView& m_tracking;
};

}  // namespace

ProgramFixture::ProgramFixture(ISettings& settings, unsigned seed) : m_host(seed)
{
    m_doc = std::make_unique<CTolvane32Doc>(m_host, settings, g_cardImages);
    m_frame = new CMainFrame(*m_doc, settings);
    m_view = m_frame->GetView();
    m_host.m_pParent = m_frame;
    m_tracking = std::make_unique<TrackingView>(*m_doc, *m_view);
    m_doc->SetView(m_tracking.get());
    m_view->SetFallFrameMillis(0);
    m_watch = new CommandWatch(*m_tracking);
    m_view->PushEventHandler(m_watch);
    m_frame->Show();
    PumpEvents(100);
}

ProgramFixture::~ProgramFixture()
{
    m_view->PopEventHandler(true);
    m_doc->SetView(m_view);
    m_frame->Destroy();
    PumpEvents(50);
}

void ProgramFixture::Command(int commandId)
{
    if (commandId == ID_GAME_UNDO)
        m_tracking->OnUndo();
    wxCommandEvent event(wxEVT_MENU, CMainFrame::MenuItemId(commandId));
    event.SetEventObject(m_frame);
    m_frame->ProcessWindowEvent(event);
}

bool ProgramFixture::UndoEnabled()
{
    wxUpdateUIEvent event(CMainFrame::MenuItemId(ID_GAME_UNDO));
    m_frame->ProcessWindowEvent(event);
    return event.GetEnabled();
}

void ProgramFixture::Press(int x, int y)
{
    wxWindow* target = m_view;
    wxPoint at(x, y);
    if (wxWindow* captor = wxWindow::GetCapture(); captor != nullptr) {
        target = captor;
        at = captor->ScreenToClient(m_view->ClientToScreen(at));
    }
    wxMouseEvent press(wxEVT_LEFT_DOWN);
    press.SetPosition(at);
    press.SetEventObject(target);
    press.SetId(target->GetId());
    target->ProcessWindowEvent(press);
}

void ProgramFixture::RunQueued()
{
    for (int round = 0; round < 3; ++round) {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
            while (loop->Pending())
                loop->Dispatch();
        }
        wxTheApp->ProcessPendingEvents();
    }
}

CPoint PlacePoint(int position, int dx, int dy)
{
    CRect rect = PositionRect(position, g_cardImages.m_nCardWidth, g_cardImages.m_nCardHeight);
    // Stock and waste show whole; a triangle card shows its top 20 pixels
    // under the row below.
    const int visible = position <= POS_WASTE ? rect.Height() : 20;
    return CPoint{rect.left + dx % rect.Width(), rect.top + dy % visible};
}
