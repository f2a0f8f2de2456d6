// v57sim: the trainer's side of the simulated instruments. Sends scenario
// lines to a running simulator's control socket and prints each answer.
//
//   v57sim [-s SOCKET] LINE...   sends the words as one line
//   v57sim [-s SOCKET]           sends each line of standard input
//
// SOCKET defaults to $PXV57_SIM_SOCKET. Exit status: 0 when every answer is
// good, 1 when one is an error, 2 when the simulator cannot be reached.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ExitError = 1;
constexpr int ExitUnreachable = 2;

void Usage()
{
    std::cerr << "usage: v57sim [-s SOCKET] [LINE...]\n"
                 "Sends LINE (or each line of standard input) to the stimulator simulator's\n"
                 "control socket (default $PXV57_SIM_SOCKET) and prints the answers.\n";
}

class TConnection {
public:
    explicit TConnection(int fd) : fFd(fd) {}
    ~TConnection() { ::close(fFd); }
    TConnection(const TConnection &) = delete;
    TConnection &operator=(const TConnection &) = delete;

    bool Send(const std::string &line)
    {
        const std::string text = line + "\n";
        for (std::size_t sent = 0; sent < text.size();) {
            const ssize_t n = ::send(fFd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += std::size_t(n);
        }
        return true;
    }

    // The next answer line, without its newline; false when the server has gone.
    bool Receive(std::string &answer)
    {
        std::size_t end;
        while ((end = fReceived.find('\n')) == std::string::npos) {
            char buffer[1024];
            const ssize_t n = ::read(fFd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            fReceived.append(buffer, std::size_t(n));
        }
        answer = fReceived.substr(0, end);
        fReceived.erase(0, end + 1);
        return true;
    }

private:
    int fFd;
    std::string fReceived;
};

int Connect(const std::string &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool IsBlankOrComment(const std::string &line)
{
    const std::size_t first = line.find_first_not_of(" \t\r");
    return first == std::string::npos || line[first] == '#';
}

} // namespace

int main(int argc, char **argv)
{
    const char *fromEnvironment = std::getenv("PXV57_SIM_SOCKET");
    std::string socketPath = fromEnvironment ? fromEnvironment : "";
    std::vector<std::string> words;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if ((arg == "-s" || arg == "--socket") && k + 1 < argc) {
            socketPath = argv[++k];
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        } else {
            words.push_back(arg);
        }
    }
    if (socketPath.empty()) {
        Usage();
        std::cerr << "v57sim: no socket: set PXV57_SIM_SOCKET or give -s SOCKET\n";
        return ExitUnreachable;
    }

    const int fd = Connect(socketPath);
    if (fd < 0) {
        std::cerr << "v57sim: " << socketPath << ": " << std::strerror(errno) << "\n";
        return ExitUnreachable;
    }
    TConnection connection(fd);

    int status = 0;
    auto exchange = [&](const std::string &line) {
        std::string answer;
        if (!connection.Send(line) || !connection.Receive(answer)) {
            std::cerr << "v57sim: the simulator closed the connection\n";
            status = ExitUnreachable;
            return false;
        }
        std::cout << answer << std::endl;
        if (answer.starts_with("error") && status == 0)
            status = ExitError;
        return true;
    };

    if (!words.empty()) {
        std::string line;
        for (const std::string &word : words)
            line += (line.empty() ? "" : " ") + word;
        exchange(line);
        return status;
    }
    for (std::string line; std::getline(std::cin, line);)
        if (!IsBlankOrComment(line) && !exchange(line))
            break;
    return status;
}
