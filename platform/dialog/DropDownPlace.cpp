#include "platform/dialog/DropDownPlace.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <algorithm>

int EntriesWhenDropped(int templateHeight, int closedHeight, int entryHeight) {
    if (entryHeight <= 0) {
        return 1;
    }
    return std::max(1, (templateHeight - closedHeight) / entryHeight);
}

void PlaceDropDownList(QComboBox* box, const QRect& templateRect) {
    QRect closed = templateRect;
    closed.setHeight(std::min(templateRect.height(), box->sizeHint().height()));
    box->setGeometry(closed);
    // A list is filled after it is made, so its entries' height comes from the
    // font of the list that drops down.
    QAbstractItemView* view = box->view();
    const int entryHeight =
        box->count() > 0 ? view->sizeHintForRow(0) : view->fontMetrics().height();
    box->setMaxVisibleItems(
        EntriesWhenDropped(templateRect.height(), closed.height(), entryHeight));
}
