// Finds lines of play for the deals the program makes, for the end-to-end tests.
//
// The program's generator is never reseeded, so the first deal of a run
// depends only on the clock at the moment of the deal. This tool deals with
// the game model itself, through a host whose clock stands at a chosen time,
// and searches the model for a line of clicks (place numbers, as the view's
// hit test would resolve them) that clears the triangle with a chosen bonus.
// The program and the tool cannot disagree about the rules: both run the same
// document code.
//
//   solver deal T [T_END]          the deal(s) made at time T (.. T_END)
//   solver solve T BONUS           a line that clears the deal of T paying BONUS
//   solver find T0 T1 BONUS [N [SPAN]]
//                                  the first N times in T0..T1 whose deal allows
//                                  BONUS, as do the deals of the SPAN-1 seconds after
//                                  (the program may deal a second or two late)
//   solver lose T                  a line that ends in the loss question, taking
//                                  as few cards as it can
//   solver replay T CLICK...       the table after each click of a line (a place
//                                  number, or "u" for the undo command)
//
// Output is plain "key value..." lines; card codes are in hexadecimal and
// triangle places are in index order (position = index + 3).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Random.h"
#include "model/Tolvane32Doc.h"

namespace {

// The clock stands still at the deal time; the generator starts fresh, as it
// does when the program starts.
class DealHost : public IHost {
public:
    explicit DealHost(TimeSecs now) : m_now(now) {}
    int Rand() override { return m_random.Rand(); }
    TimeSecs Now() override { return m_now; }
    void Beep() override {}
    int AskPlayerName(const std::string&, std::string&) override { return IDCANCEL; }

private:
    TimeSecs m_now;
    CRuntimeRandom m_random;
};

// No settings file: every value has its default.
class NoSettings : public ISettings {
public:
    int GetInt(const char*, const char*, int def) override { return def; }
    std::string GetString(const char*, const char*, const char* def) override { return def; }
    void WriteString(const char*, const char*, const std::string&) override {}
};

class AllPictures : public IPictureSource {
public:
    bool PictureSize(PictureId, int& width, int& height) const override
    {
        width = 77;
        height = 106;
        return true;
    }
};

// Answers the joker notice with Yes and the loss question with Cancel, and
// remembers which messages came, so the line can say where a box will show.
class SearchView : public IDocView {
public:
    void ToggleHighlight(const CRect&) override {}
    int ShowMessage(int stringId, unsigned) override
    {
        messages.push_back(stringId);
        return stringId == 60006 ? IDYES : IDCANCEL;
    }
    void AnimateCardFall(CCard, const CRect&) override {}
    void RefreshScoreLine() override {}
    void StartCelebration() override { ++celebrations; }
    void PostCommand(int) override {}

    std::vector<int> messages;
    int celebrations = 0;
};

struct Setup {
    explicit Setup(TimeSecs t) : host(t)
    {
        images.LoadImages(pictures, settings);
        doc = new CTolvane32Doc(host, settings, images);
        doc->SetView(&view);
        doc->DealCards();
    }
    ~Setup() { delete doc; }
    Setup(const Setup&) = delete;
    Setup& operator=(const Setup&) = delete;

