#pragma once

#include <QRect>

class QComboBox;

// A list's template rectangle holds the closed field and the dropped-down
// part below it. The closed field takes its own height (no more than the
// rectangle's); the dropped list shows as many entries as fit in the rest, at
// least one, with a scroll bar for more.
void PlaceDropDownList(QComboBox* box, const QRect& templateRect);

// Entries that fit below a closed field of `closedHeight` in a rectangle
// `templateHeight` high, entries being `entryHeight` high; at least one.
int EntriesWhenDropped(int templateHeight, int closedHeight, int entryHeight);
