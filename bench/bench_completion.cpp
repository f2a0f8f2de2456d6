// Completion handling and panel creation: from the window taking a posted
// completion to its panels holding and having drawn the new state, for blocks
// of 1, 8 and 64 devices from the simulator's model; and the completion that
// creates 8 or 32 panels at once. Floors: the same number of bare labels
// (set and drawn) or bare widgets (created and drawn) in a scrolling window
// of the same size.
#include "BenchForm.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QLabel>
#include <QScrollArea>

namespace {

using namespace Bench;

// Texts a stimulator panel sets at every redraw: 5 + 4 + 3 + 3 digits, the
// limit, the scale and the limit button's caption.
constexpr int TextsPerPanel = 18;

// Rows of the panels' size in a scrolling window of the main window's size.
class TFloorWindow {
public:
    TFloorWindow(const TForm1 &form, QSize rowSize) : fRowSize(rowSize)
    {
        fArea.setWidget(new QWidget);
        fArea.widget()->setLayout(new QVBoxLayout);
        fArea.widget()->layout()->setContentsMargins(0, 0, 0, 0);
        fArea.widget()->layout()->setSpacing(0);
        fArea.setWidgetResizable(true);
        fArea.resize(form.size());
        ShowExposed(fArea);
    }

    // A row holding `widgets` labels, all shown, placed as a designed
    // layout places them: at fixed positions.
    QWidget *AddRow(int widgets)
    {
        auto *row = new QWidget;
        row->setFixedSize(fRowSize);
        for (int k = 0; k < widgets; ++k) {
            auto *label = new QLabel(QStringLiteral("0"), row);
            label->setGeometry(k % 16 * 24, k / 16 * 24, 20, 20);
            fLabels.push_back(label);
        }
        fArea.widget()->layout()->addWidget(row);
        return row;
    }
    void Clear()
    {
        fLabels.clear();
        while (QLayoutItem *item = fArea.widget()->layout()->takeAt(0)) {
            delete item->widget();
            delete item;
        }
    }
    void SetTexts(const QString &text)
    {
        for (QLabel *label : fLabels)
            label->setText(text);
    }
    QScrollArea &Area() { return fArea; }

private:
    QSize fRowSize;
    QScrollArea fArea;
    std::vector<QLabel *> fLabels;
};

TRound FloorRound(TFloorWindow &floor, const QString &text)
{
    const auto start = TClock::now();
    floor.SetTexts(text);
    const auto set = TClock::now();
    Settle();
    return {Ms(set - start), Ms(TClock::now() - start)};
}

// The medians of one block size, beside those of the floor.
struct TMedians {
    double Handled, Drawn, FloorHandled, FloorDrawn;
};

TMedians Completion(TForm1 &form, int devices, int repetitions)
{
    BenchLibrary::SetDevices(devices);
    BenchLibrary::SetDemand(100);
    PollRound(form);
    TFloorWindow floor(form, form.DeviceFrames().front()->size());
    for (int k = 0; k < devices; ++k)
        floor.AddRow(TextsPerPanel);
    Settle();

    // New demand: every digit of the demand differs from the last report's.
    // Same state: the same report again, as most polls bring.
    std::vector<double> handled, drawn, same, floorHandled, floorDrawn, floorSame;
    TPaintCounter counter;
    for (int i = -20; i < repetitions; ++i) {
        BenchLibrary::SetDemand(i % 2 ? 1234 : 5678);
        counter.Paints = 0;
        const TRound changed = PollRound(form);
        if (counter.Paints < devices) {
            std::fprintf(stderr, "bench_completion: a new demand was not drawn\n");
            std::exit(1);
        }
        const TRound unchanged = PollRound(form);
        const QString text = i % 2 ? QStringLiteral("1") : QStringLiteral("2");
        const TRound floorChanged = FloorRound(floor, text);
        const TRound floorUnchanged = FloorRound(floor, text);
        if (i < 0)
            continue; // warm-up
        handled.push_back(changed.HandledMs);
        drawn.push_back(changed.DrawnMs);
        same.push_back(unchanged.DrawnMs);
        floorHandled.push_back(floorChanged.HandledMs);
        floorDrawn.push_back(floorChanged.DrawnMs);
        floorSame.push_back(floorUnchanged.DrawnMs);
    }
    const std::string what = "1. Completion, " + std::to_string(devices) + " device(s), ";
    const std::string budget = devices == 8 ? "median <= 2" : "-";
    const auto met = [devices](const TStats &s) { return devices == 8 ? Verdict(s.Median <= 2.0) : "-"; };
    const TStats h = Summarise(handled), d = Summarise(drawn), u = Summarise(same);
    const TStats fh = Summarise(floorHandled), fd = Summarise(floorDrawn), fu = Summarise(floorSame);
    Row(what + "new demand: panels hold it", "ms", h, fh, "-", "-");
    Row(what + "new demand: drawn", "ms", d, fd, budget, met(d));
    Row(what + "same state: drawn", "ms", u, fu, budget, met(u));
    return {h.Median, d.Median, fh.Median, fd.Median};
}

// Linear growth: a block k times larger costs at most k times as much, or
// grows no faster than the same number of bare labels does (Qt's own repaint
// bookkeeping and the caches grow faster than linearly).
void Growth(int from, int to, const TMedians &a, const TMedians &b)
{
    const std::string what = "1. Growth " + std::to_string(from) + " -> " + std::to_string(to) + " devices, ";
    const auto row = [&](const std::string &name, double x, double y, double floorX, double floorY) {
        const double ratio = y / x, floorRatio = floorY / floorX;
        Row(what + name, "x", {ratio, ratio, 1}, {floorRatio, floorRatio, 1},
            "<= " + std::to_string(to / from) + " or floor's",
            Verdict(ratio <= std::max(double(to) / from, floorRatio)));
    };
    row("panels hold the state", a.Handled, b.Handled, a.FloorHandled, b.FloorHandled);
    row("drawn", a.Drawn, b.Drawn, a.FloorDrawn, b.FloorDrawn);
}

void Creation(TForm1 &form, int devices, int repetitions)
{
    BenchLibrary::SetDevices(1);
    PollRound(form);
    const int widgetsPerPanel = int(form.DeviceFrames().front()->findChildren<QWidget *>().size()) + 1;
    const QSize panelSize = form.DeviceFrames().front()->size();
    std::vector<double> samples, floorSamples;
    for (int i = -3; i < repetitions; ++i) {
        BenchLibrary::SetDevices(0);
        PollRound(form);
        BenchLibrary::SetDevices(devices);
        const double created = PollRound(form).DrawnMs;

        TFloorWindow floor(form, panelSize);
        Settle();
        const auto start = TClock::now();
        for (int k = 0; k < devices; ++k)
            floor.AddRow(widgetsPerPanel);
        Settle();
        const double floorCreated = Ms(TClock::now() - start);
        if (i < 0)
            continue;
        samples.push_back(created);
        floorSamples.push_back(floorCreated);
    }
    Row("6. Create " + std::to_string(devices) + " panels in one completion, drawn", "ms",
        Summarise(samples), Summarise(floorSamples), "-", "-");
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareApplication();
    QApplication app(argc, argv);
    ApplyProgramLook();
    const auto form = StartedForm();
    // The poll timer is fired by hand here; the event loop never runs.
    // "bench_completion 64 [REPETITIONS]" runs one block size alone, for a profiler.
    if (argc > 1) {
        Completion(*form, std::atoi(argv[1]), argc > 2 ? std::atoi(argv[2]) : 300);
        return 0;
    }
    const TMedians one = Completion(*form, 1, 300);
    const TMedians eight = Completion(*form, 8, 300);
    const TMedians sixtyFour = Completion(*form, 64, 300);
    Growth(1, 8, one, eight);
    Growth(8, 64, eight, sixtyFour);
    for (const int devices : {8, 32})
        Creation(*form, devices, 15);
    return 0;
}
