// The functions of SDL and SDL2_mixer that the sound system calls, as a
// table: the program's is filled from the library when the first sound plays
// (see LoadSdl in Sound.cpp); a test may hand the sound system one of its own.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#define TOLVANE_SDL_FUNCTIONS(X)                                                                          \
    X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_WasInit) X(SDL_Quit) X(SDL_SetHint)                   \
    X(SDL_SetHintWithPriority) X(SDL_ResetHint) X(SDL_GetCurrentAudioDriver) X(SDL_RWFromConstMem)        \
    X(SDL_TLSCleanup) X(SDL_AddEventWatch) X(SDL_DelEventWatch) X(Mix_OpenAudio) X(Mix_CloseAudio)        \
    X(Mix_Quit) X(Mix_Init) X(Mix_SetSoundFonts) X(Mix_AllocateChannels) X(Mix_HookMusicFinished)         \
    X(Mix_FreeMusic) X(Mix_FreeChunk) X(Mix_LoadWAV_RW) X(Mix_PlayChannel) X(Mix_LoadMUS) X(Mix_PlayMusic) \
    X(Mix_HaltMusic)

struct SdlApi {
#define TOLVANE_SDL_POINTER(name) decltype(&::name) name = nullptr;
    TOLVANE_SDL_FUNCTIONS(TOLVANE_SDL_POINTER)
#undef TOLVANE_SDL_POINTER
};
