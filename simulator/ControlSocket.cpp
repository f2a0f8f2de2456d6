#include "ControlSocket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace V57Sim {

namespace {

constexpr std::size_t MaxLineBytes = 4096;
constexpr std::size_t MaxClients = 16;
// A client that stops reading its answers is dropped after this long.
constexpr timeval SendTimeout{1, 0};

bool FillAddress(sockaddr_un &address, const std::string &path)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when a live server answers at `path`.
bool SomeoneListens(const std::string &path)
{
    sockaddr_un address;
    if (!FillAddress(address, path))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

std::string SystemError(const std::string &what) { return what + ": " + std::strerror(errno); }

struct TClient {
    int Fd;
    std::string Received;
};

bool SendAll(int fd, const std::string &text)
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

} // namespace

std::unique_ptr<TControlSocketServer> TControlSocketServer::Start(const std::string &path,
                                                                  THandler handler,
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
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::chmod(temporary.c_str(), 0600) != 0 || ::listen(fd, 8) != 0
        || ::rename(temporary.c_str(), path.c_str()) != 0 || ::stat(path.c_str(), &bound) != 0) {
        sink(SystemError("control socket " + path));
        ::unlink(temporary.c_str());
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TControlSocketServer>(
        new TControlSocketServer(path, fd, bound.st_dev, bound.st_ino, std::move(handler)));
}

TControlSocketServer::TControlSocketServer(std::string path, int listener, dev_t device,
                                           ino_t inode, THandler handler)
    : fPath(std::move(path)), fListener(listener), fDevice(device), fInode(inode),
      fHandler(std::move(handler))
{
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) == 0) {
        fWakeRead = wake[0];
        fWakeWrite = wake[1];
    }
    fThread = std::thread(&TControlSocketServer::Serve, this);
}

TControlSocketServer::~TControlSocketServer()
{
    if (fWakeWrite >= 0) {
        const char stop = 0;
        while (::write(fWakeWrite, &stop, 1) < 0 && errno == EINTR) {
        }
    }
    fThread.join();
    ::close(fListener);
    if (fWakeRead >= 0) {
        ::close(fWakeRead);
        ::close(fWakeWrite);
    }
    struct stat now;
    if (::stat(fPath.c_str(), &now) == 0 && now.st_dev == fDevice && now.st_ino == fInode)
        ::unlink(fPath.c_str());
}

void TControlSocketServer::Serve()
{
    ::pthread_setname_np(::pthread_self(), "V57API socket");
    if (fWakeRead < 0)
        return; // without a way to stop it, the server never starts
    std::vector<TClient> clients;
    auto drop = [&](std::size_t k) {
        ::close(clients[k].Fd);
        clients.erase(clients.begin() + std::ptrdiff_t(k));
    };
    while (true) {
        std::vector<pollfd> fds{{fWakeRead, POLLIN, 0}, {fListener, POLLIN, 0}};
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
            const int fd = ::accept4(fListener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && clients.size() < MaxClients) {
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &SendTimeout, sizeof SendTimeout);
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
            if (n <= 0) {
                drop(k);
                continue;
            }
            client.Received.append(buffer, std::size_t(n));
            bool ok = true;
            for (std::size_t end; ok && (end = client.Received.find('\n')) != std::string::npos;) {
                const std::string line = client.Received.substr(0, end);
                client.Received.erase(0, end + 1);
                std::string answer;
                try {
                    answer = fHandler(line);
                } catch (...) {
                    answer = "error: internal failure";
                }
                ok = SendAll(client.Fd, answer + "\n");
            }
            if (ok && client.Received.size() > MaxLineBytes) {
                SendAll(client.Fd, "error: line too long\n");
                ok = false;
            }
            if (!ok)
                drop(k);
        }
    }
    for (const TClient &client : clients)
        ::close(client.Fd);
}

} // namespace V57Sim
