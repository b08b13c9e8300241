// The motion of the celebration: where the one card back is drawn on each tick.
//
// After a clear the celebration window draws a card back ten times a second
// and never erases, so the card leaves a trail. Which of ten patterns it
// follows depends on the bonus of the clear. Six are tours along a fixed
// table of waypoints built on the first tick; four choose their way at random
// or bounce off the edges. This class holds all of that motion without any
// toolkit: the window feeds it the bonus each tick and draws the rectangle it
// returns.
#pragma once

#include <vector>

#include "celebration/AnimRunState.h"
#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Rect.h"

// A corner of the card's route and how the card leaves it: (dx, dy) per tick
// towards the next waypoint; (0, 0) makes that leg a jump.
struct WAYPOINT {
    int x = 0;
    int y = 0;
    int dx = 0;
    int dy = 0;
    friend bool operator==(const WAYPOINT&, const WAYPOINT&) = default;
};

// What the first tick takes from the window and the card image set.
struct CAnimSetup {
    int nClientWidth = 0;
    int nClientHeight = 0;
    int nCardWidth = 0;
    int nCardHeight = 0;
    PictureId back = 0;
};

enum class AnimPattern {
    None,  // before the first tick
    Border,
    EightRows,
    EightColumns,
    Grid,
    CornerWalk,
    Columns,
    Zigzag,
    Wander,
    Bounce,
    Spiral,
};

class CAnimMotion {
public:
    // Random choices come from random; the wander counter and the next bounce
    // live in runState, which outlives this motion.
    CAnimMotion(IRandom& random, CAnimRunState& runState);

    // One tick. The first tick prepares the pattern that the bonus selects,
    // with the client and card sizes and the back of setup, and leaves the
    // card at its start; every later tick moves it one step of that same
    // pattern (bonus and setup are then ignored). Returns the rectangle in
    // which to draw Image().
    CRect PlayFrame(int bonus, const CAnimSetup& setup);

    static AnimPattern PatternForBonus(int bonus);

    // Where the line through (x1, y1) and (x2, y2) meets the line through
    // (x3, y3) and (x4, y4), each coordinate truncated toward zero. The first
    // line must not be vertical. Parallel lines give no finite crossing; the
    // result is then clamped rather than undefined.
    static CPoint IntersectLines(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

    // From a card at (from.x, from.y) moving by (from.dx, from.dy) in a
    // field whose largest card position is (maxX, maxY): the next point where
    // the card meets an edge and its displacement after the bounce.
    static void NextBounceFrom(const WAYPOINT& from, int maxX, int maxY, CPoint& hit, CPoint& velocity);

    bool IsFirstFrame() const { return m_bFirstFrame; }
    AnimPattern Pattern() const { return m_pattern; }
    CPoint Card() const { return m_ptCard; }
    CRect CardRect() const;
    int Index() const { return m_nIndex; }
    int StepX() const { return m_nStepX; }
    int StepY() const { return m_nStepY; }
    int MaxX() const { return m_rcClient.right - m_sizeCard.x; }
    int MaxY() const { return m_rcClient.bottom - m_sizeCard.y; }
    PictureId Image() const { return m_pImage; }
    const std::vector<WAYPOINT>& Waypoints() const { return m_pWaypoints; }

private:
    void PrepareFirstFrame(const CAnimSetup& setup);
    void StepWaypoints();

    void AnimBorder();
    void AnimEightRows();
    void AnimEightColumns();
    void AnimGrid();
    void AnimZigzag();
    void AnimSpiral();
    void AnimCornerWalk();
    void AnimColumns();
    void AnimWander();
    void AnimBounce();

    // The wander's move in direction m_nIndex; false when the card stands
    // against that edge already and cannot move that way at all.
    bool WanderMove();
    bool WanderIsBoxedIn() const;
    void NextBounce();
    int ColumnHeight();

    IRandom& m_random;
    CAnimRunState& m_run;

    AnimPattern m_pattern = AnimPattern::None;
    bool m_bFirstFrame = true;
    CRect m_rcClient;
    int m_nIndex = 0;
    CPoint m_ptCard;
    int m_nStepX = 0;
    int m_nStepY = 0;
    PictureId m_pImage = 0;
    CPoint m_sizeCard;  // width in x, height in y
    std::vector<WAYPOINT> m_pWaypoints;
};
