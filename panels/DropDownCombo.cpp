#include "DropDownCombo.h"

#include <QAbstractItemView>
#include <QEvent>

TDropDownCombo::TDropDownCombo(QWidget *parent) : QComboBox(parent) {}

void TDropDownCombo::showPopup()
{
    QComboBox::showPopup();
    QWidget *list = view()->window();
    if (!list->isVisible())
        return; // an empty combo opens no list
    // A click outside closes the list without passing through hidePopup(),
    // so the list's own hiding is what marks the close.
    if (list != fWatchedList) {
        list->installEventFilter(this);
        fWatchedList = list;
    }
    emit droppedDown();
}

bool TDropDownCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == fWatchedList && event->type() == QEvent::Hide)
        emit closedUp();
    return QComboBox::eventFilter(watched, event);
}
