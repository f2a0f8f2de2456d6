#include "BenchLibrary.h"

#include "SimEngine.h"
#include "V57API.h"

#include <QCoreApplication>
#include <QEvent>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace BenchLibrary {
namespace {

constexpr int32_t Reference = 0x57B00001;
constexpr int32_t FirstDeviceID = 0x00B00001;

int EnvInt(const char *name)
{
    const char *text = std::getenv(name);
    return text ? std::atoi(text) : 0;
}

// The events file of a whole-program run; appended line by line so that the
// process reading it sees each event as it happens.
class TEventLog {
public:
    TEventLog()
    {
        if (const char *path = std::getenv("PXV57_BENCH_EVENTS"))
            fFile = std::fopen(path, "a");
    }
    bool Enabled() const { return fFile != nullptr; }
    void Write(const char *event)
    {
        if (!fFile)
            return;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
            TClock::now().time_since_epoch());
        std::fprintf(fFile, "%s %lld\n", event, static_cast<long long>(ns.count()));
        std::fflush(fFile);
    }

private:
    std::FILE *fFile = nullptr;
};

TEventLog &Events()
{
    static TEventLog log;
    return log;
}

// Notes the first time any window of the host is exposed.
class TExposeProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && watched->isWindowType()) {
            Events().Write("shown");
            QCoreApplication::instance()->removeEventFilter(this);
        }
        return false;
    }
};

class TLibrary {
public:
    TLibrary()
        : fEngine(V57Sim::TScenario{true, {}}, [](const std::string &) {}),
          fLatency(std::chrono::milliseconds(EnvInt("PXV57_BENCH_LATENCY_MS")))
    {
        PlugDevices(EnvInt("PXV57_BENCH_DEVICES"));
        fWorker = std::thread([this] { Run(); });
    }
    ~TLibrary()
    {
        {
            std::lock_guard guard(fLock);
            fStopping = true;
        }
        fWake.notify_all();
        fWorker.join();
    }

    // The caller holds fLock.
    void PlugDevices(int count)
    {
        for (const V57Sim::TStimulator &device : std::vector(fEngine.Devices()))
            fEngine.Execute({.Verb = V57Sim::TVerb::Unplug, .DeviceID = device.DeviceID()}, Now());
        for (int k = 0; k < count; ++k)
            fEngine.Execute({.Verb = V57Sim::TVerb::Plug, .DeviceID = FirstDeviceID + k,
                             .VersionID = 0x01040000},
                            Now());
    }

    void Post(TClock::time_point due, std::function<void()> job)
    {
        fJobs.push_back({due, std::move(job)});
        fWake.notify_all();
    }

    void WaitIdle()
    {
        std::unique_lock guard(fLock);
        fIdle.wait(guard, [this] { return fJobs.empty() && !fRunning; });
    }

    V57Sim::TSimTime Now() const { return TClock::now() - fStart; }

    std::mutex fLock;
    V57Sim::TSimEngine fEngine;
    std::chrono::microseconds fLatency;
    std::vector<TClock::time_point> fUpdateTimes;
    int fPendingUpdates = 0;
    int fOverlapping = 0;

private:
    struct TJob {
        TClock::time_point Due;
        std::function<void()> Run;
    };

    void Run()
    {
        std::unique_lock guard(fLock);
        for (;;) {
            fWake.wait(guard, [this] { return fStopping || !fJobs.empty(); });
            if (fStopping)
                return;
            if (fWake.wait_until(guard, fJobs.front().Due, [this] { return fStopping; }))
                return;
            TJob job = std::move(fJobs.front());
            fJobs.pop_front();
            fRunning = true;
            guard.unlock();
            job.Run();
            guard.lock();
            fRunning = false;
            fIdle.notify_all();
        }
    }

    const TClock::time_point fStart = TClock::now();
    std::deque<TJob> fJobs;
    bool fRunning = false;
    bool fStopping = false;
    std::condition_variable fWake;
    std::condition_variable fIdle;
    std::thread fWorker;
};

TLibrary &Library()
{
    static TLibrary library;
    return library;
}

} // namespace