    DealHost host;
    NoSettings settings;
    AllPictures pictures;
    CCardImageSet images;
    SearchView view;
    CTolvane32Doc* doc = nullptr;
};

// One click as the view delivers it: the document operation for the place,
// then the end-of-deal check. Returns the messages shown during the click.
std::vector<int> Click(CTolvane32Doc& doc, SearchView& view, int position)
{
    view.messages.clear();
    if (position == POS_STOCK)
        doc.OnStockClick();
    else if (position == POS_WASTE)
        doc.OnWasteClick();
    else if (doc.GetPositionState(position) == PS_FREE)
        doc.OnCardClick(position);
    doc.CheckGameOver();
    return view.messages;
}

int WasteTopSlot(const CTolvane32Doc& doc)
{
    for (int i = PILE_SLOTS - 1; i >= 0; --i) {
        if (!doc.m_aWaste[i].IsEmpty())
            return i;
    }
    return -1;
}

struct Line {
    std::vector<int> clicks;
    std::vector<std::pair<int, int>> messages;  // click index, string id
};

// Depth-first search over the document. A move is one or two clicks that
// leave nothing selected; states already explored are not entered again.
class Solver {
public:
    // Searches for a clear with the given turn-backs and jokers left, or, with
    // recycles < 0, for a line that ends in the loss question.
    Solver(CTolvane32Doc& start, SearchView& view, int recycles, int jokersLeft, long maxStates)
        : m_view(view), m_lose(recycles < 0), m_recycles(m_lose ? MAX_RECYCLE : recycles), m_jokers(m_lose ? 0 : jokersLeft),
          m_maxStates(maxStates)
    {
        m_found = Search(start);
    }
    bool Found() const { return m_found; }
    bool GaveUp() const { return m_gaveUp; }
    const Line& Result() const { return m_line; }
    long States() const { return static_cast<long>(m_seen.size()); }

private:
    static std::string Key(const CTolvane32Doc& doc)
    {
        std::string key;
        std::uint32_t mask = 0;
        for (int i = 0; i < TRIANGLE_CARDS; ++i) {
            if (!doc.m_aTriangle[i].IsEmpty())
                mask |= 1u << i;
        }
        key.append(reinterpret_cast<const char*>(&mask), sizeof mask);
        key.push_back(static_cast<char>(doc.m_nRecycle));
        for (int i = 0; i < PILE_SLOTS && !doc.m_aStock[i].IsEmpty(); ++i)
            key.push_back(static_cast<char>(doc.m_aStock[i].GetCode()));
        key.push_back('|');
        for (int i = 0; i < PILE_SLOTS && !doc.m_aWaste[i].IsEmpty(); ++i)
            key.push_back(static_cast<char>(doc.m_aWaste[i].GetCode()));
        return key;
    }

    bool Goal(const CTolvane32Doc& doc) const
    {
        if (m_lose)
            return m_lost;
        return doc.m_aTriangle[0].IsEmpty() && doc.m_nRecycle == m_recycles && doc.CountJokersLeft() == m_jokers;
    }

    // The moves of a state, removals first: kings, then pairs, then the stock.
    std::vector<std::vector<int>> Moves(const CTolvane32Doc& doc) const
    {
        std::vector<std::vector<int>> moves;
        std::vector<int> free;
        for (int p = POS_TRIANGLE_LAST; p >= POS_TRIANGLE_FIRST; --p) {
            if (doc.GetPositionState(p) == PS_FREE)
                free.push_back(p);
        }
        const int top = WasteTopSlot(doc);
        const CCard waste = top >= 0 ? doc.m_aWaste[top] : CCard();
        for (int p : free) {
            if (doc.m_aTriangle[p - 3].GetRank() == 13)
                moves.push_back({p});
        }
        if (top >= 0 && waste.GetRank() == 13)
            moves.push_back({POS_WASTE});
        for (std::size_t a = 0; a < free.size(); ++a) {
            for (std::size_t b = a + 1; b < free.size(); ++b) {
                const CCard ca = doc.m_aTriangle[free[a] - 3];
                const CCard cb = doc.m_aTriangle[free[b] - 3];
                if (ca.GetRank() != 13 && cb.GetRank() != 13 && CTolvane32Doc::IsPair(ca, cb))
                    moves.push_back({free[a], free[b]});
            }
        }
        if (top >= 0 && waste.GetRank() != 13) {
            const bool jokerAllowed = doc.CountJokersLeft() > m_jokers;
            for (int p : free) {
                const CCard c = doc.m_aTriangle[p - 3];
                if (waste.IsJoker()) {
                    if (jokerAllowed)
                        moves.push_back({POS_WASTE, p});
                } else if (c.GetRank() != 13 && CTolvane32Doc::IsPair(waste, c)) {
                    moves.push_back({POS_WASTE, p});
                }
            }
        }
        const bool stockEmpty = doc.m_aStock[0].IsEmpty();
        if (!stockEmpty || doc.m_nRecycle < m_recycles) {
            // A loss wants the stock turned before anything is taken.
            if (m_lose)
                moves.insert(moves.begin(), {POS_STOCK});
            else
                moves.push_back({POS_STOCK});
        }
        return moves;
    }

