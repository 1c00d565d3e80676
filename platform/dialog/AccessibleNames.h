#pragma once

class CDialog;

// Names the controls of a created dialog for assistive technology: each control
// with an id by its id name, and each text field also after the label just left
// of it on the same row, which becomes the field's buddy.
void NameForAssistiveTechnology(CDialog& dialog);
