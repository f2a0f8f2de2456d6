// The soak driver: the program's main window on the real libV57API.so (the
// simulator), in this process so that operator clicks are real mouse events
// on the panels' controls. Driven by soak.sh:
//
//   soak_driver soak SECONDS [SEED]     devices plugged and pulled, knobs
//       turned at the instruments, trigger trains and link faults through the
//       control socket, operator clicks; every accepted operator change must
//       reach its device, every panel must end up showing what its device
//       reports, and the resident memory must stay flat.
//   soak_driver shutdown CLOSE_AFTER_MS  the program as main() builds it,
//       its window closed after that long, requests on their way or not.
#include "Application.h"
#include "FMainU.h"
#include "SimulatorSocket.h"
#include "StimulatorRecord.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <malloc.h>

#include <cstdio>

namespace {

using TValues = QMap<QString, int>;

// Generous: the simulator and the program share a busy machine.
constexpr int PatienceMs = 15000;

using SimulatorSocket::Ask;

// The settings compared between a panel and its device, in the socket's names.
TValues DeviceValues(const QByteArray &socket, int32_t id)
{
    TValues values;
    const QMap<QString, QString> state = SimulatorSocket::State(socket, id);
    for (auto word = state.begin(); word != state.end(); ++word) {
        if (word.key() != QLatin1String("id") && word.key() != QLatin1String("version"))
            values[word.key()] = word.value().toInt();
    }
    return values;
}

TValues PanelValues(TFGenericDeviceIntf &panel)
{
    uint8_t record[StimulatorRecord::Size] = {};
    panel.GetDeviceState(record);
    const auto word = [&](int n) { return DeviceBlock::Word(record, n); };
    const StimulatorRecord::TControlFields control =
        StimulatorRecord::DecodeControlWord(uint32_t(word(StimulatorRecord::ControlWord)));
    return {{"demand", word(StimulatorRecord::Demand)},  {"limit", word(StimulatorRecord::Limit)},
            {"width", word(StimulatorRecord::Width)},    {"recovery", word(StimulatorRecord::Recovery)},
            {"dwell", word(StimulatorRecord::Dwell)},    {"output", control.Output != 0},
            {"mode", control.Mode},                      {"polarity", control.Polarity},
            {"beepoff", control.BeeperOff != 0}};
}

// What differs between the panels and the devices; empty when they agree.
QStringList Differences(const TForm1 &form, const QByteArray &socket)
{
    QStringList differences;
    QList<int32_t> devices;
    for (const QString &id : Ask(socket, QStringLiteral("devices")).split(u' ').mid(1))
        devices.append(int32_t(id.toUInt(nullptr, 16)));
    std::sort(devices.begin(), devices.end());
    QList<int32_t> panels;
    for (const auto &panel : form.DeviceFrames())
        panels.append(panel->DeviceID());
    if (panels != devices)
        differences.append(QStringLiteral("panel list differs from the devices"));
    for (const auto &panel : form.DeviceFrames()) {
        const TValues device = DeviceValues(socket, panel->DeviceID());
        const TValues shown = PanelValues(*panel);
        for (auto value = shown.begin(); value != shown.end(); ++value)
            if (device.value(value.key(), -1) != value.value())
                differences.append(QStringLiteral("%1 %2: panel %3, device %4")
                                       .arg(SimulatorSocket::DeviceName(panel->DeviceID()), value.key())
                                       .arg(value.value())
                                       .arg(device.value(value.key(), -1)));
    }
    return differences;
}

// The process's resident memory, and the heap's bytes in use, which unlike
// the resident memory neither the allocator's free lists nor its
// fragmentation move: a leak shows in both, a wobble in the first alone.
struct TMemory {
    long RssKiB = -1;
    long HeapKiB = -1;
};

TMemory Memory()
{
    malloc_trim(0);
    TMemory memory;
    const struct mallinfo2 heap = mallinfo2();
    memory.HeapKiB = long((heap.uordblks + heap.hblkhd) / 1024);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return memory;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            memory.RssKiB = line.mid(6).trimmed().split(' ').front().toLong();
    return memory;
}

// With the number of panels, whose widgets are most of the heap.
void PrintMemory(const QString &when, const TMemory &memory, std::size_t panels)
{
    std::printf("memory %s, %zu panels: RSS %ld KiB, heap in use %ld KiB\n", qPrintable(when), panels,
                memory.RssKiB, memory.HeapKiB);
    std::fflush(stdout);
}

// An editable digit row: its digits' names and the setting they change.
struct TDigitRow {
    const char *Setting;
    const char *Digits; // pnl<Digits><n>
    const char *Buttons; // btn<Buttons>Inc<n>, btn<Buttons>Dec<n>
    QList<int> Numbers;
};
const TDigitRow DigitRows[] = {
    {"demand", "DEMAND", "Demand", {1, 2, 3, 4}},
    {"width", "WIDTH", "Width", {2, 3}},
    {"recovery", "RECOVERY", "Recovery", {1, 2}},
    {"dwell", "DWELL", "Dwell", {2, 3}},
};

class TSoak {
public:
    TSoak(TForm1 &form, QByteArray socket, quint32 seed)
        : fForm(form), fSocket(std::move(socket)), fRandom(seed)
    {
    }

