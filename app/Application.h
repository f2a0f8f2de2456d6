// Process-wide start-up: the application object, the visual style and fonts.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);

    // Reports an error that no handler caught, instead of ending the program.
    bool notify(QObject *receiver, QEvent *event) override;
};

// Applies the named style carried among the program's resources. A missing
// style is named in an error dialog and the default look stays.
bool ApplyVisualStyle(const QString &styleName);

// The layouts are designed in Tahoma; where the system has none, the
// metric-compatible one that Debian ships with Wine is registered.
void EnsureTahoma();
