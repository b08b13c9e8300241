// The dialog templates: each dialog's caption, client size and controls in
// tab order, positions and sizes in dialog units of the dialogs' 9-point
// Gothic face.
#pragma once

#include <span>

struct DialogItem {
    int id;
    int x, y, width, height;
};

struct DialogTemplate {
    int captionId;
    int width, height;
    std::span<const DialogItem> items;
};

// The template of a dialog resource; an empty one for an unknown id.
const DialogTemplate& FindDialogTemplate(int dialogId);

// A control of a template; an empty item for an id it does not hold.
const DialogItem& FindDialogItem(const DialogTemplate& dialog, int controlId);
