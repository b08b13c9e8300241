#include "Tolvane32Doc.h"

#include "Text.h"
#include "res/resource.h"
#include "res/Strings.h"

namespace {

// Row of a triangle index: 0 for the apex .. 6 for the bottom row.
int RowOf(int index)
{
    int row = 0;
    while ((row + 1) * (row + 2) / 2 <= index)
        ++row;
    return row;
}

// A triangle card scores 2 as it leaves, a card of the waste nothing; an undo
// takes back what its cards scored.
int PointsFor(int position)
{
    return IsTriangle(position) ? 2 : 0;
}

}  // namespace

CRect PositionRect(int position, int cardWidth, int cardHeight)
{
    int x = 0;
    int y = 0;
    if (position == POS_STOCK) {
        x = 10;
        y = 4;
    } else if (position == POS_WASTE) {
        x = cardWidth + 20;
        y = 4;
    } else if (IsTriangle(position)) {
        const int index = position - POS_TRIANGLE_FIRST;
        const int row = RowOf(index);
        const int place = index - row * (row + 1) / 2;
        const int k = row / 2;
        x = (row % 2 == 0 ? 271 - 87 * k : 227 - 87 * k) + 87 * place;
        y = 57 + 20 * row;
    } else {
        return CRect{};
    }
    return CRect{x, y, x + cardWidth, y + cardHeight};
}

CTolvane32Doc::CTolvane32Doc(IHost& host, ISettings& settings, CCardImageSet& images)
    : m_host(host), m_settings(settings), m_images(images)
{
    ReadRecords();
}

void CTolvane32Doc::ReadRecords()
{
    m_iMaxPoint = m_settings.Get(setting::kMaxPoint);
    m_strFastPlayer = m_settings.Get(setting::kFastPlayer);
    m_lFastTimeSpan = m_settings.Get(setting::kFastTime);
    m_strChamp = m_settings.Get(setting::kChamp);
}

// ---------------------------------------------------------------- the deal

void CTolvane32Doc::DealCards()
{
    Deselect();
    m_nRecycle = 0;
    ClearUndo();
    m_bLossNotified = false;
    m_bCleared = false;

    BYTE buffer[52];
    m_images.CopyOrdinaryCodes(buffer);
    CCardImageSet::Shuffle(52, buffer, m_host);
    Deal(buffer);

    m_timeDeal = m_host.Now();
}

void CTolvane32Doc::Deal(const BYTE codes[52])
{
    for (int i = 0; i < TRIANGLE_CARDS; ++i)
        m_aTriangle[i].SetCode(codes[i]);

    BYTE stock[PILE_SLOTS];
    for (int i = 0; i < 24; ++i)
        stock[i] = codes[TRIANGLE_CARDS + i];
    stock[24] = CARD_JOKER2;
    stock[25] = CARD_JOKER1;
    CCardImageSet::Shuffle(PILE_SLOTS, stock, m_host);
    for (int i = 0; i < PILE_SLOTS; ++i)
        m_aStock[i].SetCode(stock[i]);

    for (CCard& card : m_aWaste)
        card.Clear();
    m_nScore -= DEAL_PRICE;
}

// ---------------------------------------------------------------- drawing queries

void CTolvane32Doc::GetStockBitmap(PictureId* out, CRect* rect) const
{
    *rect = RectOf(POS_STOCK);
    if (m_aStock[0].IsEmpty())
        *out = m_nRecycle >= MAX_RECYCLE ? IDB_STOCK_NG : IDB_STOCK_OK;
    else
        *out = m_images.CurrentBackImage();
}

void CTolvane32Doc::GetWasteBitmap(PictureId* out, CRect* rect, bool* selected) const
{
    const int top = WasteTop();
    if (top < 0)
        return;
    *out = m_images.FaceImage(m_aWaste[top].GetCode());
    *rect = RectOf(POS_WASTE);
    *selected = m_nSelPos == POS_WASTE;
}

void CTolvane32Doc::GetTriangleBitmap(int index, PictureId* out, CRect* rect, bool* selected) const
{
    if (index < 0 || index >= TRIANGLE_CARDS)
        return;
    *out = m_images.FaceImage(m_aTriangle[index].GetCode());
    *rect = RectOf(index + POS_TRIANGLE_FIRST);
    *selected = m_nSelPos == index + POS_TRIANGLE_FIRST;
}

void CTolvane32Doc::GetPositionRect(int position, CRect* rect) const
{
    *rect = RectOf(position);
}

CRect CTolvane32Doc::RectOf(int position) const
{
    return PositionRect(position, m_images.CardWidth(), m_images.CardHeight());
}

