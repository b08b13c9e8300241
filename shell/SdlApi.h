// The functions of SDL2 that the sound system calls, as a table: the
// program's is filled from the library when the first sound plays (see
// LoadSdl in AudioDevice.cpp); a test may hand the sound system one of its own.
#pragma once

#include <SDL.h>

#define TOLVANE_SDL_FUNCTIONS(X)                                                                         \
    X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_WasInit) X(SDL_Quit) X(SDL_SetHint)                  \
    X(SDL_SetHintWithPriority) X(SDL_ResetHint) X(SDL_GetCurrentAudioDriver) X(SDL_RWFromConstMem)       \
    X(SDL_TLSCleanup) X(SDL_AddEventWatch) X(SDL_DelEventWatch) X(SDL_OpenAudioDevice)                   \
    X(SDL_CloseAudioDevice) X(SDL_PauseAudioDevice) X(SDL_LockAudioDevice) X(SDL_UnlockAudioDevice)      \
    X(SDL_LoadWAV_RW) X(SDL_FreeWAV) X(SDL_BuildAudioCVT) X(SDL_ConvertAudio) X(SDL_MixAudioFormat)

struct SdlApi {
#define TOLVANE_SDL_POINTER(name) decltype(&::name) name = nullptr;
    TOLVANE_SDL_FUNCTIONS(TOLVANE_SDL_POINTER)
#undef TOLVANE_SDL_POINTER
};