    int Run(int seconds);

private:
    int Pick(int n) { return int(fRandom.bounded(n)); }
    QString AnyDevice(bool connected);
    bool Instrument(const QString &line);
    void HotPlug();
    void TurnKnob();
    void Pulses();
    void Fault();
    void Operate();
    // Waits until the device holds what the panel sent; false when it does not.
    bool Reached(int32_t id, const QString &setting, int expected);

    TForm1 &fForm;
    const QByteArray fSocket;
    QRandomGenerator fRandom;
    int fOperatorChanges = 0, fReached = 0, fRefused = 0, fGone = 0, fLost = 0, fClicks = 0;
    int fInstrument = 0, fPlugs = 0, fFaults = 0, fSocketErrors = 0;
};

QString TSoak::AnyDevice(bool connected)
{
    QStringList ids = Ask(fSocket, QStringLiteral("devices")).split(u' ').mid(1);
    if (!connected) {
        QStringList unplugged;
        for (int k = 0; k < 6; ++k) {
            const QString id = SimulatorSocket::DeviceName(0x00C0FF00 + k);
            if (!ids.contains(id))
                unplugged.append(id);
        }
        ids = unplugged;
    }
    return ids.isEmpty() ? QString() : ids[Pick(int(ids.size()))];
}

bool TSoak::Instrument(const QString &line)
{
    const QString answer = Ask(fSocket, line);
    if (answer != QLatin1String("ok")) {
        ++fSocketErrors;
        std::printf("socket: %s -> %s\n", qPrintable(line), qPrintable(answer));
        return false;
    }
    return true;
}

void TSoak::HotPlug()
{
    const QString id = AnyDevice(Pick(2) == 0);
    if (id.isEmpty())
        return;
    const bool connected = Ask(fSocket, QStringLiteral("devices")).contains(id);
    fPlugs += Instrument(connected ? QStringLiteral("unplug ") + id
                                   : QStringLiteral("plug %1 1.%2.0.0").arg(id).arg(Pick(9)));
}

void TSoak::TurnKnob()
{
    const QString id = AnyDevice(true);
    if (id.isEmpty())
        return;
    static const QList<std::pair<const char *, std::pair<int, int>>> knobs = {
        {"demand", {0, 10000}}, {"limit", {0, 10000}},  {"width", {50, 2000}},
        {"recovery", {10, 100}}, {"dwell", {1, 990}},   {"mode", {1, 2}},
        {"polarity", {1, 3}},   {"output", {0, 1}},     {"beep", {0, 1}},
    };
    const auto &[setting, range] = knobs[Pick(int(knobs.size()))];
    const int value = range.first + Pick(range.second - range.first + 1);
    fInstrument += Instrument(QStringLiteral("set %1 %2 %3").arg(id, QLatin1String(setting)).arg(value));
}

void TSoak::Pulses()
{
    const QString id = AnyDevice(true);
    if (id.isEmpty())
        return;
    static const int rates[] = {0, 2, 50, 1000};
    const QString lines[] = {
        QStringLiteral("trigger ") + id,
        QStringLiteral("train %1 %2").arg(id).arg(rates[Pick(4)]),
        QStringLiteral("load %1 %2").arg(id).arg(100 + Pick(30000)),
    };
    fInstrument += Instrument(lines[Pick(3)]);
}

// Faults the session recovers from by itself. A lost completion is left out:
// the session then waits for it for good, and the watchdog says so.
void TSoak::Fault()
{
    const QString lines[] = {
        QStringLiteral("refuse-updates 1 1167"),
        QStringLiteral("empty-block"),
        QStringLiteral("truncated-block %1").arg(Pick(120)),
        QStringLiteral("delay %1").arg(1 + Pick(40)),
    };
    fFaults += Instrument(lines[Pick(4)]);
}

bool TSoak::Reached(int32_t id, const QString &setting, int expected)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < PatienceMs) {
        if (DeviceValues(fSocket, id).value(setting, -1) == expected)
            return true;
        if (fForm.sbStatus->currentMessage().startsWith(QLatin1String("Update failed"))
            || DeviceValues(fSocket, id).isEmpty())
            return false;
        QTest::qWait(20);
    }
    return false;
}

