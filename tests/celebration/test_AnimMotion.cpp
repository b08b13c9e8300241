// The celebration's ten motion patterns, headless: the worked figures of a
// 632 x 420 client with the 77 x 106 card (X 555, Y 314, steps 19 and 26),
// the random choices, and windows too small for a pattern.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "celebration/AnimMotion.h"
#include "model/Random.h"

// Readable failures: points and waypoints print as coordinates.
void PrintTo(const CPoint& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
void PrintTo(const CRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
void PrintTo(const WAYPOINT& w, std::ostream* os) {
    *os << "{" << w.x << ", " << w.y << ", " << w.dx << ", " << w.dy << "}";
}

namespace {

constexpr int kBack = 7;
constexpr CAnimSetup kTable{632, 420, 77, 106, kBack};
constexpr int X = 555;
constexpr int Y = 314;
constexpr int SX = 19;
constexpr int SY = 26;

// Hands out a fixed list of values in turn and counts the draws.
class ScriptedRandom : public IRandom {
public:
    explicit ScriptedRandom(std::vector<int> values) : m_values(std::move(values)) {}
    int Rand() override {
        const int v = m_values[m_next % m_values.size()];
        ++m_next;
        return v;
    }
    size_t Calls() const { return m_next; }

private:
    std::vector<int> m_values;
    size_t m_next = 0;
};

CAnimSetup Client(int width, int height) {
    return CAnimSetup{width, height, 77, 106, kBack};
}

// A motion with its own generator and carried-over state.
struct Rig {
    explicit Rig(std::vector<int> script = {0}) : random(std::move(script)), motion(random, run) {}
    ScriptedRandom random;
    CAnimRunState run;
    CAnimMotion motion;

    CPoint Tick(int bonus, const CAnimSetup& setup = kTable) {
        const CRect r = motion.PlayFrame(bonus, setup);
        return CPoint{r.left, r.top};
    }
    std::vector<CPoint> Ticks(int bonus, int n, const CAnimSetup& setup = kTable) {
        std::vector<CPoint> out;
        for (int i = 0; i < n; ++i)
            out.push_back(Tick(bonus, setup));
        return out;
    }
};

bool Contains(const std::vector<CPoint>& points, CPoint p) {
    return std::find(points.begin(), points.end(), p) != points.end();
}

// --- the tick and the common preparation ---------------------------------------

TEST(AnimMotionTick, FirstTickPreparesFromTheSetupAndDrawsAtTheStart) {
    const int bonuses[] = {0, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 7};
    for (int bonus : bonuses) {
        Rig rig;
        EXPECT_TRUE(rig.motion.IsFirstFrame());
        const CRect r = rig.motion.PlayFrame(bonus, kTable);
        EXPECT_FALSE(rig.motion.IsFirstFrame());
        EXPECT_EQ(rig.motion.StepX(), SX);
        EXPECT_EQ(rig.motion.StepY(), SY);
        EXPECT_EQ(rig.motion.MaxX(), X);
        EXPECT_EQ(rig.motion.MaxY(), Y);
        EXPECT_EQ(rig.motion.Image(), kBack);
        // The rising columns start at the bottom-left corner, all others top-left.
        const int top = bonus == 100 ? Y : 0;
        EXPECT_EQ(r, (CRect{0, top, 77, top + 106})) << "bonus " << bonus;
    }
}

TEST(AnimMotionTick, PatternAndSetupOfTheFirstTickAreKept) {
    Rig rig;
    rig.Tick(0);  // border
    // A later bonus or window size does not switch to another pattern's
    // state (the wander would find no table to walk).
    const CPoint p = rig.Tick(500, Client(200, 200));
    EXPECT_EQ(rig.motion.Pattern(), AnimPattern::Border);
    EXPECT_EQ(p, (CPoint{SX, 0}));
    EXPECT_EQ(rig.motion.MaxX(), X);
    EXPECT_EQ(rig.motion.Image(), kBack);
}

// --- tours ---------------------------------------------------------------

// Runs a tour until the card is back at the top-left corner at waypoint 0.
std::vector<CPoint> OneLap(Rig& rig, int bonus, const CAnimSetup& setup = kTable) {
    std::vector<CPoint> lap{rig.Tick(bonus, setup)};
    bool away = false;
    for (int i = 0; i < 10000; ++i) {
        lap.push_back(rig.Tick(bonus, setup));
        if (rig.motion.Index() != 0)
            away = true;
        else if (away || rig.motion.Waypoints().size() == 1)
            return lap;
    }
    ADD_FAILURE() << "the tour never came back to waypoint 0";
    return lap;
}

TEST(AnimMotionTours, BorderStepsAlongTheTopAndDownTheRightEdge) {
    Rig rig;
    const std::vector<CPoint> lap = OneLap(rig, 0);
    ASSERT_GT(lap.size(), 43u);
    for (int k = 0; k <= 29; ++k)
        EXPECT_EQ(lap[static_cast<size_t>(k)], (CPoint{SX * k, 0})) << k;
    EXPECT_EQ(lap[30], (CPoint{X, 0}));
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(lap[static_cast<size_t>(30 + k)], (CPoint{X, SY * k})) << k;
    EXPECT_EQ(lap[43], (CPoint{X, Y}));
    EXPECT_EQ(lap.back(), (CPoint{0, 0}));
    // 30 + 13 + 30 + 13 moves, and the second lap repeats the first.
    EXPECT_EQ(lap.size(), 87u);
    const std::vector<CPoint> again = OneLap(rig, 0);
    ASSERT_EQ(again.size(), lap.size() - 1);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), lap.begin() + 1));
}

