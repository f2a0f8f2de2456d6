// The control socket's line protocol, the same on every platform.
#include "ControlSocket.h"

namespace V57Sim {

TControlConnection::TReply TControlConnection::Receive(std::string_view bytes,
                                                       const TLineHandler &handler)
{
    TReply reply;
    fReceived.append(bytes);
    for (std::size_t end; (end = fReceived.find('\n')) != std::string::npos;) {
        const std::string line = fReceived.substr(0, end);
        fReceived.erase(0, end + 1);
        try {
            reply.Text += handler(line);
        } catch (...) {
            reply.Text += "error: internal failure";
        }
        reply.Text += '\n';
    }
    if (fReceived.size() > MaxLineBytes) {
        reply.Text += "error: line too long\n";
        reply.Close = true;
    }
    return reply;
}

bool TControlClient::Receive(std::string &answer, std::chrono::milliseconds patience)
{
    std::size_t end;
    while ((end = fReceived.find('\n')) == std::string::npos) {
        char buffer[1024];
        const std::size_t n = ReadSome(buffer, sizeof buffer, patience);
        if (n == 0)
            return false;
        fReceived.append(buffer, n);
    }
    answer = fReceived.substr(0, end);
    fReceived.erase(0, end + 1);
    return true;
}

} // namespace V57Sim
