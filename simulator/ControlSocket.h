// The live instrument side: a Unix domain socket on which a trainer (with the
// v57sim tool) sends scenario lines while the program runs. Each line gets
// one line of answer. The server has a thread of its own.
#pragma once

#include "Scenario.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>

namespace V57Sim {

class TControlSocketServer {
public:
    // Answers one line (without its newline); called on the server's thread.
    using THandler = std::function<std::string(std::string_view line)>;

    // Listens on `path`, created with mode 0600. A stale socket left at the
    // path is replaced; anything else there is left alone. Failures go to
    // `sink` and give no server.
    static std::unique_ptr<TControlSocketServer> Start(const std::string &path, THandler handler,
                                                       const TMessageSink &sink);
    // Stops the thread, closes every connection and removes the socket file.
    ~TControlSocketServer();
    TControlSocketServer(const TControlSocketServer &) = delete;
    TControlSocketServer &operator=(const TControlSocketServer &) = delete;

private:
    TControlSocketServer(std::string path, int listener, dev_t device, ino_t inode,
                         THandler handler);
    void Serve();

    std::string fPath;
    int fListener;
    dev_t fDevice; // identify our socket file, so that we remove only ours
    ino_t fInode;
    THandler fHandler;
    int fWakeRead = -1;
    int fWakeWrite = -1;
    std::thread fThread;
};

} // namespace V57Sim
