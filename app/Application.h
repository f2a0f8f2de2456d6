// Process-wide start-up: the application object, the visual style and fonts.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);

    // Reports an error that no handler caught, of any type, instead of
    // ending the program.
    bool notify(QObject *receiver, QEvent *event) override;

protected:
    // The report: a dialog naming the error.
    virtual void ReportUncaughtError(const QString &text);
};

// Applies the named style carried among the program's resources. A missing
// style is named in an error dialog and the default look stays.
bool ApplyVisualStyle(const QString &styleName);

// Whether the command line names one of Qt's own styles (-style NAME, also
// -style=NAME, --style ...). Read before the application object takes its
// options out of argv; such a choice keeps the default look in that style.
bool QtStyleRequested(int argc, const char *const *argv);

// The default look in Qt's style of the moment, with room for the layouts'
// narrow drop-down lists.
void KeepQtStyle();

// The layouts are designed in Tahoma 8 pt, which becomes the program's
// ordinary font; where the system has no Tahoma, the metric-compatible one
// that Debian ships with Wine is registered. The ordinary font is set for the
// whole program because a style sheet re-resolves every widget's font from
// the application's, dropping what a layout set on a parent.
void EnsureTahoma();
