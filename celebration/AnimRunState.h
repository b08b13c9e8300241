// What the celebration remembers from one clear to the next.
//
// The wander's tick counter and the bouncing card's next edge point and
// velocity are not reset when a celebration window closes: a later
// celebration of the same run carries on from where the last one stopped.
// So the application keeps one instance for the whole run and hands it to
// every celebration; tests make their own.
#pragma once

#include "model/Rect.h"

struct CAnimRunState {
    int s_nWanderTicks = -1;   // ticks since the wander last chose a direction
    CPoint s_ptNextHit;        // where the bouncing card next meets an edge
    CPoint s_ptNextVelocity;   // its displacement per tick after that edge
};
