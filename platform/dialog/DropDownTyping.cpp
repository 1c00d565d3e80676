#include "platform/dialog/DropDownTyping.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>

namespace {

void DropSelectionKeepingText(QComboBox* box) {
    QLineEdit* field = box->lineEdit();
    const QString text = field->text();
    const int cursor = field->cursorPosition();
    const int selectionStart = field->selectionStart();
    const int selectionLength = field->selectedText().size();
    const bool modified = field->isModified();
    // Dropping the selection empties the field; the typed text goes back in.
    box->setCurrentIndex(-1);
    field->setText(text);
    if (selectionStart >= 0) {
        // A selection keeps its direction: made leftwards, the cursor is at
        // its start.
        const bool cursorAtStart = cursor == selectionStart;
        field->setSelection(cursorAtStart ? selectionStart + selectionLength : selectionStart,
                            cursorAtStart ? -selectionLength : selectionLength);
    } else {
        field->setCursorPosition(cursor);
    }
    field->setModified(modified);
    // Nothing stays selected in the list either, so that assistive technology
    // sees no entry chosen and can choose the old one again.
    if (QItemSelectionModel* selection = box->view()->selectionModel()) {
        selection->clearSelection();
    }
}

}  // namespace

void ClearSelectionWhenTyped(QComboBox* box) {
    QLineEdit* field = box->lineEdit();
    if (!field) {
        return;
    }
    // Qt's own pick of an entry by the typed text, on Enter and when the
    // field loses the focus.
    QObject::disconnect(field, &QLineEdit::returnPressed, box, nullptr);
    QObject::disconnect(field, &QLineEdit::editingFinished, box, nullptr);
    // Typing, even a text equal to the entry's.
    QObject::connect(field, &QLineEdit::textEdited, box, [box] {
        if (box->currentIndex() >= 0) {
            DropSelectionKeepingText(box);
        }
    });
    // Any other change away from the entry's text, such as assistive
    // technology setting the field's text; choosing an entry sets its own.
    QObject::connect(field, &QLineEdit::textChanged, box, [box](const QString& text) {
        if (box->currentIndex() >= 0 && text != box->itemText(box->currentIndex())) {
            DropSelectionKeepingText(box);
        }
    });
}
