// The live instrument side: a local socket on which a trainer (with the
// v57sim tool) sends scenario lines while the program runs. Each line gets
// one line of answer. The server has a thread of its own.
//
// On Linux the socket is a Unix domain socket at a path; on Windows it is the
// named pipe \\.\pipe\<name> (a name without that prefix gets it, any
// backslash in it read as '/'). One file per platform carries the transport
// (ControlSocketPosix.cpp, ControlSocketWindows.cpp); the line protocol is
// shared (ControlSocket.cpp).
#pragma once

#include "Scenario.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace V57Sim {

// Answers one line (without its newline); called on the server's thread.
using TLineHandler = std::function<std::string(std::string_view line)>;

// The lines of one connection: received bytes in, the answers to send out.
class TControlConnection {
public:
    static constexpr std::size_t MaxLineBytes = 4096;

    struct TReply {
        std::string Text; // the answers, each ending in a newline
        bool Close = false; // the connection ends once Text is sent
    };
    TReply Receive(std::string_view bytes, const TLineHandler &handler);

private:
    std::string fReceived;
};

class TControlSocketServer {
public:
    static constexpr std::size_t MaxClients = 16;
    // A client that stops reading its answers is dropped after this long.
    static constexpr std::chrono::seconds SendTimeout{1};

    // Listens at `address`, private to the user. A stale socket left there is
    // replaced; anything else there, or a live server, is left alone.
    // Failures go to `sink` and give no server.
    static std::unique_ptr<TControlSocketServer> Start(const std::string &address,
                                                       TLineHandler handler,
                                                       const TMessageSink &sink);
    // Stops the thread, closes every connection and removes the socket.
    ~TControlSocketServer();
    TControlSocketServer(const TControlSocketServer &) = delete;
    TControlSocketServer &operator=(const TControlSocketServer &) = delete;

    struct TTransport; // the listening socket or pipe, and how to wake the server

private:
    TControlSocketServer(std::unique_ptr<TTransport> transport, TLineHandler handler);
    void Serve();

    std::unique_ptr<TTransport> fTransport;
    TLineHandler fHandler;
    std::thread fThread;
};

// The trainer's end of a connection, for v57sim and the tests.
class TControlClient {
public:
    // Nullptr, with the reason in `error`, when nobody answers at `address`.
    static std::unique_ptr<TControlClient> Connect(const std::string &address, std::string &error);
    ~TControlClient();
    TControlClient(const TControlClient &) = delete;
    TControlClient &operator=(const TControlClient &) = delete;

    // Sends the line and its newline; false when the server has gone.
    bool Send(std::string_view line);
    // The next answer line, without its newline; false when the server has
    // gone or nothing came within `patience`.
    bool Receive(std::string &answer,
                 std::chrono::milliseconds patience = std::chrono::milliseconds::max());

    struct TTransport;

private:
    explicit TControlClient(std::unique_ptr<TTransport> transport);
    // Some bytes into `buffer`; 0 when the server has gone or time is up.
    std::size_t ReadSome(char *buffer, std::size_t size, std::chrono::milliseconds patience);

    std::unique_ptr<TTransport> fTransport;
    std::string fReceived;
};

} // namespace V57Sim
