// The main window as the benchmarks drive it: the program's look, the bench
// library behind it, polls fired by hand and completions handed over with
// every event they cause (layout, paint) processed.
#pragma once

#include "Application.h"
#include "BenchLibrary.h"
#include "BenchStats.h"
#include "FMainU.h"
#include "TimerTick.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace Bench {

// Off screen unless a platform is chosen, on a screen tall enough for 64
// panels: every panel is on screen, so every panel draws its new state.
inline void PrepareApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" BENCH_SCREEN_CONFIG);
}
inline void ApplyProgramLook()
{
    EnsureTahoma();
    ApplyVisualStyle(QStringLiteral("Ruby Graphite"));
}

// Shows a window and waits until the platform has exposed it: before that
// nothing is drawn.
inline void ShowExposed(QWidget &window)
{
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents();
}

// Every posted event, including layout requests and the paints they cause.
inline void Settle() { QCoreApplication::sendPostedEvents(); }

// Hands the completions the library has made to the window, and no more.
inline void DeliverCompletions(TForm1 &form)
{
    BenchLibrary::WaitIdle();
    QCoreApplication::sendPostedEvents(&form, TPostedMessageEvent::EventType());
}

// Counts the paint events of every widget, to show that a round has drawn.
class TPaintCounter : public QObject {
public:
    TPaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
    int Paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The library's completion of a poll, handled, laid out and drawn: how long
// the window took from taking the completion to its panels holding the new
// state, and to having drawn it.
struct TRound {
    double HandledMs;
    double DrawnMs;
};
inline TRound PollRound(TForm1 &form)
{
    Tick(form.tmrPoll);
    BenchLibrary::WaitIdle();
    const auto start = TClock::now();
    QCoreApplication::sendPostedEvents(&form, TPostedMessageEvent::EventType());
    const auto handled = TClock::now();
    Settle();
    return {Ms(handled - start), Ms(TClock::now() - start)};
}

inline std::unique_ptr<TForm1> StartedForm()
{
    auto form = std::make_unique<TForm1>();
    ShowExposed(*form);
    DeliverCompletions(*form);
    Settle();
    return form;
}

} // namespace Bench
