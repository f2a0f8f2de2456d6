// The request machinery of our device library: references, the queue of
// accepted requests and the worker thread that completes them in order after
// the simulated link latency, and the session (engine and control socket)
// that lives from the first initialise to the close.
//
// The exported C entry points (V57API.cpp) drive one process-wide instance;
// tests may make their own.
#pragma once

#include "ControlSocket.h"
#include "LinkFaults.h"
#include "SimEngine.h"
#include "V57API.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace V57Sim {

// Where a session takes its scenario and control socket from.
struct TSimConfig {
    std::string ScenarioPath; // empty: the default devices, no faults
    std::string SocketPath;   // empty: no control socket

    // PXV57_SIM_SCENARIO and PXV57_SIM_SOCKET.
    static TSimConfig FromEnvironment();
};

class TV57Library {
public:
    using TConfigSource = std::function<TSimConfig()>;
    using TClock = std::chrono::steady_clock;

    explicit TV57Library(TConfigSource configSource = TSimConfig::FromEnvironment,
                         TMessageSink sink = PrintToStderr);
    ~TV57Library();
    TV57Library(const TV57Library &) = delete;
    TV57Library &operator=(const TV57Library &) = delete;

    // The entry points, with the result pointers left to the caller.
    int32_t Initialise(int32_t *reference, TPXClientInitialiseProc callback, void *param);
    int32_t Update(int32_t reference, const uint8_t *newState, int32_t newStateSize,
                   TPXClientUpdateProc callback, void *param);
    int32_t Close(int32_t *reference, TPXClientCloseProc callback, void *param);

    // Drops the requests in flight (no callback follows), stops the worker
    // and the control socket. Later requests are refused with NotReady.
    void Shutdown();

private:
    struct TInitialiseRequest {
        TPXClientInitialiseProc Callback;
        int32_t Result;
        int32_t Reference; // revoked when Result is not Ready
    };
    struct TUpdateRequest {
        TPXClientUpdateProc Callback;
        std::vector<uint8_t> NewState; // copied during the call
        TUpdateFault Fault;
    };
    struct TCloseRequest {
        TPXClientCloseProc Callback;
    };
    struct TQueued {
        TClock::time_point Due;
        void *Param;
        std::variant<TInitialiseRequest, TUpdateRequest, TCloseRequest> Request;
    };
    struct TSession {
        TClock::time_point Origin;
        TSimEngine Engine;
        std::unique_ptr<TControlSocketServer> Socket;
    };
    enum class TState { Idle, Open, Closing, ShutDown };

    void StartSession();
    TSimTime SessionTime() const;
    void Enqueue(void *param, decltype(TQueued::Request) request);
    void WorkerLoop();
    // Completes one request under the lock; the callback is made afterwards,
    // outside it.
    std::function<void()> Complete(TQueued &queued);
    // Ends the session and makes the close callback; leaves `lock` unlocked.
    void FinishClose(std::unique_lock<std::mutex> &lock, TQueued &queued);
    void ReapClosedWorker(std::unique_lock<std::mutex> &lock);
    std::string ExecuteLiveLine(std::string_view line);

    TConfigSource fConfigSource;
    TMessageSink fSink;

    std::mutex fMutex;
    std::condition_variable fWake;
    TState fState = TState::Idle;
    std::unique_ptr<TSession> fSession;
    int32_t fReference = 0; // the one handed out and not revoked; 0 none
    int32_t fNextReference;
    std::deque<TQueued> fQueue;
    TClock::time_point fLastDue{};
    std::thread fWorker;
};

} // namespace V57Sim
