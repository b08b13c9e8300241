#include "AnimMotion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Directions of the corner walk and the wander, held in m_nIndex.
constexpr int DIR_RIGHT = 0;
constexpr int DIR_LEFT = 1;
constexpr int DIR_UP = 2;
constexpr int DIR_DOWN = 3;

// Truncation toward zero, as the crossing of two lines has always been
// rounded; a crossing of parallel lines has no finite value and must not
// reach the integer conversion.
int TruncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, static_cast<double>(std::numeric_limits<int>::min()),
                                       static_cast<double>(std::numeric_limits<int>::max())));
}

// A waypoint that the card leaves by a jump: on the next tick it stands on
// the following waypoint at once.
WAYPOINT JumpFrom(int x, int y) {
    return WAYPOINT{x, y, 0, 0};
}

}  // namespace

CAnimMotion::CAnimMotion(IRandom& random, CAnimRunState& runState)
    : m_random(random), m_run(runState) {}

AnimPattern CAnimMotion::PatternForBonus(int bonus) {
    switch (bonus) {
    case 5: return AnimPattern::EightRows;
    case 10: return AnimPattern::EightColumns;
    case 20: return AnimPattern::Grid;
    case 50: return AnimPattern::CornerWalk;
    case 100: return AnimPattern::Columns;
    case 200: return AnimPattern::Zigzag;
    case 500: return AnimPattern::Wander;
    case 1000: return AnimPattern::Bounce;
    case 2000: return AnimPattern::Spiral;
    default: return AnimPattern::Border;
    }
}

CRect CAnimMotion::PlayFrame(int bonus, const CAnimSetup& setup) {
    // The later ticks of a pattern live on what its own first tick built
    // (two of them build no table at all), so the pattern is fixed then.
    if (m_bFirstFrame) {
        m_pattern = PatternForBonus(bonus);
        PrepareFirstFrame(setup);
    }
    switch (m_pattern) {
    case AnimPattern::EightRows: AnimEightRows(); break;
    case AnimPattern::EightColumns: AnimEightColumns(); break;
    case AnimPattern::Grid: AnimGrid(); break;
    case AnimPattern::CornerWalk: AnimCornerWalk(); break;
    case AnimPattern::Columns: AnimColumns(); break;
    case AnimPattern::Zigzag: AnimZigzag(); break;
    case AnimPattern::Wander: AnimWander(); break;
    case AnimPattern::Bounce: AnimBounce(); break;
    case AnimPattern::Spiral: AnimSpiral(); break;
    case AnimPattern::Border:
    case AnimPattern::None: AnimBorder(); break;
    }
    // The pattern's setup has run; from now on every tick moves the card.
    m_bFirstFrame = false;
    return CardRect();
}

CRect CAnimMotion::CardRect() const {
    return CRect{m_ptCard.x, m_ptCard.y, m_ptCard.x + m_sizeCard.x, m_ptCard.y + m_sizeCard.y};
}

// The preparation every pattern shares. m_bFirstFrame stays set until the
// pattern's own setup has seen it.
void CAnimMotion::PrepareFirstFrame(const CAnimSetup& setup) {
    m_nIndex = 0;
    m_ptCard = CPoint{0, 0};
    // The back current now is the one drawn to the end, whatever the player
    // chooses meanwhile.
    m_pImage = setup.back;
    m_sizeCard = CPoint{setup.nCardWidth, setup.nCardHeight};
    m_nStepX = setup.nCardWidth / 4;
    m_nStepY = setup.nCardHeight / 4;
    m_rcClient = CRect{.right = setup.nClientWidth, .bottom = setup.nClientHeight};
}

void CAnimMotion::StepWaypoints() {
    const int n = static_cast<int>(m_pWaypoints.size());
    if (n == 0)
        return;
    const int i = m_nIndex;
    const int next = i < n - 1 ? i + 1 : 0;
    const WAYPOINT& from = m_pWaypoints[static_cast<size_t>(i)];
    const WAYPOINT& to = m_pWaypoints[static_cast<size_t>(next)];

    bool arrive = false;
    if (from.dx == 0 && from.dy == 0) {
        arrive = true;
    } else {
        // x is tested first: a diagonal leg ends as soon as either
        // coordinate reaches its target.
        if (from.dx > 0) {
            m_ptCard.x += from.dx;
            arrive = m_ptCard.x >= to.x;
        } else if (from.dx < 0) {
            m_ptCard.x += from.dx;
            arrive = m_ptCard.x <= to.x;
        }
        if (!arrive && from.dy > 0) {
            m_ptCard.y += from.dy;
            arrive = m_ptCard.y >= to.y;
        } else if (!arrive && from.dy < 0) {
            m_ptCard.y += from.dy;
            arrive = m_ptCard.y <= to.y;
        }
    }
    if (arrive) {
        m_ptCard = CPoint{to.x, to.y};
        m_nIndex = next;
    }
}

