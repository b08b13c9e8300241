// Entry points of the program's modal dialogs, for the frame and the view.
#pragma once

#include <string>

class CCardImageSet;
class wxWindow;

// The record-name dialog: shows the achievement line and offers name.
// Returns IDOK with name set to the text typed (untrimmed), or IDCANCEL.
int RunPlayerNameDialog(wxWindow* parent, const std::string& achievement, std::string& name);

// The card-back dialog: OK stores the chosen back through images.SetCurrentBack.
// Returns IDOK or IDCANCEL.
int RunCardBackDialog(wxWindow* parent, CCardImageSet& images);

// The About box.
void RunAboutDialog(wxWindow* parent);
