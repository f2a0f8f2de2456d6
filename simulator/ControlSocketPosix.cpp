// The control socket on Linux: a Unix domain socket at a path, mode 0600,
// served with poll() and woken for shutdown through a pipe.
#include "ControlSocket.h"
#include "ThreadName.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace V57Sim {

namespace {

bool FillAddress(sockaddr_un &address, const std::string &path)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A connected socket to `path`, or -1 with errno set.
int ConnectTo(const std::string &path)
{
    sockaddr_un address;
    if (!FillAddress(address, path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// True when a live server answers at `path`.
bool SomeoneListens(const std::string &path)
{
    const int fd = ConnectTo(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::string SystemError(const std::string &what) { return what + ": " + std::strerror(errno); }

bool SendAll(int fd, std::string_view text)
{
    for (std::size_t sent = 0; sent < text.size();) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += std::size_t(n);
    }
    return true;
}

timeval ToTimeval(std::chrono::microseconds duration)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return {time_t(seconds.count()), suseconds_t((duration - seconds).count())};
}

} // namespace

struct TControlSocketServer::TTransport {
    TTransport() = default;
    TTransport(const TTransport &) = delete;
    TTransport &operator=(const TTransport &) = delete;

    std::string Path;
    int Listener = -1;
    dev_t Device = 0; // identify our socket file, so that we remove only ours
    ino_t Inode = 0;
    int WakeRead = -1;
    int WakeWrite = -1;

    ~TTransport()
    {
        for (int fd : {Listener, WakeRead, WakeWrite})
            if (fd >= 0)
                ::close(fd);
        struct stat now;
        if (::stat(Path.c_str(), &now) == 0 && now.st_dev == Device && now.st_ino == Inode)
            ::unlink(Path.c_str());
    }
};

std::unique_ptr<TControlSocketServer> TControlSocketServer::Start(const std::string &path,
                                                                  TLineHandler handler,
                                                                  const TMessageSink &sink)
{
    // Bound under a temporary name, made private, then renamed into place, so
    // that the socket is never reachable with wider permissions.
    const std::string temporary = path + ".new" + std::to_string(::getpid());
    sockaddr_un address;
    if (!FillAddress(address, temporary)) {
        sink("control socket " + path + ": path too long");
        return nullptr;
    }
    struct stat existing;
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            sink("control socket " + path + ": something else exists there; no control socket");
            return nullptr;
        }
        if (SomeoneListens(path)) {
            sink("control socket " + path + ": in use by another simulator; no control socket");
            return nullptr;
        }
        ::unlink(path.c_str());
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        sink(SystemError("control socket " + path));
        return nullptr;
    }
    ::unlink(temporary.c_str());
    struct stat bound;
    int wake[2];
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::chmod(temporary.c_str(), 0600) != 0 || ::listen(fd, 8) != 0
        || ::rename(temporary.c_str(), path.c_str()) != 0 || ::stat(path.c_str(), &bound) != 0) {
        sink(SystemError("control socket " + path));
        ::unlink(temporary.c_str());
        ::close(fd);
        return nullptr;
    }
    auto transport = std::make_unique<TTransport>();
    transport->Path = path;
    transport->Listener = fd;
    transport->Device = bound.st_dev;
    transport->Inode = bound.st_ino;
    // Without a way to stop it, the server does not start.
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        sink(SystemError("control socket " + path));
        return nullptr;
    }
    transport->WakeRead = wake[0];
    transport->WakeWrite = wake[1];
    return std::unique_ptr<TControlSocketServer>(
        new TControlSocketServer(std::move(transport), std::move(handler)));
}

TControlSocketServer::TControlSocketServer(std::unique_ptr<TTransport> transport,
                                           TLineHandler handler)
    : fTransport(std::move(transport)), fHandler(std::move(handler)),
      fThread(&TControlSocketServer::Serve, this)
{
}

TControlSocketServer::~TControlSocketServer()
{
    const char stop = 0;
    while (::write(fTransport->WakeWrite, &stop, 1) < 0 && errno == EINTR) {
    }
    fThread.join();
}

void TControlSocketServer::Serve()
{
    NameThisThread("V57API socket");
    struct TClient {
        int Fd;
        TControlConnection Lines;
    };
    std::vector<TClient> clients;
    while (true) {
        std::vector<pollfd> fds{{fTransport->WakeRead, POLLIN, 0}, {fTransport->Listener, POLLIN, 0}};
        for (const TClient &client : clients)
            fds.push_back({client.Fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(fTransport->Listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && clients.size() < MaxClients) {
                const timeval timeout = ToTimeval(SendTimeout);
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
                clients.push_back({fd, {}});
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
        // Backwards, so that dropping a client leaves the others' indices.
        for (std::size_t k = fds.size() - 2; k-- > 0;) {
            if (!fds[k + 2].revents)
                continue;
            TClient &client = clients[k];
            char buffer[1024];
            const ssize_t n = ::read(client.Fd, buffer, sizeof buffer);
            bool keep = n > 0;
            if (keep) {
                const auto reply = client.Lines.Receive({buffer, std::size_t(n)}, fHandler);
                keep = SendAll(client.Fd, reply.Text) && !reply.Close;
            }
            if (!keep) {
                ::close(client.Fd);
                clients.erase(clients.begin() + std::ptrdiff_t(k));
            }
        }
    }
    for (const TClient &client : clients)
        ::close(client.Fd);
}

struct TControlClient::TTransport {
    int Fd;
    explicit TTransport(int fd) : Fd(fd) {}
    ~TTransport() { ::close(Fd); }
    TTransport(const TTransport &) = delete;
    TTransport &operator=(const TTransport &) = delete;
};

std::unique_ptr<TControlClient> TControlClient::Connect(const std::string &path, std::string &error)
{
    const int fd = ConnectTo(path);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<TControlClient>(new TControlClient(std::make_unique<TTransport>(fd)));
}

TControlClient::TControlClient(std::unique_ptr<TTransport> transport) : fTransport(std::move(transport)) {}

TControlClient::~TControlClient() = default;

bool TControlClient::Send(std::string_view line)
{
    std::string text(line);
    text += '\n';
    return SendAll(fTransport->Fd, text);
}

std::size_t TControlClient::ReadSome(char *buffer, std::size_t size, std::chrono::milliseconds patience)
{
    pollfd ready{fTransport->Fd, POLLIN, 0};
    const int timeout = patience == std::chrono::milliseconds::max() ? -1 : int(patience.count());
    while (true) {
        const int polled = ::poll(&ready, 1, timeout);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return 0;
        const ssize_t n = ::read(fTransport->Fd, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 ? std::size_t(n) : 0;
    }
}

} // namespace V57Sim
