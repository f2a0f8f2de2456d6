#include "Application.h"
#include "FMainU.h"

int main(int argc, char *argv[])
{
    TApplication application(argc, argv);
    EnsureTahoma();
    ApplyVisualStyle(QStringLiteral("Ruby Graphite"));
    TForm1 mainWindow;
    mainWindow.show();
    TApplication::exec();
    return 0;
}