// The x of every leftward move along y, and the y of every downward move along x.
std::multiset<int> LeftwardRows(const std::vector<CPoint>& lap) {
    std::multiset<int> rows;
    for (size_t i = 1; i < lap.size(); ++i)
        if (lap[i].y == lap[i - 1].y && lap[i].x < lap[i - 1].x && lap[i - 1].x == X)
            rows.insert(lap[i].y);
    return rows;
}

std::multiset<int> DownwardColumns(const std::vector<CPoint>& lap) {
    std::multiset<int> cols;
    for (size_t i = 1; i < lap.size(); ++i)
        if (lap[i].x == lap[i - 1].x && lap[i].y > lap[i - 1].y && lap[i - 1].y == 0)
            cols.insert(lap[i].x);
    return cols;
}

TEST(AnimMotionTours, FigureEightsCrossTheMiddleTwicePerLap) {
    Rig rows;
    const std::vector<CPoint> rowLap = OneLap(rows, 5);
    // Leftward sweeps that start at the right edge: the middle line twice.
    EXPECT_EQ(LeftwardRows(rowLap), (std::multiset<int>{157, 157}));
    EXPECT_TRUE(Contains(rowLap, CPoint{0, 157}));
    EXPECT_TRUE(Contains(rowLap, CPoint{X, Y}));

    Rig cols;
    const std::vector<CPoint> colLap = OneLap(cols, 10);
    EXPECT_EQ(DownwardColumns(colLap), (std::multiset<int>{277, 277}));
    EXPECT_TRUE(Contains(colLap, CPoint{277, Y}));
    EXPECT_TRUE(Contains(colLap, CPoint{0, Y}));
}

TEST(AnimMotionTours, GridRunsInToTheCentreFromEverySide) {
    Rig rig;
    const std::vector<CPoint> lap = OneLap(rig, 20);
    ASSERT_EQ(rig.motion.Waypoints().size(), 16u);
    const std::vector<CPoint> ends = {{277, 0}, {X, 157}, {277, Y}, {0, 157}};
    for (CPoint p : ends)
        EXPECT_TRUE(Contains(lap, p)) << p.x << "," << p.y;
    // The centre is reached four times per lap, once from each side.
    EXPECT_EQ(std::count(lap.begin(), lap.end(), CPoint{277, 157}), 4);
}

TEST(AnimMotionTours, ZigzagWaypoints) {
    Rig rig;
    rig.Tick(200);
    const std::vector<WAYPOINT> expected = {
        {0, 0, SX, 0},     {X, 0, 0, SY},     {X, 52, -SX, 0},   {0, 52, 0, SY},   {0, 106, SX, 0},
        {X, 106, 0, SY},   {X, 158, -SX, 0},  {0, 158, 0, SY},   {0, 212, SX, 0},  {X, 212, 0, SY},
        {X, 264, -SX, 0},  {0, 264, 0, SY},   {0, Y, 0, 0},
    };
    EXPECT_EQ(rig.motion.Waypoints(), expected);

    Rig lower;
    lower.Tick(200, Client(632, 356));
    const std::vector<WAYPOINT>& w = lower.motion.Waypoints();
    ASSERT_EQ(w.size(), 11u);
    EXPECT_EQ(w.back(), (WAYPOINT{X, 250, 0, 0}));
    EXPECT_EQ(w[9], (WAYPOINT{X, 212, 0, SY}));
}