// --- the tours ---------------------------------------------------------------

void CAnimMotion::AnimBorder() {
    if (!m_bFirstFrame) {
        StepWaypoints();
        return;
    }
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    m_pWaypoints = {
        {0, 0, sx, 0},
        {X, 0, 0, sy},
        {X, Y, -sx, 0},
        {0, Y, 0, -sy},
    };
}

void CAnimMotion::AnimEightRows() {
    if (!m_bFirstFrame) {
        StepWaypoints();
        return;
    }
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    const int midY = Y / 2;
    m_pWaypoints = {
        {0, 0, sx, 0},
        {X, 0, 0, sy},
        {X, midY, -sx, 0},
        {0, midY, 0, sy},
        {0, Y, sx, 0},
        {X, Y, 0, -sy},
        {X, midY, -sx, 0},
        {0, midY, 0, -sy},
    };
}

void CAnimMotion::AnimEightColumns() {
    if (!m_bFirstFrame) {
        StepWaypoints();
        return;
    }
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    const int midX = X / 2;
    m_pWaypoints = {
        {0, 0, sx, 0},
        {midX, 0, 0, sy},
        {midX, Y, sx, 0},
        {X, Y, 0, -sy},
        {X, 0, -sx, 0},
        {midX, 0, 0, sy},
        {midX, Y, -sx, 0},
        {0, Y, 0, -sy},
    };
}

void CAnimMotion::AnimGrid() {
    if (!m_bFirstFrame) {
        StepWaypoints();
        return;
    }
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    const int midX = X / 2, midY = Y / 2;
    m_pWaypoints = {
        {0, 0, sx, 0},
        {midX, 0, 0, sy},
        {midX, midY, 0, -sy},
        {midX, 0, sx, 0},
        {X, 0, 0, sy},
        {X, midY, -sx, 0},
        {midX, midY, sx, 0},
        {X, midY, 0, sy},
        {X, Y, -sx, 0},
        {midX, Y, 0, -sy},
        {midX, midY, 0, sy},
        {midX, Y, -sx, 0},
        {0, Y, 0, -sy},
        {0, midY, sx, 0},
        {midX, midY, -sx, 0},
        {0, midY, 0, -sy},
    };
}

void CAnimMotion::AnimZigzag() {
    if (!m_bFirstFrame) {
        StepWaypoints();
        return;
    }
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    const int h = m_sizeCard.y;

    // A card without height would never get down the window.
    if (Y <= 0 || h <= 0) {
        m_pWaypoints = {JumpFrom(0, Y)};
        return;
    }
    // Each row descends one card height: 2 sy at the right edge, the rest at
    // the left. The leg that would reach or pass the bottom edge ends on it,
    // and from there the card jumps home.
    m_pWaypoints = {{0, 0, sx, 0}};
    for (int top = 0;; top += h) {
        m_pWaypoints.push_back({X, top, 0, sy});
        if (top + 2 * sy >= Y) {
            m_pWaypoints.push_back(JumpFrom(X, Y));
            return;
        }
        m_pWaypoints.push_back({X, top + 2 * sy, -sx, 0});
        m_pWaypoints.push_back({0, top + 2 * sy, 0, sy});
        if (top + h >= Y) {
            m_pWaypoints.push_back(JumpFrom(0, Y));
            return;
        }
        m_pWaypoints.push_back({0, top + h, sx, 0});
    }
}

void CAnimMotion::AnimSpiral() {
    if (!m_bFirstFrame) {
        StepWaypoints();
        return;
    }
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;

    int rings = 0;
    // Without any step the rings would never close in.
    if (X / 2 > 0 && (sx > 0 || sy > 0)) {
        for (int t = 0; t < Y / 2;) {
            t += sy;
            ++rings;
            if (sx * rings >= X / 2)
                break;
        }
    }
    const int n = 5 * rings + 1;
    m_pWaypoints.assign(static_cast<size_t>(n), WAYPOINT{});
    m_pWaypoints[0] = {0, 0, sx, 0};
    for (int k = 0; k < rings; ++k) {
        const size_t base = static_cast<size_t>(5 * k);
        m_pWaypoints[base + 1] = {X - sx * k, sy * k, 0, sy};
        m_pWaypoints[base + 2] = {X - sx * k, Y - sy * k, -sx, 0};
        m_pWaypoints[base + 3] = {sx * k, Y - sy * k, 0, -sy};
        m_pWaypoints[base + 4] = JumpFrom(sx * k, sy * k);
        m_pWaypoints[base + 5] = {sx * (k + 1), sy * (k + 1), sx, 0};
    }
    // From the inside corner of the ring that would come next, home.
    WAYPOINT& last = m_pWaypoints.back();
    last = JumpFrom(last.x, last.y);
}

