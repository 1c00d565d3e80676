#pragma once

#include <QString>

class QWidget;

// The text a control shows, whatever its kind: an edit's content (a
// multi-line edit's line breaks as CR LF), a button's or a label's caption, a
// list's text field, a group box's title; for any other widget its window
// title.
QString WidgetText(const QWidget* widget);
// Sets that text; a one-line edit then shows its start.
void SetWidgetText(QWidget* widget, const QString& text);