TEST(AnimMotionTours, ZigzagEndsAtTheBottomAndJumpsHome) {
    Rig rig;
    const std::vector<CPoint> lap = OneLap(rig, 200);
    // Down the left edge from 264: 290, then 314; drawn there, then home.
    ASSERT_GE(lap.size(), 3u);
    EXPECT_EQ(lap[lap.size() - 3], (CPoint{0, 290}));
    EXPECT_EQ(lap[lap.size() - 2], (CPoint{0, Y}));
    EXPECT_EQ(lap.back(), (CPoint{0, 0}));
}

TEST(AnimMotionTours, SpiralRingsAndTheJumpHome) {
    Rig rig;
    rig.Tick(2000);
    const std::vector<WAYPOINT>& w = rig.motion.Waypoints();
    ASSERT_EQ(w.size(), 36u);
    EXPECT_EQ(w[0], (WAYPOINT{0, 0, SX, 0}));
    EXPECT_EQ(w[1], (WAYPOINT{X, 0, 0, SY}));
    EXPECT_EQ(w[4], (WAYPOINT{0, 0, 0, 0}));
    EXPECT_EQ(w[5], (WAYPOINT{SX, SY, SX, 0}));
    // The innermost ring.
    EXPECT_EQ(w[30], (WAYPOINT{114, 156, SX, 0}));
    EXPECT_EQ(w[31], (WAYPOINT{441, 156, 0, SY}));
    EXPECT_EQ(w[32], (WAYPOINT{441, 158, -SX, 0}));
    EXPECT_EQ(w[33], (WAYPOINT{114, 158, 0, -SY}));
    EXPECT_EQ(w[34], (WAYPOINT{114, 156, 0, 0}));
    EXPECT_EQ(w[35], (WAYPOINT{133, 182, 0, 0}));

    const std::vector<CPoint> lap = OneLap(rig, 2000);
    ASSERT_GE(lap.size(), 4u);
    EXPECT_EQ(lap[lap.size() - 4], (CPoint{114, 158}));
    EXPECT_EQ(lap[lap.size() - 3], (CPoint{114, 156}));
    EXPECT_EQ(lap[lap.size() - 2], (CPoint{133, 182}));
    EXPECT_EQ(lap.back(), (CPoint{0, 0}));
    EXPECT_EQ(std::count(lap.begin(), lap.end(), CPoint{133, 182}), 1);
}

// Every tour keeps the card inside the window, moves it by at most one step
// per axis except at a jump, and comes home.
TEST(AnimMotionTours, StayInsideAndMoveByStepsOrJumps) {
    const int bonuses[] = {0, 5, 10, 20, 200, 2000};
    const CAnimSetup sizes[] = {kTable, Client(640, 462), Client(200, 300), Client(78, 107)};
    for (const CAnimSetup& setup : sizes) {
        for (int bonus : bonuses) {
            Rig rig;
            const int maxX = setup.nClientWidth - 77, maxY = setup.nClientHeight - 106;
            std::vector<CPoint> lap = OneLap(rig, bonus, setup);
            ASSERT_EQ(lap.back(), (CPoint{0, 0}));
            const std::vector<WAYPOINT>& w = rig.motion.Waypoints();
            for (size_t i = 0; i < lap.size(); ++i) {
                const CPoint p = lap[i];
                EXPECT_TRUE(p.x >= 0 && p.x <= maxX && p.y >= 0 && p.y <= maxY)
                    << "bonus " << bonus << " at " << p.x << "," << p.y;
                if (i == 0)
                    continue;
                const CPoint q = lap[i - 1];
                const bool step = std::abs(p.x - q.x) <= SX && std::abs(p.y - q.y) <= SY;
                const bool jumpSource = std::any_of(w.begin(), w.end(), [&](const WAYPOINT& wp) {
                    return wp.x == q.x && wp.y == q.y && wp.dx == 0 && wp.dy == 0;
                });
                EXPECT_TRUE(step || jumpSource) << "bonus " << bonus << " from " << q.x << "," << q.y
                                                << " to " << p.x << "," << p.y;
            }
        }
    }
}