CCard CTolvane32Doc::GetCard(int position) const
{
    if (position == POS_STOCK) {
        const int top = StockTop();
        return top >= 0 ? m_aStock[top] : CCard();
    }
    if (position == POS_WASTE) {
        const int top = WasteTop();
        return top >= 0 ? m_aWaste[top] : CCard();
    }
    if (IsTriangle(position))
        return m_aTriangle[position - POS_TRIANGLE_FIRST];
    return CCard();
}

int CTolvane32Doc::GetPileCount(int position) const
{
    if (position == POS_STOCK)
        return StockTop() + 1;
    if (position == POS_WASTE)
        return WasteTop() + 1;
    return 0;
}

// ---------------------------------------------------------------- rules of play

int CTolvane32Doc::GetPositionState(int position) const
{
    if (position == POS_STOCK)
        return m_aStock[0].IsEmpty() ? PS_EMPTY : PS_FREE;
    if (position == POS_WASTE)
        return m_aWaste[0].IsEmpty() ? PS_EMPTY : PS_FREE;
    if (!IsTriangle(position))
        return PS_EMPTY;
    const int index = position - POS_TRIANGLE_FIRST;
    if (m_aTriangle[index].IsEmpty())
        return PS_EMPTY;
    const int row = RowOf(index);
    if (row == 6)
        return PS_FREE;
    const bool covered = !m_aTriangle[index + row + 1].IsEmpty() || !m_aTriangle[index + row + 2].IsEmpty();
    return covered ? PS_COVERED : PS_FREE;
}

int CTolvane32Doc::OnLButtonDown(const CPoint& point)
{
    // The clear time runs up to this press, whatever it hits.
    m_timeLastClick = m_host.Now();
    m_host.TablePressed();

    if (RectOf(POS_STOCK).PtInRect(point)) {
        OnStockClick();
        return POS_STOCK;
    }
    if (RectOf(POS_WASTE).PtInRect(point)) {
        OnWasteClick();
        return POS_WASTE;
    }
    // The bottom row first: the card painted last is the one seen.
    for (int position = POS_TRIANGLE_LAST; position >= POS_TRIANGLE_FIRST; --position) {
        if (!RectOf(position).PtInRect(point))
            continue;
        const int state = GetPositionState(position);
        if (state == PS_EMPTY)
            continue;  // a gap shows the card above it
        if (state == PS_FREE)
            OnCardClick(position);
        else
            m_host.Beep();
        return position;
    }
    return POS_NONE;
}

bool CTolvane32Doc::IsPair(CCard a, CCard b)
{
    return a.IsJoker() || b.IsJoker() || a.GetRank() + b.GetRank() == 13;
}

int CTolvane32Doc::ConfirmJoker(CCard card)
{
    if (m_iMaxPoint == 0 && m_bJokerNotice && card.IsJoker()) {
        m_bJokerNotice = false;
        return m_pView->ShowMessage(IDS_JOKER_NOTICE, MB_YESNO | MB_ICONINFORMATION);
    }
    return 0;
}

void CTolvane32Doc::OnStockClick()
{
    if (m_nSelPos != POS_NONE) {
        m_host.Beep();
        return;
    }
    ClearUndo();

    CCard taken;
    const int top = StockTop();
    if (top >= 0) {
        taken = m_aStock[top];
        m_aStock[top].Clear();
        m_anUndoPos[0] = POS_STOCK;
        m_aUndoCard[0] = taken;
        m_aWaste[FirstFree(m_aWaste)] = taken;
        return;
    }

    if (!m_aTriangle[0].IsEmpty() && m_nRecycle < MAX_RECYCLE) {
        ++m_nRecycle;
        // The old waste top goes to the bottom of the stock, so the next pass
        // turns the cards in the same order as this one.
        for (int slot = PILE_SLOTS - 1; slot >= 0; --slot) {
            if (!m_aWaste[slot].IsEmpty()) {
                m_aStock[FirstFree(m_aStock)] = m_aWaste[slot];
                m_aWaste[slot].Clear();
            }
        }
        m_pView->RefreshScoreLine();
    }
}

