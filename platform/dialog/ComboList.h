#pragma once

#include <QPointer>
#include <string>

#include "platform/dialog/BindableControl.h"

class QComboBox;

// A drop-down list control object: bound to a list of the dialog by the data
// exchange, then operating it. Entries added are kept sorted, ignoring case;
// entries inserted stay where they are put.
class ComboList : public BindableControl {
public:
    bool AttachWidget(QWidget* widget) override;
    bool IsBound() const override { return !box_.isNull(); }

    // Inserts in sorted place and returns the entry's position.
    int AddString(const std::string& text);
    // Inserts at a position, not sorted; -1 appends. Returns the position, or
    // -1 for a position past the end.
    int InsertString(int position, const std::string& text);
    // Selects a position; -1 clears the selection. Returns -1 for a position
    // outside the list.
    int SetCurSel(int position);
    // The selected position, -1 when nothing is selected.
    int GetCurSel() const;
    int GetCount() const;
    std::string GetLBText(int position) const;

private:
    int InsertAt(int position, const std::string& text);

    QPointer<QComboBox> box_;
};