// --- the free motions ----------------------------------------------------------

void CAnimMotion::AnimCornerWalk() {
    if (m_bFirstFrame)
        return;
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    int& x = m_ptCard.x;
    int& y = m_ptCard.y;

    // At a corner the card either turns onto the other edge or goes back;
    // the new direction takes effect on the next tick.
    switch (m_nIndex) {
    case DIR_RIGHT:
        if (x < X - sx) {
            x += sx;
        } else {
            x = X;
            m_nIndex = (m_random.Rand() % 2) ? DIR_LEFT : (y != 0 ? DIR_UP : DIR_DOWN);
        }
        break;
    case DIR_LEFT:
        if (x > sx) {
            x -= sx;
        } else {
            x = 0;
            m_nIndex = (m_random.Rand() % 2) ? DIR_RIGHT : (y != 0 ? DIR_UP : DIR_DOWN);
        }
        break;
    case DIR_UP:
        if (y > sy) {
            y -= sy;
        } else {
            y = 0;
            m_nIndex = (m_random.Rand() % 2) ? DIR_DOWN : (x != 0 ? DIR_LEFT : DIR_RIGHT);
        }
        break;
    case DIR_DOWN:
        if (y < Y - sy) {
            y += sy;
        } else {
            y = Y;
            m_nIndex = (m_random.Rand() % 2) ? DIR_UP : (x != 0 ? DIR_LEFT : DIR_RIGHT);
        }
        break;
    default:
        break;
    }
}

// A column reaches a random height above the bottom edge. A window no taller
// than a card leaves no room to rise (and nothing to divide by).
int CAnimMotion::ColumnHeight() {
    const int Y = MaxY();
    return Y > 0 ? m_random.Rand() % Y : Y;
}

void CAnimMotion::AnimColumns() {
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    if (m_bFirstFrame) {
        m_ptCard = CPoint{0, Y};
        m_nIndex = 0;
        m_pWaypoints = {
            {0, Y, 0, -sy},
            JumpFrom(0, ColumnHeight()),
        };
        return;
    }
    if (m_nIndex == 1) {
        // The top of the column is reached: the next column stands a quarter
        // card further right, or at the left edge again.
        WAYPOINT& foot = m_pWaypoints[0];
        foot.x += sx;
        if (foot.x > X)
            foot.x = 0;
        StepWaypoints();
        m_pWaypoints[1].x = foot.x;
        m_pWaypoints[1].y = ColumnHeight();
    } else {
        StepWaypoints();
    }
}

// Only a window of exactly one card leaves no direction open: every move
// would cross an edge the card already stands on.
bool CAnimMotion::WanderIsBoxedIn() const {
    return MaxX() == 0 && MaxY() == 0 && m_nStepX > 0 && m_nStepY > 0;
}

