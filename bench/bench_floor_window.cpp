// The floor of the whole-program figures: a bare Qt main window with one
// 200 ms timer, asking the library for nothing but its initialise (so the
// bench library notes the same start-up events as for the program).
#include "V57API.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

namespace {
void PXV57_CALL Ignore(int32_t, void *) {}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(462, 276);
    int32_t reference = 0;
    PXV57_Initialise(&reference, nullptr, &Ignore, nullptr);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(200);
    window.show();
    return QApplication::exec();
}