// --- bounce ------------------------------------------------------------------

TEST(AnimMotionBounce, FirstThreeEdgePoints) {
    Rig rig;
    rig.Tick(1000);
    EXPECT_EQ(rig.run.s_ptNextHit, (CPoint{229, 314}));
    EXPECT_EQ(rig.run.s_ptNextVelocity, (CPoint{19, -26}));

    // Twelve diagonal steps, the thirteenth lands on the edge point; the
    // jump tick draws it once more.
    std::vector<CPoint> path = rig.Ticks(1000, 14);
    EXPECT_EQ(path[11], (CPoint{228, 312}));
    EXPECT_EQ(path[12], (CPoint{229, 314}));
    EXPECT_EQ(path[13], (CPoint{229, 314}));
    EXPECT_EQ(rig.run.s_ptNextHit, (CPoint{458, 0}));
    EXPECT_EQ(rig.run.s_ptNextVelocity, (CPoint{19, 26}));
    EXPECT_EQ(rig.Tick(1000), (CPoint{248, 288}));

    while (rig.motion.Index() != 1)
        rig.Tick(1000);
    EXPECT_EQ(rig.motion.Card(), (CPoint{458, 0}));
    rig.Tick(1000);
    EXPECT_EQ(rig.run.s_ptNextHit, (CPoint{555, 132}));
    EXPECT_EQ(rig.run.s_ptNextVelocity, (CPoint{-19, 26}));
}

TEST(AnimMotionBounce, EdgeTableOfNextBounce) {
    CPoint hit, vel;
    // Across the window onto a side edge: the horizontal part turns.
    CAnimMotion::NextBounceFrom({458, 0, 19, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{555, 132}));
    EXPECT_EQ(vel, (CPoint{-19, 26}));
    CAnimMotion::NextBounceFrom({0, 200, -19, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{0, 200}));  // already on the left edge it heads for
    EXPECT_EQ(vel, (CPoint{19, 26}));
    // Beyond the corner ahead: the top or bottom edge, the vertical part turns.
    CAnimMotion::NextBounceFrom({555, 132, -19, -26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{458, 0}));
    EXPECT_EQ(vel, (CPoint{-19, 26}));
    CAnimMotion::NextBounceFrom({0, 300, 19, -26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{219, 0}));
    EXPECT_EQ(vel, (CPoint{19, 26}));
    CAnimMotion::NextBounceFrom({555, 10, -19, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit.x, 332);
    EXPECT_GE(hit.y, Y - 1);  // computed on the line of motion: may truncate one inside
    EXPECT_LE(hit.y, Y);
    EXPECT_EQ(vel, (CPoint{-19, -26}));
    CAnimMotion::NextBounceFrom({300, 0, -19, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit.x, 70);
    EXPECT_EQ(vel, (CPoint{-19, -26}));
}

TEST(AnimMotionBounce, CornerReversesBothComponents) {
    CPoint hit, vel;
    // Left and up from the right edge of a field 190 wide, straight into
    // the top-left corner.
    CAnimMotion::NextBounceFrom({190, 260, -19, -26}, 190, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{0, 0}));
    EXPECT_EQ(vel, (CPoint{19, 26}));
    // Right and down into the bottom-right corner.
    CAnimMotion::NextBounceFrom({0, 54, 19, 26}, 190, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{190, Y}));
    EXPECT_EQ(vel, (CPoint{-19, -26}));
}

TEST(AnimMotionBounce, WithinAPixelOfACornerStillBounces) {
    CPoint hit{-1, -1}, vel{-1, -1};
    // From the left edge one pixel below the corner, right and up: the top
    // edge is met at x 0.73, which truncates onto the corner.
    CAnimMotion::NextBounceFrom({0, 1, 19, -26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{0, 0}));
    EXPECT_EQ(vel, (CPoint{19, 26}));
    // The same at the bottom-left corner.
    CAnimMotion::NextBounceFrom({0, Y - 1, 19, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{0, Y}));
    EXPECT_EQ(vel, (CPoint{19, -26}));
    // The side edge met behind the vertical direction: at the corner.
    CAnimMotion::NextBounceFrom({X, 0, 19, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{X, 0}));
    EXPECT_EQ(vel, (CPoint{-19, 26}));
}

