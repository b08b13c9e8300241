// The game's message boxes on the toolkit: the text, the caption
// "KadorinTolvane３２", the button set and icon of a MB_* style, and the
// answer as the game's button codes (IDOK, IDCANCEL, IDYES, IDNO).
#pragma once

#include <string>

class wxWindow;

// Shows a modal message box owned by owner; returns the button pressed.
// On a Yes/No box, Escape or the close box answers IDNO.
int TolvaneMessageBox(wxWindow* owner, const std::string& text, unsigned style);
