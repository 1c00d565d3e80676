#include "platform/dialog/ComboList.h"

#include <QComboBox>

#include "platform/text/Gbk.h"

namespace {
// Case-insensitive order over bytes; ASCII letters fold, other bytes compare as they are.
int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
}  // namespace

bool ComboList::AttachWidget(QWidget* widget) {
    box_ = qobject_cast<QComboBox*>(widget);
    return IsBound();
}

int ComboList::AddString(const std::string& text) {
    if (!box_) {
        return -1;
    }
    int position = 0;
    while (position < box_->count() && CompareNoCase(GetLBText(position), text) <= 0) {
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