void TSoak::Operate()
{
    if (fForm.DeviceFrames().empty())
        return;
    TFGenericDeviceIntf &panel = *fForm.DeviceFrames()[std::size_t(Pick(int(fForm.DeviceFrames().size())))];
    const auto control = [&](const QString &name) { return panel.findChild<QWidget *>(name); };
    const TValues before = PanelValues(panel);
    QString setting;
    switch (Pick(5)) {
    case 0:
    case 1: { // a digit: select it, then step it up or down a few times
        const TDigitRow &row = DigitRows[Pick(4)];
        const int n = row.Numbers[Pick(int(row.Numbers.size()))];
        QTest::mouseClick(control(QStringLiteral("pnl%1%2").arg(QLatin1String(row.Digits)).arg(n)),
                          Qt::LeftButton);
        const QString arrow = QStringLiteral("btn%1%2%3")
                                  .arg(QLatin1String(row.Buttons), Pick(2) ? "Inc" : "Dec")
                                  .arg(n);
        for (int steps = 1 + Pick(3); steps > 0; --steps, ++fClicks)
            QTest::mouseClick(control(arrow), Qt::LeftButton);
        setting = QLatin1String(row.Setting);
        break;
    }
    case 2:
        QTest::mouseClick(control(Pick(2) ? "rgOutput_Enabled" : "rgOutput_Disabled"), Qt::LeftButton);
        setting = QStringLiteral("output");
        break;
    case 3:
        QTest::mouseClick(control("cbBUZZER"), Qt::LeftButton);
        setting = QStringLiteral("beepoff");
        break;
    case 4:
        QTest::mouseClick(control("btnTrigger"), Qt::LeftButton);
        break;
    }
    ++fClicks;
    // What the operator now sees is what was sent. A click that changed
    // nothing (a radio button already on, a digit at its bound) sends nothing.
    const int expected = PanelValues(panel).value(setting);
    if (setting.isEmpty() || expected == before.value(setting))
        return;
    const int32_t id = panel.DeviceID();
    ++fOperatorChanges;
    if (Reached(id, setting, expected)) {
        ++fReached;
    } else if (fForm.sbStatus->currentMessage().startsWith(QLatin1String("Update failed"))) {
        ++fRefused;
    } else if (DeviceValues(fSocket, id).isEmpty()) {
        ++fGone; // pulled out before its panel went: nothing to reach
    } else {
        ++fLost;
        std::printf("lost: %s %s = %d; the device has %d, the status says \"%s\"\n",
                    qPrintable(SimulatorSocket::DeviceName(id)), qPrintable(setting), expected,
                    DeviceValues(fSocket, id).value(setting, -1),
                    qPrintable(fForm.sbStatus->currentMessage()));
    }
}

