#include "Application.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionComplex>

#include <exception>

namespace {

// Qt's own styles keep 19 px for a drop-down list's arrow, its glyph in the
// middle, and inset the text before it: in an 86 px list that cuts the last
// letter of "Mono-phasic". The text may run on towards the glyph.
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

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The gear of the waiting animation, in every size drawn at build time.
    QIcon icon;
    for (const QFileInfo &size : QDir(QStringLiteral(":/icons")).entryInfoList(QDir::Files))
        icon.addFile(size.filePath());
    setWindowIcon(icon);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ReportUncaughtError(QString::fromUtf8(error.what()));
    } catch (...) {
        // Whatever else was thrown (an int, a library's own type) is no
        // reason to end the program either.
        ReportUncaughtError(QStringLiteral("An error of an unknown kind occurred."));
    }
    return false;
}

void TApplication::ReportUncaughtError(const QString &text)
{
    QMessageBox::critical(activeWindow(), applicationDisplayName(), text);
}

bool ApplyVisualStyle(const QString &styleName)
{
    QString resourceName = styleName;
    resourceName.remove(QLatin1Char(' '));
    QFile sheet(QStringLiteral(":/styles/%1.qss").arg(resourceName));
    if (!sheet.open(QIODevice::ReadOnly)) {
        QMessageBox::critical(nullptr, QString(),
                              QStringLiteral("Visual style \"%1\" not found.").arg(styleName));
        return false;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

void KeepQtStyle()
{
    QApplication::setStyle(new TRoomyComboStyle(QApplication::style()->name()));
}

bool QtStyleRequested(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray option(argv[i]);
        if (option == "-style" || option == "--style")
            return i + 1 < argc;
        if (option.startsWith("-style=") || option.startsWith("--style="))
            return true;
    }
    return false;
}

void EnsureTahoma()
{
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
        for (const char *file : {"tahoma.ttf", "tahomabd.ttf"})
            QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/") + QLatin1String(file));
    }
    QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8));
}
