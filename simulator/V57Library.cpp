#include "V57Library.h"

#include "ResultCodes.h"
#include "ThreadName.h"

#include <cstdlib>

namespace V57Sim {

namespace {

// References handed out count up from here, so a stray small integer is
// never mistaken for one.
constexpr int32_t FirstReference = 0x57A10001;

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// A host callback that throws must not take the worker down with it.
void InvokeCallback(const std::function<void()> &callback)
{
    try {
        callback();
    } catch (...) {
    }
}

} // namespace

TSimConfig TSimConfig::FromEnvironment()
{
    return {Environment("PXV57_SIM_SCENARIO"), Environment("PXV57_SIM_SOCKET")};
}

TV57Library::TV57Library(TConfigSource configSource, TMessageSink sink)
    : fConfigSource(std::move(configSource)), fSink(std::move(sink)),
      fNextReference(FirstReference)
{
}

TV57Library::~TV57Library() { Shutdown(); }

int32_t TV57Library::Initialise(int32_t *reference, TPXClientInitialiseProc callback, void *param)
{
    std::unique_lock lock(fMutex);
    ReapClosedWorker(lock);
    if (fState == TState::ShutDown)
        return ResultCode::NotReady;
    if (!reference || !callback)
        return ResultCode::InvalidParameter;
    if (fState == TState::Closing)
        return ResultCode::Busy;
    if (fReference != 0)
        return ResultCode::AlreadyInitialised;
    if (fState == TState::Idle)
        StartSession();

    TSimEngine &engine = fSession->Engine;
    engine.AdvanceTo(SessionTime());
    const TInitialiseFault fault = engine.Faults().TakeInitialiseFault();
    if (fault.RefuseCode)
        return *fault.RefuseCode;
    const int32_t handedOut = fault.NullReference ? 0 : fNextReference++;
    Enqueue(param, TInitialiseRequest{callback, fault.CompletionResult, handedOut});
    *reference = handedOut;
    fReference = handedOut;
    return ResultCode::Pending;
}

int32_t TV57Library::Update(int32_t reference, const uint8_t *newState, int32_t newStateSize,
                            TPXClientUpdateProc callback, void *param)
{
    std::lock_guard lock(fMutex);
    if (fState == TState::ShutDown)
        return ResultCode::NotReady;
    if (reference == 0 || reference != fReference || fState != TState::Open)
        return ResultCode::InvalidHandle;
    if (!callback || newStateSize < 0 || (!newState && newStateSize > 0))
        return ResultCode::InvalidParameter;

    // The caller frees its bytes as soon as this returns.
    std::vector<uint8_t> copy(newState, newState + newStateSize);
    TSimEngine &engine = fSession->Engine;
    engine.AdvanceTo(SessionTime());
    if (const auto refusal = engine.Faults().TakeUpdateRefusal())
        return *refusal;
    Enqueue(param, TUpdateRequest{callback, std::move(copy), engine.Faults().TakeUpdateFault()});
    return ResultCode::Pending;
}

int32_t TV57Library::Close(int32_t *reference, TPXClientCloseProc callback, void *param)
{
    std::lock_guard lock(fMutex);
    if (fState == TState::ShutDown)
        return ResultCode::NotReady;
    if (!reference || !callback)
        return ResultCode::InvalidParameter;
    if (*reference == 0 || *reference != fReference || fState != TState::Open)
        return ResultCode::InvalidHandle;
    Enqueue(param, TCloseRequest{callback});
    *reference = 0;
    fReference = 0;
    fState = TState::Closing;
    return ResultCode::Pending;
}

void TV57Library::Shutdown()
{
    std::unique_ptr<TSession> session;
    std::thread worker;
    {
        std::lock_guard lock(fMutex);
        fState = TState::ShutDown;
        fQueue.clear();
        fReference = 0;
        session = std::move(fSession);
        worker = std::move(fWorker);
    }
    fWake.notify_all();
    if (worker.joinable()) {
        // exit() called from inside one of our callbacks runs this on the
        // worker itself, which ends as soon as the callback returns.
        if (worker.get_id() == std::this_thread::get_id())
            worker.detach();
        else
            worker.join();
    }
    session.reset();
}

void TV57Library::StartSession()
{
    const TSimConfig config = fConfigSource();
    TScenario scenario;
    if (!config.ScenarioPath.empty())
        scenario = LoadScenarioFile(config.ScenarioPath, fSink);
    auto session = std::make_unique<TSession>(
        TSession{TClock::now(), TSimEngine(std::move(scenario), fSink), nullptr});
    if (!config.SocketPath.empty())
        session->Socket = TControlSocketServer::Start(
            config.SocketPath, [this](std::string_view line) { return ExecuteLiveLine(line); },
            fSink);
    fSession = std::move(session);
    fLastDue = {};
    fState = TState::Open;
    try {
        fWorker = std::thread(&TV57Library::WorkerLoop, this);
    } catch (...) {
        fState = TState::Idle;
        fSession.reset();
        throw;
    }
}

TSimTime TV57Library::SessionTime() const
{
    return std::chrono::duration_cast<TSimTime>(TClock::now() - fSession->Origin);
}

void TV57Library::Enqueue(void *param, decltype(TQueued::Request) request)
{
    // Completions leave in request order even when the latency shrinks.
    const TClock::time_point due =
        std::max(fLastDue, TClock::now() + fSession->Engine.Faults().Latency());
    fQueue.push_back({due, param, std::move(request)});
    fLastDue = due;
    fWake.notify_all();
}

void TV57Library::WorkerLoop()
{
    NameThisThread("V57API worker");
    std::unique_lock lock(fMutex);
    while (fState != TState::ShutDown) {
        if (fQueue.empty()) {
            fWake.wait(lock);
            continue;
        }
        const TClock::time_point due = fQueue.front().Due;
        if (TClock::now() < due) {
            fWake.wait_until(lock, due);
            continue;
        }
        TQueued queued = std::move(fQueue.front());
        fQueue.pop_front();
        if (std::holds_alternative<TCloseRequest>(queued.Request)) {
            FinishClose(lock, queued);
            return; // unlocked, and done with this library
        }
        const std::function<void()> callback = Complete(queued);
        lock.unlock();
        if (callback)
            InvokeCallback(callback);
        lock.lock();
    }
}

std::function<void()> TV57Library::Complete(TQueued &queued)
{
    void *param = queued.Param;
    if (const auto *initialise = std::get_if<TInitialiseRequest>(&queued.Request)) {
        if (initialise->Result != ResultCode::Ready && fReference == initialise->Reference)
            fReference = 0; // a failed initialise leaves no usable reference
        return [callback = initialise->Callback, result = initialise->Result, param] {
            callback(result, param);
        };
    }
    const auto &update = std::get<TUpdateRequest>(queued.Request);
    std::vector<uint8_t> block = fSession->Engine.Update(update.NewState, SessionTime());
    if (update.Fault.Drop)
        return {};
    return [callback = update.Callback, block = update.Fault.Shape(std::move(block)), param] {
        callback(0, block.empty() ? nullptr : block.data(), int32_t(block.size()), param);
    };
}

void TV57Library::FinishClose(std::unique_lock<std::mutex> &lock, TQueued &queued)
{
    std::unique_ptr<TSession> session = std::move(fSession);
    const TPXClientCloseProc callback = std::get<TCloseRequest>(queued.Request).Callback;
    lock.unlock();
    session.reset(); // stops the control socket before a new session may open one
    lock.lock();
    if (fState == TState::Closing)
        fState = TState::Idle;
    lock.unlock();
    // The library may be initialised again from here on, even from inside
    // this callback; the worker touches nothing of it any more.
    InvokeCallback([&] { callback(ResultCode::Ready, queued.Param); });
}

void TV57Library::ReapClosedWorker(std::unique_lock<std::mutex> &lock)
{
    while (fState == TState::Idle && fWorker.joinable()) {
        std::thread closed = std::move(fWorker);
        lock.unlock();
        // Its close callback may be calling in, so it is joined unlocked;
        // when that callback is us, the thread ends as soon as we return.
        if (closed.get_id() == std::this_thread::get_id())
            closed.detach();
        else
            closed.join();
        lock.lock();
    }
}

std::string TV57Library::ExecuteLiveLine(std::string_view line)
{
    const TLiveLine parsed = ParseLiveLine(line);
    if (const auto *error = std::get_if<std::string>(&parsed))
        return "error: " + *error;
    if (std::holds_alternative<TNoCommand>(parsed))
        return "ok";
    std::lock_guard lock(fMutex);
    if (!fSession)
        return "error: the library is closed";
    return fSession->Engine.Execute(std::get<TCommand>(parsed), SessionTime());
}

} // namespace V57Sim