void CTolvane32Doc::OnWasteClick()
{
    const int top = WasteTop();
    const CRect wasteRect = RectOf(POS_WASTE);

    if (m_nSelPos == POS_NONE) {
        if (top < 0)
            return;
        const CCard card = m_aWaste[top];
        if (card.GetRank() == 13) {
            RemoveKing(POS_WASTE, card);
            return;
        }
        if (ConfirmJoker(card) == IDNO)
            return;
        m_nSelPos = POS_WASTE;
        m_cardSel = card;
        m_pView->ToggleHighlight(wasteRect);
        return;
    }

    if (m_nSelPos == POS_WASTE) {
        Deselect();
        m_pView->ToggleHighlight(wasteRect);
        return;
    }

    // A triangle card is selected.
    if (top < 0)
        return;
    const CCard card = m_aWaste[top];
    if (ConfirmJoker(card) == IDNO)
        return;
    if (!IsPair(m_cardSel, card)) {
        m_pView->ShowMessage(IDS_NOT_THIRTEEN, MB_OK | MB_ICONINFORMATION);
        return;
    }
    RemovePair(m_nSelPos, m_cardSel, POS_WASTE, card);
}

void CTolvane32Doc::OnCardClick(int position)
{
    if (!IsTriangle(position))
        return;
    const CCard card = m_aTriangle[position - POS_TRIANGLE_FIRST];
    if (card.IsEmpty())
        return;
    if (ConfirmJoker(card) == IDNO)
        return;

    const CRect rect = RectOf(position);
    if (m_nSelPos == POS_NONE) {
        if (card.GetRank() == 13) {
            RemoveKing(position, card);
            return;
        }
        m_nSelPos = position;
        m_cardSel = card;
        m_pView->ToggleHighlight(rect);
        return;
    }

    if (m_nSelPos == position) {
        Deselect();
        m_pView->ToggleHighlight(rect);
        return;
    }

    if (!IsPair(m_cardSel, card)) {
        m_pView->ShowMessage(IDS_NOT_THIRTEEN, MB_OK | MB_ICONINFORMATION);
        return;
    }
    RemovePair(m_nSelPos, m_cardSel, position, card);
}

// ---------------------------------------------------------------- scoring and the end of a deal

int CTolvane32Doc::GetBonus() const
{
    int base = 500;
    for (int n = 0; n < m_nRecycle; ++n)
        base /= 10;
    const int jokers = CountJokersLeft();
    return jokers == 0 ? base : base * jokers * 2;
}

int CTolvane32Doc::CountJokersLeft() const
{
    int jokers = 0;
    for (int i = 0; i < PILE_SLOTS; ++i) {
        if (m_aStock[i].IsJoker())
            ++jokers;
        if (m_aWaste[i].IsJoker())
            ++jokers;
    }
    return jokers;
}

void CTolvane32Doc::CheckGameOver()
{
    if (m_aTriangle[0].IsEmpty()) {
        if (!m_bCleared) {
            m_nScore += GetBonus();
            m_pView->RefreshScoreLine();
            RecordFastClear();
            m_pView->StartCelebration();
            m_bCleared = true;
        }
        return;
    }
    if (m_aStock[0].IsEmpty() && m_nRecycle >= MAX_RECYCLE && !HasMove() && !m_bLossNotified) {
        if (m_pView->ShowMessage(IDS_GAME_LOST, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK)
            m_pView->PostCommand(ID_GAME_DEAL);
        else
            m_bLossNotified = true;
    }
}

bool CTolvane32Doc::HasMove() const
{
    CCard candidates[8];
    int count = 0;
    const int top = WasteTop();
    if (top >= 0)
        candidates[count++] = m_aWaste[top];
    for (int index = 0; index < TRIANGLE_CARDS && count < 8; ++index) {
        if (GetPositionState(index + POS_TRIANGLE_FIRST) == PS_FREE)
            candidates[count++] = m_aTriangle[index];
    }
    for (int i = 0; i < count; ++i) {
        if (candidates[i].GetRank() == 13 || candidates[i].IsJoker())
            return true;
    }
    for (int i = 0; i < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            if (candidates[i].GetRank() + candidates[j].GetRank() == 13)
                return true;
        }
    }
    return false;
}

void CTolvane32Doc::RecordFastClear()
{
    const int secs = ClearSeconds();
    // Another running copy, or the player's editor, may have stored a record
    // since the start, and another while the dialog stood open: each
    // decision is made against the file as it is then, so that a worse time
    // never replaces a better one.
    ReadRecords();
    // A clock set back during the deal gives a negative time: it would show
    // and keep a meaningless record, so it is none.
    if (secs >= 0 && IsFasterClear(secs)) {
        std::string name;
        const bool accepted = AskName(FormatResString(IDS_CLEAR_ACHIEVED, secs), name);
        ReadRecords();
        if (accepted && IsFasterClear(secs)) {
            m_strFastPlayer = name;
            m_lFastTimeSpan = secs;
            m_settings.Write(setting::kFastTime, std::to_string(secs));
            m_settings.Write(setting::kFastPlayer, name);
        }
    }
    m_pView->ShowRecords();
}