    bool Search(const CTolvane32Doc& doc)
    {
        if (Goal(doc))
            return true;
        if (doc.m_aTriangle[0].IsEmpty() || doc.m_nRecycle > m_recycles || doc.CountJokersLeft() < m_jokers)
            return false;
        if (m_lose && doc.m_bLossNotified)
            return false;
        if (static_cast<long>(m_seen.size()) >= m_maxStates) {
            m_gaveUp = true;
            return false;
        }
        if (!m_seen.insert(Key(doc)).second)
            return false;
        for (const std::vector<int>& move : Moves(doc)) {
            CTolvane32Doc next(doc);
            const std::size_t mark = m_line.clicks.size();
            const std::size_t marks = m_line.messages.size();
            for (int position : move) {
                for (int id : Click(next, m_view, position)) {
                    m_line.messages.emplace_back(static_cast<int>(m_line.clicks.size()), id);
                    m_lost = m_lost || id == 60014;
                }
                m_line.clicks.push_back(position);
            }
            if (Search(next))
                return true;
            m_line.clicks.resize(mark);
            m_line.messages.resize(marks);
            if (m_gaveUp)
                return false;
        }
        return false;
    }

    SearchView& m_view;
    bool m_lose;
    bool m_lost = false;
    int m_recycles;
    int m_jokers;
    long m_maxStates;
    bool m_found = false;
    bool m_gaveUp = false;
    Line m_line;
    std::unordered_set<std::string> m_seen;
};

// The turn-backs and jokers left that pay a bonus; false for other values.
bool BonusShape(int bonus, int& recycles, int& jokersLeft)
{
    static const int table[4][3] = {{500, 1000, 2000}, {50, 100, 200}, {5, 10, 20}, {0, 0, 0}};
    for (int r = 0; r < 4; ++r) {
        for (int j = 2; j >= 0; --j) {
            if (table[r][j] == bonus) {
                recycles = r;
                jokersLeft = j;
                return true;
            }
        }
    }
    return false;
}

void PrintDeal(TimeSecs t, const CTolvane32Doc& doc)
{
    std::printf("time %lld\ntriangle", static_cast<long long>(t));
    for (const CCard& c : doc.m_aTriangle)
        std::printf(" %02x", c.GetCode());
    std::printf("\nstock");
    for (const CCard& c : doc.m_aStock)
        std::printf(" %02x", c.GetCode());
    std::printf("\n");
}

void PrintLine(const Line& line)
{
    std::printf("clicks");
    for (int p : line.clicks)
        std::printf(" %d", p);
    std::printf("\nmessages");
    for (const auto& [index, id] : line.messages)
        std::printf(" %d:%d", index, id);
    std::printf("\n");
}

bool Solve(TimeSecs t, int bonus, long maxStates, bool print)
{
    int recycles = 0;
    int jokers = 0;
    if (!BonusShape(bonus, recycles, jokers)) {
        std::fprintf(stderr, "no clear pays %d\n", bonus);
        return false;
    }
    Setup setup(t);
    Solver solver(*setup.doc, setup.view, recycles, jokers, maxStates);
    if (print) {
        PrintDeal(t, *setup.doc);
        std::printf("bonus %d\n", bonus);
        if (solver.Found())
            PrintLine(solver.Result());
        else
            std::printf("none %s\n", solver.GaveUp() ? "gave-up" : "exhausted");
    }
    return solver.Found();
}

bool Lose(TimeSecs t, long maxStates)
{
    Setup setup(t);
    Solver solver(*setup.doc, setup.view, -1, 0, maxStates);
    PrintDeal(t, *setup.doc);
    if (solver.Found())
        PrintLine(solver.Result());
    else
        std::printf("none %s\n", solver.GaveUp() ? "gave-up" : "exhausted");
    return solver.Found();
}

// The table after a click: what the view would draw and the status it shows.
void PrintState(int step, const CTolvane32Doc& doc, const std::vector<int>& messages)
{
    std::printf("after %d triangle", step);
    for (const CCard& c : doc.m_aTriangle)
        std::printf(" %02x", c.GetCode());
    int stock = 0;
    while (stock < PILE_SLOTS && !doc.m_aStock[stock].IsEmpty())
        ++stock;
    const int top = WasteTopSlot(doc);
    std::printf(" stock %d waste %02x sel %d recycle %d score %d bonus %d undo %d cleared %d messages", stock,
                top >= 0 ? doc.m_aWaste[top].GetCode() : 0, doc.m_nSelPos, doc.m_nRecycle, doc.m_nScore,
                doc.GetBonus(), doc.CanUndo() ? 1 : 0, doc.m_bCleared ? 1 : 0);
    for (int id : messages)
        std::printf(" %d", id);
    std::printf("\n");
}

int Replay(TimeSecs t, int count, char** clicks)
{
    Setup setup(t);
    PrintDeal(t, *setup.doc);
    PrintState(0, *setup.doc, {});
    for (int i = 0; i < count; ++i) {
        std::vector<int> messages;
        if (std::strcmp(clicks[i], "u") == 0) {
            if (setup.doc->CanUndo())
                setup.doc->Undo();
        } else {
            messages = Click(*setup.doc, setup.view, std::atoi(clicks[i]));
        }
        PrintState(i + 1, *setup.doc, messages);
    }
    return 0;
}

TimeSecs ParseTime(const char* text) { return static_cast<TimeSecs>(std::strtoll(text, nullptr, 10)); }

int Usage()
{
    std::fprintf(stderr,
                 "usage: solver deal T [T_END] | solve T BONUS | find T0 T1 BONUS [COUNT [SPAN]] | lose T | replay T CLICK...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    constexpr long kMaxStates = 2000000;
    // Searching many deals: most winnable deals are won within a few thousand
    // states, so the hard ones are left out rather than searched to the end.
    constexpr long kFindBudget = 20000;
    if (command == "deal") {
        const TimeSecs t0 = ParseTime(argv[2]);
        const TimeSecs t1 = argc > 3 ? ParseTime(argv[3]) : t0;
        for (TimeSecs t = t0; t <= t1; ++t) {
            Setup setup(t);
            PrintDeal(t, *setup.doc);
        }
        return 0;
    }
    if (command == "solve" && argc >= 4)
        return Solve(ParseTime(argv[2]), std::atoi(argv[3]), kMaxStates, true) ? 0 : 1;
    if (command == "find" && argc >= 5) {
        const int count = argc > 5 ? std::atoi(argv[5]) : 1;
        const int span = argc > 6 ? std::atoi(argv[6]) : 1;
        int found = 0;
        for (TimeSecs t = ParseTime(argv[2]); t <= ParseTime(argv[3]) && found < count; ++t) {
            // A small budget per deal: plenty of deals are easy, so skip the hard ones.
            bool all = true;
            for (int k = 0; k < span && all; ++k)
                all = Solve(t + k, std::atoi(argv[4]), kFindBudget, false);
            if (all) {
                Solve(t, std::atoi(argv[4]), kFindBudget, true);
                ++found;
            }
        }
        return found > 0 ? 0 : 1;
    }
    if (command == "replay")
        return Replay(ParseTime(argv[2]), argc - 3, argv + 3);
    if (command == "lose")
        return Lose(ParseTime(argv[2]), kMaxStates) ? 0 : 1;
    return Usage();
}
