#pragma once

class QComboBox;

// A list whose text field the operator changes has no selection any more; the
// field keeps what was typed. Choosing an entry from the list or with the
// arrow keys selects it again. Qt would keep the old selection, and select an
// entry whose text was typed on Enter or when the field loses the focus.
void ClearSelectionWhenTyped(QComboBox* box);