TEST(AnimMotionBounce, NoMotionOrNoRoomStaysPut) {
    CPoint hit{5, 5}, vel{5, 5};
    CAnimMotion::NextBounceFrom({3, 4, 0, 0}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{3, 4}));
    EXPECT_EQ(vel, (CPoint{0, 0}));
    CAnimMotion::NextBounceFrom({0, 0, 19, 26}, 0, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{0, 0}));
    EXPECT_EQ(vel, (CPoint{0, 0}));
    // A card too narrow for a sideways step goes straight down and back.
    CAnimMotion::NextBounceFrom({0, 0, 0, 26}, X, Y, hit, vel);
    EXPECT_EQ(hit, (CPoint{0, Y}));
    EXPECT_EQ(vel, (CPoint{0, -26}));
}

TEST(AnimMotionBounce, LongRunsNeverFreezeNorLeaveTheWindow) {
    const CAnimSetup sizes[] = {kTable, Client(267, 420), Client(640, 462), Client(78, 107),
                                Client(96, 132), Client(1000, 130), Client(90, 800)};
    for (const CAnimSetup& setup : sizes) {
        Rig rig;
        const int maxX = setup.nClientWidth - 77, maxY = setup.nClientHeight - 106;
        CPoint last{-1, -1};
        int still = 0;
        for (int i = 0; i < 20000; ++i) {
            const CPoint p = rig.Tick(1000, setup);
            ASSERT_TRUE(p.x >= 0 && p.x <= maxX && p.y >= 0 && p.y <= maxY)
                << setup.nClientWidth << "x" << setup.nClientHeight << " tick " << i << " at " << p.x << ","
                << p.y;
            still = (p == last) ? still + 1 : 0;
            // An edge point is drawn on the tick of arrival and on the jump.
            ASSERT_LE(still, 1) << setup.nClientWidth << "x" << setup.nClientHeight << " frozen at " << p.x
                                << "," << p.y;
            last = p;
        }
    }
}

TEST(AnimMotionBounce, IntersectLines) {
    EXPECT_EQ(CAnimMotion::IntersectLines(0, 0, 19, 26, 555, 0, 555, 314), (CPoint{555, 759}));
    EXPECT_EQ(CAnimMotion::IntersectLines(0, 0, 19, 26, 0, 314, 555, 314), (CPoint{229, 314}));
    // Truncation toward zero on both sides of the axis.
    EXPECT_EQ(CAnimMotion::IntersectLines(0, 1, 19, -25, 0, 0, 555, 0), (CPoint{0, 0}));
    EXPECT_EQ(CAnimMotion::IntersectLines(10, 0, 9, 2, 0, 0, 0, 100).y, 20);
    EXPECT_EQ(CAnimMotion::IntersectLines(0, 0, 2, -3, 3, 0, 3, 10), (CPoint{3, -4}));
}

// --- corner walk ------------------------------------------------------------

TEST(AnimMotionCornerWalk, NeverLeavesTheBorder) {
    CRuntimeRandom lcg;
    CAnimRunState run;
    CAnimMotion motion(lcg, run);
    CPoint prev{0, 0};
    std::set<int> directionsSeen;
    EXPECT_EQ(motion.PlayFrame(50, kTable), (CRect{0, 0, 77, 106}));
    for (int i = 0; i < 5000; ++i) {
        const CRect r = motion.PlayFrame(50, kTable);
        const CPoint p{r.left, r.top};
        directionsSeen.insert(motion.Index());
        ASSERT_TRUE(p.x == 0 || p.x == X || p.y == 0 || p.y == Y) << p.x << "," << p.y;
        ASSERT_TRUE(p.x >= 0 && p.x <= X && p.y >= 0 && p.y <= Y);
        const int dx = std::abs(p.x - prev.x), dy = std::abs(p.y - prev.y);
        // One axis at a time, a whole step or the short last one to the edge.
        ASSERT_TRUE(dx == 0 || dy == 0);
        ASSERT_TRUE(dx == SX || dx == 0 || (dx < SX && (p.x == 0 || p.x == X)));
        ASSERT_TRUE(dy == SY || dy == 0 || (dy < SY && (p.y == 0 || p.y == Y)));
        prev = p;
    }
    EXPECT_EQ(directionsSeen.size(), 4u);
}

