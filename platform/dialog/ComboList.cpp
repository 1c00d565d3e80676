#include "platform/dialog/ComboList.h"

#include <QComboBox>

#include "platform/text/AsciiCase.h"
#include "platform/text/Gbk.h"

bool ComboList::AttachWidget(QWidget* widget) {
    box_ = qobject_cast<QComboBox*>(widget);
    return IsBound();
}

int ComboList::AddString(const std::string& text) {
    if (!box_) {
        return -1;
    }
    int position = 0;
    while (position < box_->count() && ascii::CompareNoCase(GetLBText(position), text) <= 0) {
        ++position;
    }
    const bool hadSelection = box_->currentIndex() >= 0;
    box_->insertItem(position, gbk::ToQt(text));
    // Qt selects the first entry added to an empty list; a dialog list does not.
    if (!hadSelection) {
        box_->setCurrentIndex(-1);
    }
    return position;
}

int ComboList::SetCurSel(int position) {
    if (!box_) {
        return -1;
    }
    if (position < -1 || position >= box_->count()) {
        box_->setCurrentIndex(-1);
        return -1;
    }
    box_->setCurrentIndex(position);
    return position;
}

int ComboList::GetCurSel() const {
    return box_ ? box_->currentIndex() : -1;
}

int ComboList::GetCount() const {
    return box_ ? box_->count() : 0;
}

std::string ComboList::GetLBText(int position) const {
    if (!box_ || position < 0 || position >= box_->count()) {
        return std::string();
    }
    return gbk::ToBytes(box_->itemText(position));
}
