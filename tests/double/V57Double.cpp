#include "V57Double.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace V57Double {
namespace {

struct TPendingUpdate {
    TPXClientUpdateProc proc;
    void *param;
};

// One worker thread runs the callbacks, in the order the test asked for them.
class TDouble {
public:
    TDouble() : worker([this] { Run(); }) {}

    // The caller holds the lock.
    void Post(std::function<void()> job)
    {
        jobs.push_back(std::move(job));
        wake.notify_all();
    }

    void Flush()
    {
        std::unique_lock guard(lock);
        idle.wait(guard, [this] { return jobs.empty() && !running; });
    }

    std::mutex lock;
    int32_t initialiseResult = PXV57_PENDING;
    int32_t reference = 1;
    std::deque<int32_t> updateResults;
    int initialiseCalls = 0;
    std::optional<std::pair<TPXClientInitialiseProc, void *>> pendingInitialise;
    std::vector<TUpdateCall> updateCalls;
    std::deque<TPendingUpdate> pendingUpdates;
    std::optional<TPendingUpdate> lastUpdate;
    std::thread::id callbackThread;

private:
    void Run()
    {
        std::unique_lock guard(lock);
        callbackThread = std::this_thread::get_id();
        for (;;) {
            wake.wait(guard, [this] { return !jobs.empty(); });
            auto job = std::move(jobs.front());
            jobs.pop_front();
            running = true;
            guard.unlock();
            job();
            guard.lock();
            running = false;
            idle.notify_all();
        }
    }

    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void()>> jobs;
    bool running = false;
    std::thread worker;
};

// Never destroyed: at exit its thread may be gone already (on Windows a
// DLL's statics are destroyed after the process's other threads were
// stopped), and joining it would wait for ever.
TDouble &Instance()
{
    static TDouble *const instance = new TDouble;
    return *instance;
}

} // namespace

void Reset()
{
    TDouble &d = Instance();
    d.Flush();
    std::lock_guard guard(d.lock);
    d.initialiseResult = PXV57_PENDING;
    d.reference = 1;
    d.updateResults.clear();
    d.initialiseCalls = 0;
    d.pendingInitialise.reset();
    d.updateCalls.clear();
    d.pendingUpdates.clear();
    d.lastUpdate.reset();
}

void SetInitialiseResult(int32_t result)
{
    std::lock_guard guard(Instance().lock);
    Instance().initialiseResult = result;
}

void SetReference(int32_t reference)
{
    std::lock_guard guard(Instance().lock);
    Instance().reference = reference;
}

void QueueUpdateResults(std::vector<int32_t> results)
{
    std::lock_guard guard(Instance().lock);
    Instance().updateResults.insert(Instance().updateResults.end(), results.begin(), results.end());
}

int InitialiseCalls()
{
    std::lock_guard guard(Instance().lock);
    return Instance().initialiseCalls;
}

std::vector<TUpdateCall> UpdateCalls()
{
    std::lock_guard guard(Instance().lock);
    return Instance().updateCalls;
}

int PendingUpdates()
{
    std::lock_guard guard(Instance().lock);
    return int(Instance().pendingUpdates.size());
}

void CompleteInitialise(int32_t result)
{
    TDouble &d = Instance();
    std::lock_guard guard(d.lock);
    if (!d.pendingInitialise)
        return;
    // Not a structured binding: clang 14 (the fuzz build) cannot capture one.
    const auto pending = *d.pendingInitialise;
    d.pendingInitialise.reset();
    d.Post([pending, result] { pending.first(result, pending.second); });
}

namespace {

void CompleteWith(std::vector<uint8_t> bytes, const uint8_t *raw, int32_t size, bool pop)
{
    TDouble &d = Instance();
    std::lock_guard guard(d.lock);
    std::optional<TPendingUpdate> target;
    if (pop && !d.pendingUpdates.empty()) {
        target = d.pendingUpdates.front();
        d.pendingUpdates.pop_front();
    } else if (!pop) {
        target = d.lastUpdate;
    }
    if (!target)
        return;
    d.Post([target, bytes = std::move(bytes), raw, size] {
        const uint8_t *data = raw ? raw : (bytes.empty() ? nullptr : bytes.data());
        target->proc(0, data, raw ? size : int32_t(bytes.size()), target->param);
    });
}

} // namespace

void CompleteUpdate(const std::vector<uint8_t> &currentState)
{
    CompleteWith(currentState, nullptr, 0, true);
}

void CompleteRaw(const uint8_t *data, int32_t size)
{
    TDouble &d = Instance();
    std::lock_guard guard(d.lock);
    if (d.pendingUpdates.empty())
        return;
    const TPendingUpdate target = d.pendingUpdates.front();
    d.pendingUpdates.pop_front();
    d.Post([target, data, size] { target.proc(0, data, size, target.param); });
}

void CompleteSpurious(const std::vector<uint8_t> &currentState)
{
    CompleteWith(currentState, nullptr, 0, false);
}

void Flush() { Instance().Flush(); }

std::thread::id CallbackThread()
{
    std::lock_guard guard(Instance().lock);
    return Instance().callbackThread;
}

} // namespace V57Double

using namespace V57Double;

extern "C" {

int32_t PXV57_CALL PXV57_Initialise(int32_t *Reference, int32_t *, TPXClientInitialiseProc CallbackProc,
                                    void *CallbackParam)
{
    TDouble &d = Instance();
    std::lock_guard guard(d.lock);
    ++d.initialiseCalls;
    if (d.initialiseResult != PXV57_PENDING)
        return d.initialiseResult;
    if (Reference && d.reference != 0)
        *Reference = d.reference;
    d.pendingInitialise = std::make_pair(CallbackProc, CallbackParam);
    return PXV57_PENDING;
}

int32_t PXV57_CALL PXV57_UpdateEx(int32_t Reference, int32_t *, const uint8_t *NewState,
                                  int32_t szNewState, uint8_t *CurrentState,
                                  int32_t *szCurrentState, TPXClientUpdateProc CallbackProc,
                                  void *CallbackParam)
{
    TDouble &d = Instance();
    std::lock_guard guard(d.lock);
    TUpdateCall call;
    call.Reference = Reference;
    call.NewStateNull = NewState == nullptr;
    call.NewStateSize = szNewState;
    if (NewState && szNewState > 0)
        call.NewState.assign(NewState, NewState + szNewState);
    call.CurrentStateSizeIn = szCurrentState ? *szCurrentState : -1;
    call.CurrentStateNull = CurrentState == nullptr;
    call.Caller = std::this_thread::get_id();
    d.updateCalls.push_back(std::move(call));
    int32_t result = PXV57_PENDING;
    if (!d.updateResults.empty()) {
        result = d.updateResults.front();
        d.updateResults.pop_front();
    }
    if (result == PXV57_PENDING) {
        d.pendingUpdates.push_back({CallbackProc, CallbackParam});
        d.lastUpdate = d.pendingUpdates.back();
    }
    return result;
}

int32_t PXV57_CALL PXV57_Close(int32_t *Reference, int32_t *, TPXClientCloseProc CallbackProc,
                               void *CallbackParam)
{
    if (Reference)
        *Reference = 0;
    std::lock_guard guard(Instance().lock);
    Instance().Post([CallbackProc, CallbackParam] { CallbackProc(0, CallbackParam); });
    return PXV57_PENDING;
}

} // extern "C"
