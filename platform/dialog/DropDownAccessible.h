#pragma once

// Assistive technology names a dialog's drop-down list after the label beside
// it, like an edit, rather than after the entry it shows (Qt's own choice on
// Linux). The shown entry stays available as the list's value and through its
// text field.
void InstallDropDownAccessibility();
