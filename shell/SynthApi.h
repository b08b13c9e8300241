// The functions of FluidSynth that the tune calls, as a table: the program's
// is filled each time a tune is loaded and goes with it (see LoadFluidSynth
// in Tune.cpp); a test may hand the sound system one of its own.
#pragma once

#include <fluidsynth.h>

#define TOLVANE_SYNTH_FUNCTIONS(X)                                                                       \
    X(fluid_set_log_function) X(new_fluid_settings) X(delete_fluid_settings) X(fluid_settings_setnum)    \
    X(new_fluid_synth) X(delete_fluid_synth) X(fluid_synth_sfload) X(fluid_synth_set_gain)              \
    X(fluid_synth_write_s16) X(new_fluid_player) X(delete_fluid_player) X(fluid_player_add_mem)         \
    X(fluid_player_play) X(fluid_player_get_status)

struct SynthApi {
#define TOLVANE_SYNTH_POINTER(name) decltype(&::name) name = nullptr;
    TOLVANE_SYNTH_FUNCTIONS(TOLVANE_SYNTH_POINTER)
#undef TOLVANE_SYNTH_POINTER
    void* library = nullptr;  // the loader's own
};