TEST(AnimMotionCornerWalk, DrawsOnlyAtCornersAndChoosesByParity) {
    // Odd: back the way it came; even: onto the other edge of the corner.
    Rig rig({1, 2, 4});
    rig.Tick(50);
    std::vector<CPoint> path = rig.Ticks(50, 30);
    EXPECT_EQ(path[28], (CPoint{551, 0}));
    EXPECT_EQ(path[29], (CPoint{X, 0}));
    EXPECT_EQ(rig.random.Calls(), 1u);  // only on the tick that reached the edge
    EXPECT_EQ(rig.motion.Index(), 1);   // odd: back left
    path = rig.Ticks(50, 30);
    EXPECT_EQ(path[28], (CPoint{4, 0}));
    EXPECT_EQ(path[29], (CPoint{0, 0}));
    EXPECT_EQ(rig.random.Calls(), 2u);
    EXPECT_EQ(rig.motion.Index(), 3);  // even at y 0: down
    path = rig.Ticks(50, 13);
    EXPECT_EQ(path[12], (CPoint{0, Y}));
    EXPECT_EQ(rig.motion.Index(), 0);  // even at x 0: right
}

// --- wander ------------------------------------------------------------------

TEST(AnimMotionWander, FirstDirectionHoldsForFiveMoves) {
    Rig rig({3, 2});  // down, then up
    rig.Tick(500);
    EXPECT_EQ(rig.run.s_nWanderTicks, -1);
    const std::vector<CPoint> path = rig.Ticks(500, 6);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(path[static_cast<size_t>(k)], (CPoint{SX * (k + 1), 0})) << k;
    EXPECT_EQ(rig.random.Calls(), 1u);
    EXPECT_EQ(path[5], (CPoint{95, SY}));
    EXPECT_EQ(rig.run.s_nWanderTicks, 0);
}

TEST(AnimMotionWander, EdgeForcesANewDirectionAndBlockedOnesAreRedrawn) {
    const CAnimSetup narrow = Client(177, 420);  // X = 100
    Rig rig({0, 2, 2, 1});
    rig.Tick(500, narrow);
    rig.Ticks(500, 5, narrow);  // right to x 95
    // Right again: the step would cross the edge, so it stops on it.
    EXPECT_EQ(rig.Tick(500, narrow), (CPoint{100, 0}));
    EXPECT_EQ(rig.run.s_nWanderTicks, 5);
    EXPECT_EQ(rig.random.Calls(), 1u);
    // The next tick draws at once: up is blocked outright from y 0 and is
    // drawn again, up once more, then left moves.
    EXPECT_EQ(rig.Tick(500, narrow), (CPoint{81, 0}));
    EXPECT_EQ(rig.random.Calls(), 4u);
    EXPECT_EQ(rig.motion.Index(), 1);
    EXPECT_EQ(rig.run.s_nWanderTicks, 0);
}

TEST(AnimMotionWander, CounterCarriesOverToTheNextCelebration) {
    ScriptedRandom random({0});
    CAnimRunState run;
    {
        CAnimMotion first(random, run);
        first.PlayFrame(500, kTable);
        for (int i = 0; i < 3; ++i)
            first.PlayFrame(500, kTable);
    }
    EXPECT_EQ(run.s_nWanderTicks, 2);
    CAnimMotion second(random, run);
    second.PlayFrame(500, kTable);
    second.PlayFrame(500, kTable);
    second.PlayFrame(500, kTable);
    EXPECT_EQ(random.Calls(), 0u);
    second.PlayFrame(500, kTable);  // the counter reaches 5
    EXPECT_EQ(random.Calls(), 1u);
}

TEST(AnimMotionWander, StaysInsideAndMovesEveryTick) {
    CRuntimeRandom lcg;
    CAnimRunState run;
    CAnimMotion motion(lcg, run);
    CPoint prev = CPoint{motion.PlayFrame(500, kTable).left, 0};
    for (int i = 0; i < 5000; ++i) {
        const CRect r = motion.PlayFrame(500, kTable);
        const CPoint p{r.left, r.top};
        ASSERT_TRUE(p.x >= 0 && p.x <= X && p.y >= 0 && p.y <= Y);
        ASSERT_FALSE(p == prev);
        prev = p;
    }
}

// --- columns -----------------------------------------------------------------

