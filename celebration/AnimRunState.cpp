#include "AnimRunState.h"

CAnimRunState& ProcessAnimRunState() {
    static CAnimRunState state;
    return state;
}
