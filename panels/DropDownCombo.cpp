#include "DropDownCombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QProxyStyle>
#include <QStyleOptionComplex>

namespace {

// Qt's own styles keep 19 px for the arrow, its glyph in the middle, and
// inset the text before it: in an 86 px list that cuts the last letter of
// "Mono-phasic". The text may run on towards the glyph.
class TRoomyComboStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control == CC_ComboBox && sub == SC_ComboBoxEditField) {
            constexpr int intoArrow = 4;
            if (option->direction == Qt::RightToLeft)
                rect.setLeft(rect.left() - intoArrow);
            else
                rect.setRight(rect.right() + intoArrow);
        }
        return rect;
    }
};

} // namespace

TDropDownCombo::TDropDownCombo(QWidget *parent) : QComboBox(parent)
{
    // A style sheet draws the list itself (Ruby Graphite leaves room); the
    // default look needs the wider text field.
    if (qApp->styleSheet().isEmpty()) {
        static auto *const roomy = [] {
            auto *style = new TRoomyComboStyle;
            style->setParent(qApp);
            return style;
        }();
        setStyle(roomy);
    }
}

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
