// The celebration's motion, headless. Unless a row says otherwise the window
// is 632 x 420 with the 77 x 106 card: X 555, Y 314, steps 19 and 26. The
// expected routes were worked out by hand and with a separate model of the
// rules, never with the code under test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "celebration/AnimMotion.h"
#include "model/Random.h"

namespace {

constexpr PictureId kBack = 7;

CAnimSetup Window(int width, int height, int cardWidth = 77, int cardHeight = 106) {
    return CAnimSetup{width, height, cardWidth, cardHeight, kBack};
}

// Hands out a fixed queue of values, from the start again when it runs out.
class ScriptedRandom : public IRandom {
public:
    explicit ScriptedRandom(std::vector<int> values) : m_values(std::move(values)) {}
    int Rand() override { return m_values[m_draws++ % m_values.size()]; }
    size_t Draws() const { return m_draws; }

private:
    std::vector<int> m_values;
    size_t m_draws = 0;
};

std::string Text(CPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
void Append(std::string& list, const std::string& item) { list += (list.empty() ? "" : " ") + item; }

// The places of the next n ticks.
std::string Ticks(CAnimMotion& motion, int bonus, const CAnimSetup& window, int n) {
    std::string places;
    for (int i = 0; i < n; ++i) {
        const CRect r = motion.PlayFrame(bonus, window);
        Append(places, Text({r.left, r.top}));
    }
    return places;
}

// "t:x,y" for each of the next ticks, counted from 1, on which the card
// reaches a waypoint or takes a new direction.
std::string Turns(CAnimMotion& motion, int bonus, const CAnimSetup& window, int ticks) {
    std::string turns;
    for (int t = 1, index = motion.Index(); t <= ticks; ++t) {
        motion.PlayFrame(bonus, window);
        if (motion.Index() != index)
            Append(turns, std::to_string(t) + ":" + Text(motion.Card()));
        index = motion.Index();
    }
    return turns;
}

// The places drawn in the first 40 ticks, each once, in the order first reached.
std::string Places(int bonus, const CAnimSetup& window) {
    CRuntimeRandom random;
    CAnimRunState run;
    CAnimMotion motion(random, run);
    std::vector<std::string> seen;
    std::string places;
    for (int t = 0; t < 40; ++t) {
        const CRect r = motion.PlayFrame(bonus, window);
        const std::string p = Text({r.left, r.top});
        if (std::find(seen.begin(), seen.end(), p) == seen.end()) {
            seen.push_back(p);
            Append(places, p);
        }
    }
    return places;
}

// --- the route of each pattern -------------------------------------------------------

struct RouteCase {
    const char* name;
    int bonus;
    int width, height;
    const char* first;  // the places of the first four ticks
    int ticks;          // after the first: a whole lap of a tour
    const char* turns;
};
void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

const RouteCase kRoutes[] = {
    {"Border", 0, 632, 420, "0,0 19,0 38,0 57,0", 86, "30:555,0 43:555,314 73:0,314 86:0,0"},
    {"BorderInLegsOfWholeSteps", 0, 647, 418, "0,0 19,0 38,0 57,0", 84,
     "30:570,0 42:570,312 72:0,312 84:0,0"},
    {"EightRows", 5, 632, 420, "0,0 19,0 38,0 57,0", 148,
     "30:555,0 37:555,157 67:0,157 74:0,314 104:555,314 111:555,157 141:0,157 148:0,0"},
    {"EightColumns", 10, 632, 420, "0,0 19,0 38,0 57,0", 112,
     "15:277,0 28:277,314 43:555,314 56:555,0 71:277,0 84:277,314 99:0,314 112:0,0"},
    {"Grid", 20, 632, 420, "0,0 19,0 38,0 57,0", 176,
     "15:277,0 22:277,157 29:277,0 44:555,0 51:555,157 66:277,157 81:555,157 88:555,314 "
     "103:277,314 110:277,157 117:277,314 132:0,314 139:0,157 154:277,157 169:0,157 176:0,0"},
    {"Zigzag", 200, 632, 420, "0,0 19,0 38,0 57,0", 195,
     "30:555,0 32:555,52 62:0,52 65:0,106 95:555,106 97:555,158 127:0,158 130:0,212 "
     "160:555,212 162:555,264 192:0,264 194:0,314 195:0,0"},
    // In a field 38 wide: the bottom at the foot of a right drop, of a left
    // drop, and within a right drop.
    {"ZigzagEndingOnTheRight", 200, 115, 264, "0,0 19,0 38,0 38,26", 14,
     "2:38,0 4:38,52 6:0,52 9:0,106 11:38,106 13:38,158 14:0,0"},
    {"ZigzagEndingOnTheLeft", 200, 115, 318, "0,0 19,0 38,0 38,26", 19,
     "2:38,0 4:38,52 6:0,52 9:0,106 11:38,106 13:38,158 15:0,158 18:0,212 19:0,0"},
    {"ZigzagCutShortOnTheLeft", 200, 115, 276, "0,0 19,0 38,0 38,26", 17,
     "2:38,0 4:38,52 6:0,52 9:0,106 11:38,106 13:38,158 15:0,158 16:0,170 17:0,0"},
    {"SpiralOfWidthBoundRings", 2000, 191, 264, "0,0 19,0 38,0 57,0", 58,
     "6:114,0 13:114,158 19:0,158 26:0,0 27:19,26 31:95,26 36:95,132 40:19,132 45:19,26 46:38,52 48:76,52 "
     "51:76,106 53:38,106 56:38,52 57:57,78 58:0,0"},
    {"SpiralOfHeightBoundRings", 2000, 197, 210, "0,0 19,0 38,0 57,0", 39,
     "7:120,0 11:120,104 18:0,104 22:0,0 23:19,26 28:101,26 30:101,78 35:19,78 37:19,26 38:38,52 39:0,0"},
    {"CornerWalk", 50, 632, 420, "0,0 19,0 38,0 57,0", 140, "30:555,0 60:0,0 90:555,0 103:555,314 133:0,314"},
    {"ColumnsWrappingToTheLeft", 100, 115, 420, "0,314 0,288 0,262 0,236", 45,
     "11:0,41 12:19,314 15:19,255 16:38,314 26:38,54 27:0,314 35:0,124 36:19,314"},
    {"Wander", 500, 632, 420, "0,0 19,0 38,0 57,0", 40, "6:76,0 11:0,26 16:0,104 21:19,0 26:76,0 31:19,0"},
    {"Bounce", 1000, 632, 420, "0,0 19,26 38,52 57,78", 72,
     "13:229,314 14:229,314 27:458,0 28:458,0 34:555,132 35:555,132 42:422,314 43:422,314 "
     "56:192,0 57:192,0 68:0,262 69:0,262 71:38,314 72:38,314"},
    // The bottom crossing truncates to x 228, which the card reaches while
    // still a pixel above the edge: x is tested first, and it arrives.
    {"BounceWithXArrivingFirst", 1000, 632, 419, "0,0 19,26 38,52 57,78", 40,
     "12:228,313 13:228,313 25:456,0 26:456,0 32:555,135 33:555,135 40:424,313"},
    {"AnyOtherBonus", 7, 632, 420, "0,0 19,0 38,0 57,0", 30, "30:555,0"},
};

class MotionRoute : public testing::TestWithParam<RouteCase> {};

// The random patterns draw from the game's own generator, as in a real run.
TEST_P(MotionRoute, FirstPlacesAndTurns) {
    const RouteCase& c = GetParam();
    CRuntimeRandom random, lapRandom;
    CAnimRunState run, lapRun;
    CAnimMotion head(random, run), lap(lapRandom, lapRun);
    EXPECT_EQ(Ticks(head, c.bonus, Window(c.width, c.height), 4), c.first);
    const CRect r = lap.PlayFrame(c.bonus, Window(c.width, c.height));
    EXPECT_EQ(Text({r.right - r.left, r.bottom - r.top}), "77,106");
    EXPECT_EQ(lap.Image(), kBack);
    EXPECT_EQ(Turns(lap, c.bonus, Window(c.width, c.height), c.ticks), c.turns);
}

INSTANTIATE_TEST_SUITE_P(Patterns, MotionRoute, testing::ValuesIn(kRoutes),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(MotionTours, SpiralOfTheTableWindow) {
    ScriptedRandom random({0});
    CAnimRunState run;
    CAnimMotion motion(random, run);
    motion.PlayFrame(2000, Window(632, 420));
    const std::vector<WAYPOINT>& w = motion.Waypoints();
    ASSERT_EQ(w.size(), 36u);
    // The innermost of the seven rings, then the inside corner of the next.
    const std::vector<WAYPOINT> inner = {{114, 156, 19, 0}, {441, 156, 0, 26}, {441, 158, -19, 0},
                                         {114, 158, 0, -26}, {114, 156, 0, 0},  {133, 182, 0, 0}};
    EXPECT_EQ(std::vector<WAYPOINT>(w.begin() + 30, w.end()), inner);
}

// --- random choices ---------------------------------------------------------------

// At each corner of a 38 x 52 field, an odd draw sends the card back and an
// even one onto the other edge: all twelve cases, in 24 ticks. Evens that
// are no multiple of 3 and odds that are tell a parity from a remainder by 3.
TEST(MotionRandom, CornerWalkChoosesByParityAtEveryCorner) {
    ScriptedRandom random({2, 3, 9, 4, 8, 10, 15, 14, 16, 20, 22, 21});
    CAnimRunState run;
    CAnimMotion motion(random, run);
    motion.PlayFrame(50, Window(115, 158));
    EXPECT_EQ(Turns(motion, 50, Window(115, 158), 24),
              "2:38,0 4:38,52 6:38,0 8:38,52 10:0,52 12:0,0 14:38,0 16:0,0 18:0,52 20:38,52 22:38,0 24:0,0");
    EXPECT_EQ(random.Draws(), 12u);
}

// In a field one pixel square every move stops at an edge or is blocked:
// right stops, right is blocked so up is drawn (blocked too), then down
// stops; down blocked, left stops; left blocked, up stops; right stops.
// Values of 4 and more tell a remainder by 4 from one by 5. Each place comes
// with the run's counter, which a stop at an edge sets to force a draw.
// Steps that land exactly on an edge are plain moves: the direction holds
// until the next step is blocked (draws of 7, 5 and 6 turn down, left, up).
TEST(MotionRandom, WanderStopsAtEdgesAndRedrawsOnlyBlockedDirections) {
    struct Row { std::vector<int> draws; CAnimSetup window; int ticks; const char* places; };
    const Row rows[] = {
        {{4, 6, 7, 11, 9, 5, 10, 8}, Window(78, 107), 6, "0,0/-1 1,0/5 1,1/5 0,1/5 0,0/5 1,0/5"},
        {{7, 5, 6}, Window(114, 156, 76, 104), 9, "0,0/-1 19,0/0 38,0/1 38,26/0 38,52/1 19,52/0 0,52/1 0,26/0 0,0/1"},
    };
    for (const Row& row : rows) {
        ScriptedRandom random(row.draws);
        CAnimRunState run;
        CAnimMotion motion(random, run);
        std::string places;
        for (int t = 0; t < row.ticks; ++t) {
            const CRect r = motion.PlayFrame(500, row.window);
            Append(places, Text({r.left, r.top}) + "/" + std::to_string(run.s_nWanderTicks));
        }
        EXPECT_EQ(places, row.places);
        EXPECT_EQ(random.Draws(), row.draws.size());
    }
}

// --- what one celebration leaves to the next ------------------------------------------

TEST(MotionRunState, CarriesTheWanderCounterAndTheBounce) {
    ScriptedRandom random({7});
    CAnimRunState run;
    {
        CAnimMotion first(random, run);
        EXPECT_EQ(Ticks(first, 500, Window(632, 420), 4), "0,0 19,0 38,0 57,0");
    }
    EXPECT_EQ(run.s_nWanderTicks, 2);
    {
        // Two more moves make five: the third move of this one draws anew.
        CAnimMotion second(random, run);
        EXPECT_EQ(Ticks(second, 500, Window(632, 420), 5), "0,0 19,0 38,0 38,26 38,52");
    }
    EXPECT_EQ(random.Draws(), 1u);
    {
        CAnimMotion bounce(random, run);
        Ticks(bounce, 1000, Window(632, 420), 20);
    }
    EXPECT_EQ(run.s_ptNextHit, (CPoint{458, 0}));
    EXPECT_EQ(run.s_ptNextVelocity, (CPoint{19, 26}));
}

// --- bounces -----------------------------------------------------------------------

TEST(MotionBounce, IntersectLines) {
    struct Row { int a[8]; CPoint expected; };
    constexpr int kMax = 2147483647;
    const Row rows[] = {
        {{0, 0, 19, 26, 555, 0, 555, 314}, {555, 759}},  // the right edge, below the window
        {{0, 0, 19, 26, 0, 314, 555, 314}, {229, 314}},  // 229.46 on the bottom edge
        {{0, 0, 2, -3, 3, 0, 3, 10}, {3, -4}},           // -4.5 truncates toward zero
        {{1, 3, 3, 7, 2, 8, 6, 4}, {3, 7}},              // slopes 2 and -1
        {{4, 0, 0, -8, 0, 10, 10, 15}, {12, 16}},        // slopes 2 and 1/2
        {{1, 3, 3, 7, 5, 0, 5, 9}, {5, 11}},             // a vertical second line
        {{0, 0, 1, 1, 0, 5, 1, 6}, {kMax, kMax}},        // parallel above: no crossing
        {{0, 5, 1, 6, 0, 0, 1, 1}, {-kMax - 1, -kMax - 1}},
        {{0, 0, 1, 1, 2, 2, 3, 3}, {0, 0}},              // the same line
    };
    for (const Row& r : rows) {
        const int* a = r.a;
        EXPECT_EQ(Text(CAnimMotion::IntersectLines(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7])),
                  Text(r.expected))
            << "row " << &r - rows;
    }
}

TEST(MotionBounce, NextEdgePointAndVelocity) {
    struct Row { const char* name; WAYPOINT from; int maxX, maxY; CPoint hit, velocity; };
    const Row rows[] = {
        {"right-down, side edge", {458, 0, 19, 26}, 555, 314, {555, 132}, {-19, 26}},
        {"right-down, corner", {0, 54, 19, 26}, 190, 314, {190, 314}, {-19, -26}},
        {"right-down, beyond: bottom", {0, 0, 19, 26}, 555, 314, {229, 314}, {19, -26}},
        {"right-up, side edge", {400, 300, 19, -26}, 555, 314, {555, 87}, {-19, -26}},
        {"right-up, corner", {0, 260, 19, -26}, 190, 314, {190, 0}, {-19, 26}},
        {"right-up, beyond: top", {0, 300, 19, -26}, 555, 314, {219, 0}, {19, 26}},
        {"left-down, side edge", {200, 0, -19, 26}, 555, 314, {0, 273}, {19, 26}},
        {"left-down, corner", {190, 54, -19, 26}, 190, 314, {0, 314}, {19, -26}},
        {"left-down, beyond: bottom", {300, 0, -19, 26}, 555, 314, {70, 314}, {-19, -26}},
        {"left-up, side edge", {200, 300, -19, -26}, 555, 314, {0, 26}, {19, -26}},
        {"left-up, side edge a pixel below the corner", {19, 27, -19, -26}, 555, 314, {0, 1}, {19, -26}},
        {"left-up, corner", {190, 260, -19, -26}, 190, 314, {0, 0}, {19, 26}},
        {"left-up, beyond: top", {555, 132, -19, -26}, 555, 314, {458, 0}, {-19, 26}},
        {"left-up, beyond: top a pixel off the corner", {20, 25, -19, -26}, 555, 314, {1, 0}, {-19, 26}},
        {"right-down, steps of one pixel, beyond: bottom", {0, 0, 1, 1}, 6, 4, {4, 4}, {1, -1}},
        // Within a pixel of a corner the card bounces out of that corner.
        {"top crossing truncated onto the left edge", {0, 1, 19, -26}, 555, 314, {0, 0}, {19, 26}},
        {"bottom crossing truncated onto the left edge", {0, 313, 19, 26}, 555, 314, {0, 314}, {19, -26}},
        {"top crossing truncated onto the left edge, moving left", {19, 25, -19, -26}, 555, 314, {0, 0}, {19, 26}},
        {"side edge met behind, top", {555, 0, 19, 26}, 555, 314, {555, 0}, {-19, 26}},
        {"side edge met behind, bottom", {0, 314, -19, -26}, 555, 314, {0, 314}, {19, -26}},
        {"bottom crossing at the corner the card stands in", {1, 1, -1, 1}, 1, 1, {1, 1}, {-1, -1}},
        {"side edge met behind in a field a pixel tall", {555, 1, 19, -26}, 555, 1, {555, 1}, {-19, -26}},
        // No room or no motion: the card stays; a step on one axis only
        // (a card under four pixels) runs straight to the edge and back.
        {"no room across", {0, 0, 19, 26}, 0, 314, {0, 0}, {0, 0}},
        {"no room down", {0, 0, 19, 26}, 555, 0, {0, 0}, {0, 0}},
        {"not moving", {3, 4, 0, 0}, 555, 314, {3, 4}, {0, 0}},
        {"straight down", {7, 0, 0, 1}, 555, 314, {7, 314}, {0, -1}},
        {"straight up", {7, 300, 0, -26}, 555, 314, {7, 0}, {0, 26}},
        {"straight left", {100, 7, -19, 0}, 555, 314, {0, 7}, {19, 0}},
        {"straight right", {100, 7, 1, 0}, 555, 314, {555, 7}, {-1, 0}},
    };
    for (const Row& r : rows) {
        CPoint hit{-1, -1}, velocity{-1, -1};
        CAnimMotion::NextBounceFrom(r.from, r.maxX, r.maxY, hit, velocity);
        EXPECT_EQ(Text(hit) + " " + Text(velocity), Text(r.hit) + " " + Text(r.velocity)) << r.name;
    }
}

// --- windows too small for a pattern, cards too small to step -----------------------------

// The places each pattern draws in its first 40 ticks, in the order first
// reached, for the bonuses 0, 5, 10, 20, 50, 100, 200, 500, 1000, 2000.
TEST(MotionDegenerate, SmallWindowsAndCards) {
    struct Row { const char* name; int width, height, cardWidth, cardHeight; const char* places[10]; };
    const Row rows[] = {
        {"empty client", 0, 0, 77, 106,
         {"0,0 -77,0 -77,-106 0,-106", "0,0 -77,0 -77,-53 0,-53 0,-106 -77,-106",
          "0,0 -38,0 -38,-106 -77,-106 -77,0 0,-106",
          "0,0 -38,0 -38,-53 -77,0 -77,-53 -77,-106 -38,-106 0,-106 0,-53", "0,0 -77,0 -77,-106 0,-106",
          "0,-106", "0,0 0,-106", "0,0 -77,0 0,-106 -77,-106", "0,0", "0,0"}},
        {"exactly one card", 77, 106, 77, 106, {"0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0"}},
        {"one step wide", 96, 106, 77, 106,
         {"0,0 19,0", "0,0 19,0", "0,0 9,0 19,0", "0,0 9,0 19,0", "0,0 19,0", "0,0 19,0", "0,0", "0,0 19,0", "0,0",
          "0,0"}},
        {"a pixel of room", 78, 107, 77, 106,
         {"0,0 1,0 1,1 0,1", "0,0 1,0 0,1 1,1", "0,0 0,1 1,1 1,0", "0,0 1,0 1,1 0,1", "0,0 1,0 1,1 0,1", "0,1 0,0",
          "0,0 1,0 1,1", "0,0 1,0 0,1 1,1", "0,0 1,1", "0,0"}},
        {"steps of one pixel", 6, 6, 5, 5,
         {"0,0 1,0 1,1 0,1", "0,0 1,0 0,1 1,1", "0,0 0,1 1,1 1,0", "0,0 1,0 1,1 0,1", "0,0 1,0 1,1 0,1",
          "0,1 0,0 1,1 1,0", "0,0 1,0 1,1", "0,0 1,0 0,1 1,1", "0,0 1,1", "0,0"}},
        {"steps of one pixel, no room", 4, 4, 4, 4,
         {"0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0", "0,0"}},
        {"card under four pixels", 10, 10, 3, 3,
         {"0,0 7,0 7,7 0,7", "0,0 7,0 7,3 0,3 0,7 7,7", "0,0 3,0 3,7 7,7 7,0 0,7",
          "0,0 3,0 3,3 7,0 7,3 7,7 3,7 0,7 0,3", "0,0", "0,7 0,6 0,1 0,5 0,3 0,2 0,0 0,4",
          "0,0 7,0 0,3 7,3 0,6 7,6 0,7", "0,0", "0,0", "0,0"}},
        {"no card", 5, 5, 0, 0,
         {"0,0 5,0 5,5 0,5", "0,0 5,0 5,2 0,2 0,5 5,5", "0,0 2,0 2,5 5,5 5,0 0,5",
          "0,0 2,0 2,2 5,0 5,2 5,5 2,5 0,5 0,2", "0,0", "0,5 0,1 0,2 0,4 0,0 0,3", "0,0 0,5", "0,0", "0,0", "0,0"}},
    };
    const int bonuses[10] = {0, 5, 10, 20, 50, 100, 200, 500, 1000, 2000};
    for (const Row& r : rows) {
        for (int b = 0; b < 10; ++b)
            EXPECT_EQ(Places(bonuses[b], Window(r.width, r.height, r.cardWidth, r.cardHeight)), r.places[b])
                << r.name << ", bonus " << bonuses[b];
    }
    // Where the spiral has barely room for a ring, or a card too small to
    // step on one axis, and the zigzag of a card one pixel tall.
    struct OddRow { const char* name; int bonus, width, height, cardWidth, cardHeight; const char* places; };
    const OddRow odd[] = {
        {"spiral, no half-step of room across", 2000, 77, 132, 77, 106, "0,0"},
        {"spiral, two pixels of room across", 2000, 79, 132, 77, 106, "0,0 2,0 2,26 0,26 19,26"},
        {"spiral, card too narrow to step", 2000, 5, 7, 3, 5, "0,0 2,0 2,1 2,2 0,2 0,1"},
        {"spiral, card too low to step", 2000, 7, 3, 5, 1, "0,0 1,0 2,0 2,2 1,2 0,2"},
        {"zigzag, card one pixel tall", 200, 7, 3, 5, 1, "0,0 1,0 2,0 0,1 1,1 2,1 0,2"},
    };
    for (const OddRow& r : odd)
        EXPECT_EQ(Places(r.bonus, Window(r.width, r.height, r.cardWidth, r.cardHeight)), r.places) << r.name;
}

}  // namespace
