// How both of the program's executables, the game and its help viewer,
// bring up the toolkit: the same settings for the display connection and
// the same language for GTK's own texts.
#pragma once

#include <functional>

// Calls initialize (the toolkit's own start-up) with the display set up for
// a program that draws no OpenGL and with GTK's texts in Japanese; returns
// what it returned.
bool InitializeToolkit(const std::function<bool()>& initialize);