int TSoak::Run(int seconds)
{
    QTest::qWait(1000);
    QElapsedTimer clock;
    clock.start();
    const qint64 end = qint64(seconds) * 1000;
    const qint64 warmUp = std::min<qint64>(30000, end / 4);
    // Ten looks at the memory on the way, a minute apart at least.
    const qint64 sampleEvery = std::max<qint64>(60000, end / 10);
    TMemory warm;
    qint64 nextSample = sampleEvery;
    int operations = 0;
    while (clock.elapsed() < end) {
        const std::size_t panels = fForm.DeviceFrames().size();
        if (warm.RssKiB < 0 && clock.elapsed() >= warmUp) {
            warm = Memory();
            PrintMemory(QStringLiteral("after warm-up"), warm, panels);
        }
        if (clock.elapsed() >= nextSample) {
            PrintMemory(QStringLiteral("at %1 s").arg(nextSample / 1000), Memory(), panels);
            nextSample += sampleEvery;
        }
        fForm.sbStatus->clearMessage();
        const int roll = Pick(100);
        if (roll < 40)
            Operate();
        else if (roll < 65)
            TurnKnob();
        else if (roll < 75)
            HotPlug();
        else if (roll < 85)
            Pulses();
        else if (roll < 92)
            Fault();
        ++operations;
        QTest::qWait(20 + Pick(150));
    }

    // Quiet now: the panels must come to show what the devices report.
    Instrument(QStringLiteral("delay 5"));
    QStringList differences;
    QElapsedTimer settle;
    settle.start();
    do {
        QTest::qWait(250);
        differences = Differences(fForm, fSocket);
    } while (!differences.isEmpty() && settle.elapsed() < PatienceMs);
    const TMemory atEnd = Memory();
    const long rssWarm = warm.RssKiB, rssEnd = atEnd.RssKiB;
    // Widgets come and go with the devices: allocator and Qt caches wobble.
    const long tolerance = std::max(8192L, rssWarm / 20);
    const bool flat = rssEnd - rssWarm <= tolerance;

    for (const QString &difference : differences)
        std::printf("differs: %s\n", qPrintable(difference));
    std::printf("soak: %d s, %d operations\n", seconds, operations);
    std::printf("operator: %d clicks, %d changes: %d reached the device, %d refused by the library, "
                "%d to a device already pulled out, %d lost\n",
                fClicks, fOperatorChanges, fReached, fRefused, fGone, fLost);
    std::printf("instrument side: %d changes, %d plugs and pulls; link faults injected: %d; "
                "socket errors: %d\n",
                fInstrument, fPlugs, fFaults, fSocketErrors);
    std::printf("panels at the end: %d, %s\n", int(fForm.DeviceFrames().size()),
                differences.isEmpty() ? "all showing what their devices report" : "DIFFERENT");
    std::printf("RSS after warm-up %ld KiB, at the end %ld KiB (%+ld KiB, tolerance %ld KiB): %s\n",
                rssWarm, rssEnd, rssEnd - rssWarm, tolerance, flat ? "flat" : "GROWING");
    PrintMemory(QStringLiteral("at the end"), atEnd, fForm.DeviceFrames().size());
    const bool passed = differences.isEmpty() && fLost == 0 && fSocketErrors == 0 && flat;
    std::printf("soak: %s\n", passed ? "PASS" : "FAIL");
    return passed ? 0 : 1;
}

int Soak(int argc, char *argv[])
{
    const int seconds = argc > 2 ? atoi(argv[2]) : 120;
    const quint32 seed = argc > 3 ? quint32(strtoul(argv[3], nullptr, 10)) : 1;
    const QByteArray socket = "/tmp/pellix-soak-" + QByteArray::number(getpid()) + ".sock";
    qputenv("PXV57_SIM_SOCKET", socket);
    QApplication application(argc, argv);
    TForm1 form;
    form.show();
    std::printf("soak: seed %u\n", seed);
    return TSoak(form, socket, seed).Run(seconds);
}

// As main() does, but the window is closed by a timer instead of a hand. Each
// request takes 300 ms, so a close often finds one on its way.
int Shutdown(int argc, char *argv[])
{
    const int closeAfter = argc > 2 ? atoi(argv[2]) : 700;
    QTemporaryDir dir;
    const QString scenario = dir.filePath(QStringLiteral("slow.scn"));
    QFile file(scenario);
    if (!file.open(QIODevice::WriteOnly) || file.write("delay 300\n") < 0)
        return 2;
    file.close();
    qputenv("PXV57_SIM_SCENARIO", scenario.toLocal8Bit());

    TApplication application(argc, argv);
    EnsureTahoma();
    ApplyVisualStyle(QStringLiteral("Ruby Graphite"));
    TForm1 mainWindow;
    mainWindow.show();
    // From closeAfter on, the window closes as soon as a request is on its
    // way: the initialise (neither timer runs yet) or an update (the
    // watchdog runs). Between two requests it waits for the next poll.
    const char *onItsWay = nullptr;
    QTimer look;
    look.setInterval(1);
    QObject::connect(&look, &QTimer::timeout, &mainWindow, [&] {
        if (mainWindow.tmrWatchDog->isActive())
            onItsWay = "an update";
        else if (!mainWindow.tmrPoll->isActive())
            onItsWay = "the initialise";
        else
            return;
        look.stop();
        mainWindow.close();
    });
    QTimer::singleShot(closeAfter, &look, qOverload<>(&QTimer::start));
    TApplication::exec();
    std::printf("closed after %d ms or a little more, with %s on its way\n", closeAfter,
                onItsWay ? onItsWay : "nothing");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (mode == "soak")
        return Soak(argc, argv);
    if (mode == "shutdown")
        return Shutdown(argc, argv);
    std::fprintf(stderr, "usage: %s soak SECONDS [SEED] | shutdown CLOSE_AFTER_MS\n", argv[0]);
    return 2;
}
