// The simulator's control socket, as the tests that run the program on the
// simulator use it: one line sent, one line of answer.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>

namespace SimulatorSocket {

// Empty when the simulator cannot be reached or does not answer within 5 s,
// so a stalled simulator fails a test instead of hanging it.
inline QString Ask(const QByteArray &socketPath, const QString &line)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path);
    const timeval patience{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
        const QByteArray request = line.toUtf8() + '\n';
        if (::write(fd, request.constData(), std::size_t(request.size())) == request.size()) {
            char c = 0;
            while (::read(fd, &c, 1) == 1 && c != '\n')
                answer.append(c);
        }
    }
    ::close(fd);
    return QString::fromUtf8(answer);
}

// "0x" and the eight upper-case hex digits, as the socket names a device.
inline QString DeviceName(int32_t id)
{
    return QStringLiteral("0x") + QString::number(uint32_t(id), 16).toUpper().rightJustified(8, u'0');
}

// The device's state as name=value words; empty when it is not connected.
inline QMap<QString, QString> State(const QByteArray &socketPath, int32_t id)
{
    QMap<QString, QString> values;
    for (const QString &word : Ask(socketPath, QStringLiteral("state ") + DeviceName(id)).split(u' ')) {
        const qsizetype equals = word.indexOf(u'=');
        if (equals > 0)
            values.insert(word.left(equals), word.mid(equals + 1));
    }
    return values;
}

} // namespace SimulatorSocket
