// Poll period: from a completion being handled to the next poll reaching the
// library, with 8 devices and the simulator's 5 ms link latency, in the real
// event loop; then a spell with a latency longer than the poll interval, in
// which no poll may go out while one is on its way. Floor: a bare 200 ms
// precise single-shot timer, restarted each time it fires.
#include "BenchForm.h"

#include <QApplication>
#include <QEventLoop>

namespace {

using namespace Bench;

// Notes when the window has finished handling each posted completion.
class TTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        const bool completion = event->type() == TPostedMessageEvent::EventType();
        const bool result = QApplication::notify(receiver, event);
        if (completion)
            Handled.push_back(TClock::now());
        return result;
    }
    std::vector<TClock::time_point> Handled;
};

void RunFor(std::chrono::milliseconds spell)
{
    QEventLoop loop;
    QTimer::singleShot(spell, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareApplication();
    TTimedApplication app(argc, argv);
    ApplyProgramLook();
    BenchLibrary::SetDevices(8);
    BenchLibrary::SetLatency(std::chrono::milliseconds(5));
    auto form = StartedForm();
    RunFor(std::chrono::seconds(1));

    BenchLibrary::ClearRecords();
    app.Handled.clear();
    RunFor(std::chrono::seconds(40));
    std::vector<double> periods;
    const auto updates = BenchLibrary::UpdateTimes();
    for (const auto &update : updates) {
        // The last completion handled before this poll.
        const auto after = std::lower_bound(app.Handled.begin(), app.Handled.end(), update);
        if (after != app.Handled.begin())
            periods.push_back(Ms(update - *std::prev(after)));
    }

    // Latency 450 ms: the poll timer must stay off while each poll waits.
    BenchLibrary::SetLatency(std::chrono::milliseconds(450));
    RunFor(std::chrono::seconds(6));
    const int overlapping = BenchLibrary::OverlappingUpdates();
    const auto slowPolls = BenchLibrary::UpdateTimes().size() - updates.size();

    std::vector<double> floorPeriods;
    QTimer floor;
    floor.setTimerType(Qt::PreciseTimer);
    floor.setSingleShot(true);
    floor.setInterval(MainTimings::PollInterval);
    auto started = TClock::now();
    QObject::connect(&floor, &QTimer::timeout, [&] {
        floorPeriods.push_back(Ms(TClock::now() - started));
        started = TClock::now();
        floor.start();
    });
    form.reset(); // its late completions are dropped
    floor.start();
    RunFor(std::chrono::seconds(20));

    const TStats stats = Summarise(periods);
    Row("3. Poll period, completion handled to next poll, 8 devices", "ms", stats,
        Summarise(floorPeriods), "median 200, p99 <= 205",
        Verdict(stats.Median >= 199.5 && stats.Median <= 201 && stats.P99 <= 205));
    Row("3. Polls sent while one was on its way (" + std::to_string(updates.size() + slowPolls) +
            " polls, " + std::to_string(slowPolls) + " at 450 ms latency)",
        "count", {double(overlapping), double(overlapping), 1}, {}, "0", Verdict(overlapping == 0));
    return 0;
}
