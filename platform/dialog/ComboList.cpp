#include "platform/dialog/ComboList.h"

#include <QComboBox>

#include "platform/text/AsciiCase.h"
#include "platform/text/Gbk.h"
#include "platform/threads/ThreadCheck.h"

bool ComboList::AttachWidget(QWidget* widget) {
    RequireOwnerThread(widget, "ComboList::AttachWidget");
    box_ = qobject_cast<QComboBox*>(widget);
    return IsBound();
}

int ComboList::AddString(const std::string& text) {
    RequireOwnerThread(box_, "ComboList::AddString");
    if (!box_) {
        return -1;
    }
    int position = 0;
    while (position < box_->count() && ascii::CompareNoCase(GetLBText(position), text) <= 0) {
        ++position;
    }
    return InsertAt(position, text);
}

int ComboList::InsertString(int position, const std::string& text) {
    RequireOwnerThread(box_, "ComboList::InsertString");
    if (!box_ || position < -1 || position > box_->count()) {
        return -1;
    }
    return InsertAt(position == -1 ? box_->count() : position, text);
}

int ComboList::InsertAt(int position, const std::string& text) {
    const bool hadSelection = box_->currentIndex() >= 0;
    box_->insertItem(position, gbk::ToQt(text));
    // Qt selects the first entry added to an empty list; a dialog list does not.
    if (!hadSelection) {
        box_->setCurrentIndex(-1);
    }
    return position;
}

int ComboList::SetCurSel(int position) {
    RequireOwnerThread(box_, "ComboList::SetCurSel");
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
    RequireOwnerThread(box_, "ComboList::GetCurSel");
    return box_ ? box_->currentIndex() : -1;
}

int ComboList::GetCount() const {
    RequireOwnerThread(box_, "ComboList::GetCount");
    return box_ ? box_->count() : 0;
}

std::string ComboList::GetLBText(int position) const {
    RequireOwnerThread(box_, "ComboList::GetLBText");
    if (!box_ || position < 0 || position >= box_->count()) {
        return std::string();
    }
    return gbk::ToBytes(box_->itemText(position));
}
