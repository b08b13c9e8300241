// The document: the whole game of one run.
//
// Holds the triangle of 28 cards, the stock and the waste, the selection,
// the turn-backs of the deal, the undo record, the running score and the two
// stored records the game reads. The view owns no game state: it asks the
// document what to draw and hands it every click.
#pragma once

#include <string>

#include "Card.h"
#include "CardImageSet.h"
#include "HostServices.h"
#include "Rect.h"

// Places on the table.
constexpr int POS_NONE = 0;
constexpr int POS_STOCK = 1;
constexpr int POS_WASTE = 2;
constexpr int POS_TRIANGLE_FIRST = 3;   // triangle index 0, the apex
constexpr int POS_TRIANGLE_LAST = 30;   // triangle index 27

constexpr bool IsTriangle(int position)
{
    return position >= POS_TRIANGLE_FIRST && position <= POS_TRIANGLE_LAST;
}

// States of a place.
constexpr int PS_EMPTY = 1;
constexpr int PS_FREE = 2;
constexpr int PS_COVERED = 3;

constexpr int TRIANGLE_CARDS = 28;
constexpr int PILE_SLOTS = 26;
constexpr int MAX_RECYCLE = 3;
constexpr int DEAL_PRICE = 56;

// The rectangle of a place for a card of the given size; empty outside 1..30.
CRect PositionRect(int position, int cardWidth, int cardHeight);

class CTolvane32Doc {
public:
    // Reads the records from the settings file.
    CTolvane32Doc(IHost& host, ISettings& settings, CCardImageSet& images);

    // The one view; set once the view exists.
    void SetView(IDocView* view) { m_pView = view; }
    // The card pictures the game names, and the card size.
    const CCardImageSet& Images() const { return m_images; }
    CCardImageSet& Images() { return m_images; }

    // --- the deal
    // Shuffles a fresh deck, deals it and starts the clear time.
    void DealCards();
    // Deals the 52 codes: the first 28 to the triangle, the other 24 and
    // the two jokers, shuffled, to the stock.
    void Deal(const BYTE codes[52]);

    // --- drawing queries
    void GetStockBitmap(PictureId* out, CRect* rect) const;
    void GetWasteBitmap(PictureId* out, CRect* rect, bool* selected) const;
    void GetTriangleBitmap(int index, PictureId* out, CRect* rect, bool* selected) const;
    void GetPositionRect(int position, CRect* rect) const;
    int GetPositionState(int position) const;

    // --- what the table shows
    // The card at a place: the top card of the stock or the waste, or the
    // triangle card; an empty card when there is none.
    CCard GetCard(int position) const;
    // The number of cards in the stock or the waste; 0 for any other place.
    int GetPileCount(int position) const;
    int GetSelection() const { return m_nSelPos; }
    int GetRecycleCount() const { return m_nRecycle; }
    int GetScore() const { return m_nScore; }

    // --- mouse play
    // A left press at point (client pixels): stamps the click time, finds
    // the place under the point (stock, waste, then the triangle from the
    // bottom row up, skipping gaps) and plays it; a covered card beeps.
    // Returns the place hit, POS_NONE when nothing was.
    int OnLButtonDown(const CPoint& point);

    // --- rules of play
    static bool IsPair(CCard a, CCard b);
    int ConfirmJoker(CCard card);
    void OnStockClick();
    void OnWasteClick();
    void OnCardClick(int position);

    // --- scoring and the end of a deal
    int GetBonus() const;
    int CountJokersLeft() const;
    void CheckGameOver();
    bool HasMove() const;
    // After a clear: a time below the stored fastest is offered for a name
    // and stored.
    void RecordFastClear();
    // At exit: a running score above the stored best is offered for a name
    // and stored.
    void SaveBestScore();

    // --- the records, as stored when last read: at the start and at each
    // record decision (another running copy may store one meanwhile)
    const std::string& GetFastPlayer() const { return m_strFastPlayer; }
    long GetFastTimeSpan() const { return m_lFastTimeSpan; }
    const std::string& GetChamp() const { return m_strChamp; }
    int GetMaxPoint() const { return m_iMaxPoint; }
    // The clear time: from the deal to the click that cleared the triangle.
    int ClearSeconds() const { return static_cast<int>(m_timeLastClick - m_timeDeal); }

    // --- undo
    void Undo();
    bool CanUndo() const;

private:
    int StockTop() const;      // highest occupied stock slot, -1 when empty
    int WasteTop() const;      // highest occupied waste slot, -1 when empty
    static int FirstFree(const CCard* pile);
    void ClearUndo();
    void RecordUndo(int pos0, CCard card0, int pos1, CCard card1);
    void Deselect();
    // Takes the card at a place off the table and scores it.
    void TakeOff(int position);
    // A king, or a pair (the selected card first), off the table: the undo
    // record, the score, the falls and the score line.
    void RemoveKing(int position, CCard king);
    void RemovePair(int selPos, CCard selCard, int position, CCard card);
    // The view drops the card; once the apex has gone, the host hears of the
    // clear first: the celebration follows the falls, and its tune takes a
    // while to load.
    void DropCard(CCard card, const CRect& rect);
    CRect RectOf(int position) const;
    void ReadRecords();
    bool IsFasterClear(int secs) const { return m_lFastTimeSpan == 0 || secs < m_lFastTimeSpan; }
    // Asks for a record holder's name, offering the last one typed; the
    // name without leading blanks, or nothing when the player cancels.
    bool AskName(const std::string& achievement, std::string& name);

    IHost& m_host;
    ISettings& m_settings;
    CCardImageSet& m_images;
    IDocView* m_pView = nullptr;

    int m_nScore = 0;
    CCard m_aTriangle[TRIANGLE_CARDS];
    CCard m_aStock[PILE_SLOTS];
    CCard m_aWaste[PILE_SLOTS];
    int m_nSelPos = POS_NONE;
    CCard m_cardSel;
    int m_nRecycle = 0;
    int m_anUndoPos[2] = {POS_NONE, POS_NONE};
    CCard m_aUndoCard[2];
    bool m_bJokerNotice = true;
    bool m_bLossNotified = false;
    bool m_bCleared = false;
    std::string m_strLastPlayer;
    int m_iMaxPoint = 0;
    std::string m_strChamp;
    std::string m_strFastPlayer;
    long m_lFastTimeSpan = 0;
    TimeSecs m_timeDeal = 0;
    TimeSecs m_timeLastClick = 0;
};