void CTolvane32Doc::SaveBestScore()
{
    // As at a clear: the best score as stored now, also after the dialog.
    ReadRecords();
    if (m_nScore > 0 && m_nScore > m_iMaxPoint) {
        std::string name;
        const bool accepted = AskName(FormatResString(IDS_SCORE_ACHIEVED, m_nScore), name);
        ReadRecords();
        if (accepted && m_nScore > m_iMaxPoint) {
            m_iMaxPoint = m_nScore;
            m_strChamp = name;
            m_settings.Write(setting::kMaxPoint, std::to_string(m_nScore));
            m_settings.Write(setting::kChamp, name);
        }
    }
    m_pView->ShowRecords();
}

bool CTolvane32Doc::AskName(const std::string& achievement, std::string& name)
{
    name = m_strLastPlayer;
    if (m_host.AskPlayerName(achievement, name) != IDOK)
        return false;
    name = TrimLeft(name);
    m_strLastPlayer = name;
    return true;
}

// ---------------------------------------------------------------- undo

void CTolvane32Doc::Undo()
{
    for (int entry = 0; entry < 2; ++entry) {
        const int position = m_anUndoPos[entry];
        const CCard card = m_aUndoCard[entry];
        m_nScore -= PointsFor(position);
        if (position == POS_STOCK) {
            m_aStock[FirstFree(m_aStock)] = card;
            const int top = WasteTop();
            if (top >= 0)
                m_aWaste[top].Clear();
        } else if (position == POS_WASTE) {
            m_aWaste[FirstFree(m_aWaste)] = card;
        } else if (IsTriangle(position)) {
            m_aTriangle[position - POS_TRIANGLE_FIRST] = card;
        }
    }
    ClearUndo();
}

bool CTolvane32Doc::CanUndo() const
{
    if (m_nSelPos != POS_NONE)
        return false;
    return m_anUndoPos[0] != POS_NONE || m_anUndoPos[1] != POS_NONE;
}

// ---------------------------------------------------------------- helpers

int CTolvane32Doc::StockTop() const
{
    for (int slot = PILE_SLOTS - 1; slot >= 0; --slot) {
        if (!m_aStock[slot].IsEmpty())
            return slot;
    }
    return -1;
}

int CTolvane32Doc::WasteTop() const
{
    for (int slot = PILE_SLOTS - 1; slot >= 0; --slot) {
        if (!m_aWaste[slot].IsEmpty())
            return slot;
    }
    return -1;
}

int CTolvane32Doc::FirstFree(const CCard* pile)
{
    for (int slot = 0; slot < PILE_SLOTS; ++slot) {
        if (pile[slot].IsEmpty())
            return slot;
    }
    // The two piles together never hold more than 26 cards.
    return PILE_SLOTS - 1;
}

void CTolvane32Doc::ClearUndo()
{
    RecordUndo(POS_NONE, CCard(), POS_NONE, CCard());
}

void CTolvane32Doc::RecordUndo(int pos0, CCard card0, int pos1, CCard card1)
{
    m_anUndoPos[0] = pos0;
    m_aUndoCard[0] = card0;
    m_anUndoPos[1] = pos1;
    m_aUndoCard[1] = card1;
}

void CTolvane32Doc::DropCard(CCard card, const CRect& rect)
{
    if (m_aTriangle[0].IsEmpty() && !m_bCleared)
        m_host.ClearComing();
    m_pView->AnimateCardFall(card, rect);
}

void CTolvane32Doc::Deselect()
{
    m_nSelPos = POS_NONE;
    m_cardSel.Clear();
}

void CTolvane32Doc::TakeOff(int position)
{
    if (position == POS_WASTE) {
        const int top = WasteTop();
        if (top >= 0)
            m_aWaste[top].Clear();
    } else if (IsTriangle(position)) {
        m_aTriangle[position - POS_TRIANGLE_FIRST].Clear();
    }
    m_nScore += PointsFor(position);
}

void CTolvane32Doc::RemoveKing(int position, CCard king)
{
    RecordUndo(position, king, POS_NONE, CCard());
    TakeOff(position);
    DropCard(king, RectOf(position));
    m_pView->RefreshScoreLine();
}

void CTolvane32Doc::RemovePair(int selPos, CCard selCard, int position, CCard card)
{
    RecordUndo(selPos, selCard, position, card);
    TakeOff(selPos);
    TakeOff(position);
    Deselect();
    DropCard(card, RectOf(position));
    DropCard(selCard, RectOf(selPos));
    m_pView->RefreshScoreLine();
}
