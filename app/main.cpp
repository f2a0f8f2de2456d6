#include "Application.h"
#include "DebugOutput.h"
#include "FMainU.h"

int main(int argc, char *argv[])
{
    const bool qtStyle = QtStyleRequested(argc, argv);
    TApplication application(argc, argv);
    InstallDebugOutputChannel();
    EnsureTahoma();
    if (qtStyle || !ApplyVisualStyle(QStringLiteral("Ruby Graphite")))
        KeepQtStyle();
    TForm1 mainWindow;
    mainWindow.show();
    TApplication::exec();
    return 0;
}