TEST(AnimMotionColumns, ColumnsMarchRightAndWrapAtTheEdge) {
    Rig rig({1000, 314, 313, 5, 20000});
    rig.Tick(100);
    EXPECT_EQ(rig.motion.Card(), (CPoint{0, Y}));
    EXPECT_EQ(rig.motion.Waypoints()[1].y, 1000 % Y);

    std::vector<int> columnX, columnTop;
    const int script[] = {1000, 314, 313, 5, 20000};
    for (int tick = 0; columnX.size() < 32 && tick < 2000; ++tick) {
        const CPoint p = rig.Tick(100);
        if (rig.motion.Index() == 1) {
            columnX.push_back(p.x);
            columnTop.push_back(p.y);
        }
    }
    ASSERT_EQ(columnX.size(), 32u);
    for (size_t c = 0; c < columnX.size(); ++c) {
        EXPECT_EQ(columnX[c], c < 30 ? static_cast<int>(SX * c) : static_cast<int>(SX * (c - 30))) << c;
        EXPECT_EQ(columnTop[c], script[c % 5] % Y) << c;
    }
    EXPECT_EQ(columnX[29], 551);
}

TEST(AnimMotionColumns, ColumnRisesByStepsToItsHeight) {
    Rig rig({200});
    rig.Tick(100);
    const std::vector<CPoint> path = rig.Ticks(100, 6);
    EXPECT_EQ(path[0], (CPoint{0, 288}));
    EXPECT_EQ(path[3], (CPoint{0, 210}));
    EXPECT_EQ(path[4], (CPoint{0, 200}));  // the step that passes it lands on it
    EXPECT_EQ(path[5], (CPoint{SX, Y}));   // next column, at the bottom
}

// --- windows too small for a pattern ----------------------------------------------

TEST(AnimMotionTiny, EveryPatternSurvivesTinyWindows) {
    const int bonuses[] = {0, 5, 10, 20, 50, 100, 200, 500, 1000, 2000};
    const std::pair<int, int> sizes[] = {{0, 0}, {77, 106}, {50, 50}, {78, 107}, {632, 106},
                                         {632, 0}, {77, 420}, {60, 420}, {632, 80}};
    for (const auto& [w, h] : sizes) {
        for (int bonus : bonuses) {
            CRuntimeRandom lcg;
            CAnimRunState run;
            CAnimMotion motion(lcg, run);
            const int maxX = w - 77, maxY = h - 106;
            for (int i = 0; i < 500; ++i) {
                const CRect r = motion.PlayFrame(bonus, Client(w, h));
                ASSERT_TRUE(r.left >= std::min(0, maxX) && r.left <= std::max(0, maxX) &&
                            r.top >= std::min(0, maxY) && r.top <= std::max(0, maxY))
                    << w << "x" << h << " bonus " << bonus << " at " << r.left << "," << r.top;
            }
        }
    }
}

TEST(AnimMotionTiny, ShortWindowsKeepTheCardAtOnePlace) {
    {
        Rig rig;
        rig.Tick(200, Client(632, 100));
        ASSERT_EQ(rig.motion.Waypoints().size(), 1u);
        rig.Ticks(200, 3, Client(632, 100));
        EXPECT_EQ(rig.motion.Card(), (CPoint{0, -6}));
    }
    {
        Rig narrow;
        narrow.Tick(2000, Client(78, 420));  // X/2 = 0
        EXPECT_EQ(narrow.motion.Waypoints(), (std::vector<WAYPOINT>{{0, 0, 0, 0}}));
        EXPECT_EQ(narrow.Ticks(2000, 5, Client(78, 420)).back(), (CPoint{0, 0}));
    }
    {
        // A window exactly one card in size leaves the wander no way to go.
        Rig rig;
        rig.Tick(500, Client(77, 106));
        EXPECT_EQ(rig.Ticks(500, 50, Client(77, 106)).back(), (CPoint{0, 0}));
        EXPECT_EQ(rig.random.Calls(), 0u);
    }
    {
        // No room for a column to rise: no division, the card walks the bottom.
        Rig rig;
        rig.Tick(100, Client(632, 0));
        for (const CPoint& p : rig.Ticks(100, 100, Client(632, 0)))
            EXPECT_EQ(p.y, -106);
        EXPECT_EQ(rig.random.Calls(), 0u);
    }
}

}  // namespace