bool CAnimMotion::WanderMove() {
    const int X = MaxX(), Y = MaxY(), sx = m_nStepX, sy = m_nStepY;
    int& x = m_ptCard.x;
    int& y = m_ptCard.y;
    // A move that would cross an edge stops on it and forces a new
    // direction on the next tick.
    switch (m_nIndex) {
    case DIR_RIGHT:
        if (x + sx <= X) {
            x += sx;
            return true;
        }
        m_run.s_nWanderTicks = 5;
        if (x != X) {
            x = X;
            return true;
        }
        return false;
    case DIR_LEFT:
        if (x - sx >= 0) {
            x -= sx;
            return true;
        }
        m_run.s_nWanderTicks = 5;
        if (x != 0) {
            x = 0;
            return true;
        }
        return false;
    case DIR_UP:
        if (y - sy >= 0) {
            y -= sy;
            return true;
        }
        m_run.s_nWanderTicks = 5;
        if (y != 0) {
            y = 0;
            return true;
        }
        return false;
    case DIR_DOWN:
        if (y + sy <= Y) {
            y += sy;
            return true;
        }
        m_run.s_nWanderTicks = 5;
        if (y != Y) {
            y = Y;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CAnimMotion::AnimWander() {
    if (m_bFirstFrame)
        return;
    // Drawing directions would never end: the card stays where it is.
    if (WanderIsBoxedIn())
        return;
    for (;;) {
        if (++m_run.s_nWanderTicks >= 5) {
            m_run.s_nWanderTicks = 0;
            m_nIndex = m_random.Rand() % 4;
        }
        if (WanderMove())
            break;
    }
}

void CAnimMotion::AnimBounce() {
    if (m_bFirstFrame) {
        m_pWaypoints = {{0, 0, m_nStepX, m_nStepY}};
        NextBounce();
        m_pWaypoints.push_back(JumpFrom(m_run.s_ptNextHit.x, m_run.s_ptNextHit.y));
        return;
    }
    if (m_nIndex == 1) {
        // The card stands on the edge point: it leaves it with the
        // reflected displacement towards the following edge point.
        m_pWaypoints[0] = {m_run.s_ptNextHit.x, m_run.s_ptNextHit.y, m_run.s_ptNextVelocity.x,
                           m_run.s_ptNextVelocity.y};
        NextBounce();
        StepWaypoints();
        m_pWaypoints[1].x = m_run.s_ptNextHit.x;
        m_pWaypoints[1].y = m_run.s_ptNextHit.y;
    } else {
        StepWaypoints();
    }
}

void CAnimMotion::NextBounce() {
    NextBounceFrom(m_pWaypoints[0], MaxX(), MaxY(), m_run.s_ptNextHit, m_run.s_ptNextVelocity);
}

void CAnimMotion::NextBounceFrom(const WAYPOINT& from, int maxX, int maxY, CPoint& hit, CPoint& velocity) {
    const int x0 = from.x, y0 = from.y, vx = from.dx, vy = from.dy;
    const int ax = std::abs(vx), ay = std::abs(vy);

    // A field with no room on one axis, or a card that does not move,
    // leaves the card where it stands.
    if (maxX <= 0 || maxY <= 0 || (vx == 0 && vy == 0)) {
        hit = CPoint{x0, y0};
        velocity = CPoint{0, 0};
        return;
    }
    // Straight along one axis (a card narrower or lower than four pixels):
    // to the edge ahead and straight back.
    if (vx == 0) {
        hit = CPoint{x0, vy > 0 ? maxY : 0};
        velocity = CPoint{0, -vy};
        return;
    }
    if (vy == 0) {
        hit = CPoint{vx > 0 ? maxX : 0, y0};
        velocity = CPoint{-vx, 0};
        return;
    }

    const bool down = vy > 0;
    const int side = vx > 0 ? maxX : 0;
    const int edgeY = down ? maxY : 0;
    const CPoint p = IntersectLines(x0, y0, x0 + vx, y0 + vy, side, 0, side, maxY);
    if (p.y > 0 && p.y < maxY) {
        hit = p;
        velocity = CPoint{-vx, vy};
        return;
    }
    if (p.y == edgeY) {
        hit = p;
        velocity = CPoint{-vx, -vy};
        return;
    }

    CPoint corner;
    const bool beyond = down ? p.y > maxY : p.y < 0;
    if (beyond) {
        const CPoint e = IntersectLines(x0, y0, x0 + vx, y0 + vy, 0, edgeY, maxX, edgeY);
        if (e.x > 0 && e.x < maxX) {
            hit = e;
            velocity = CPoint{vx, -vy};
            return;
        }
        // The crossing truncates onto a side edge: the card meets the
        // corner there.
        corner = CPoint{e.x <= 0 ? 0 : maxX, edgeY};
    } else {
        // The side edge is met behind the card's vertical direction: it
        // stands within a pixel of the corner of that side.
        corner = CPoint{side, p.y <= 0 ? 0 : maxY};
    }
    // Treated as a corner bounce rather than an edge point the card could
    // never leave: it comes out of the corner back into the window.
    hit = corner;
    velocity = CPoint{corner.x == 0 ? ax : -ax, corner.y == 0 ? ay : -ay};
}

CPoint CAnimMotion::IntersectLines(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const double dx1 = x1, dy1 = y1, dx2 = x2, dy2 = y2;
    const double dx3 = x3, dy3 = y3, dx4 = x4, dy4 = y4;
    const double m1 = (dy1 - dy2) / (dx1 - dx2);
    const double b1 = dy1 - m1 * dx1;
    double u;
    if (x3 == x4) {
        u = dx3;
    } else {
        const double m2 = (dy3 - dy4) / (dx3 - dx4);
        const double b2 = dy3 - m2 * dx3;
        u = (b2 - b1) / (m1 - m2);
    }
    const double v = u * m1 + b1;
    return CPoint{TruncateToInt(u), TruncateToInt(v)};
}