void SetDevices(int count)
{
    std::lock_guard guard(Library().fLock);
    Library().PlugDevices(count);
}

void SetDemand(int32_t demand)
{
    TLibrary &l = Library();
    std::lock_guard guard(l.fLock);
    for (const V57Sim::TStimulator &device : std::vector(l.fEngine.Devices()))
        l.fEngine.Execute({.Verb = V57Sim::TVerb::Set, .DeviceID = device.DeviceID(),
                           .Setting = V57Sim::TSetting::Demand, .Value = demand},
                          l.Now());
}

void SetLatency(std::chrono::microseconds latency)
{
    std::lock_guard guard(Library().fLock);
    Library().fLatency = latency;
}

void WaitIdle() { Library().WaitIdle(); }

std::vector<TClock::time_point> UpdateTimes()
{
    std::lock_guard guard(Library().fLock);
    return Library().fUpdateTimes;
}

int OverlappingUpdates()
{
    std::lock_guard guard(Library().fLock);
    return Library().fOverlapping;
}

void ClearRecords()
{
    std::lock_guard guard(Library().fLock);
    Library().fUpdateTimes.clear();
    Library().fOverlapping = 0;
}

} // namespace BenchLibrary

using namespace BenchLibrary;

extern "C" {

PXV57_EXPORT int32_t PXV57_CALL PXV57_Initialise(int32_t *Reference, int32_t *InitResult,
                                                 TPXClientInitialiseProc CallbackProc,
                                                 void *CallbackParam)
{
    Events().Write("initialise");
    if (Events().Enabled() && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(new TExposeProbe(QCoreApplication::instance()));
    if (!Reference || !CallbackProc)
        return 87;
    TLibrary &l = Library();
    std::lock_guard guard(l.fLock);
    *Reference = BenchLibrary::Reference;
    if (InitResult)
        *InitResult = PXV57_PENDING;
    l.Post(TClock::now() + l.fLatency, [=] { CallbackProc(0, CallbackParam); });
    return PXV57_PENDING;
}

PXV57_EXPORT int32_t PXV57_CALL PXV57_UpdateEx(int32_t Reference, int32_t *UpdateResult,
                                               const uint8_t *NewState, int32_t szNewState,
                                               uint8_t *, int32_t *, TPXClientUpdateProc CallbackProc,
                                               void *CallbackParam)
{
    const TClock::time_point arrived = TClock::now();
    Events().Write("update");
    if (Reference != BenchLibrary::Reference)
        return 6;
    if (!CallbackProc || szNewState < 0 || (szNewState > 0 && !NewState))
        return 87;
    TLibrary &l = Library();
    std::lock_guard guard(l.fLock);
    l.fUpdateTimes.push_back(arrived);
    if (l.fPendingUpdates > 0)
        ++l.fOverlapping;
    ++l.fPendingUpdates;
    if (UpdateResult)
        *UpdateResult = PXV57_PENDING;
    std::vector<uint8_t> newState(NewState, NewState + szNewState);
    l.Post(arrived + l.fLatency, [&l, newState = std::move(newState), CallbackProc, CallbackParam] {
        std::vector<uint8_t> current;
        {
            std::lock_guard guard(l.fLock);
            current = l.fEngine.Update(newState, l.Now());
            // Completed from here on: a request made from inside the callback
            // (or right after it) is not one made while this one was pending.
            --l.fPendingUpdates;
        }
        CallbackProc(0, current.data(), int32_t(current.size()), CallbackParam);
    });
    return PXV57_PENDING;
}

PXV57_EXPORT int32_t PXV57_CALL PXV57_Close(int32_t *Reference, int32_t *CloseResult,
                                            TPXClientCloseProc CallbackProc, void *CallbackParam)
{
    if (!Reference || !CallbackProc)
        return 87;
    *Reference = 0;
    if (CloseResult)
        *CloseResult = PXV57_PENDING;
    TLibrary &l = Library();
    std::lock_guard guard(l.fLock);
    l.Post(TClock::now(), [=] { CallbackProc(0, CallbackParam); });
    return PXV57_PENDING;
}

} // extern "C"
