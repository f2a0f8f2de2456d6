// The simulator's control socket, as the tests that run the program on the
// simulator use it: one line sent, one line of answer.
#pragma once

#include "ControlSocket.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <chrono>
#include <cstdint>

namespace SimulatorSocket {

// Empty when the simulator cannot be reached or does not answer within 5 s,
// so a stalled simulator fails a test instead of hanging it.
inline QString Ask(const QByteArray &socketPath, const QString &line)
{
    std::string error;
    const auto client = V57Sim::TControlClient::Connect(socketPath.toStdString(), error);
    std::string answer;
    if (!client || !client->Send(line.toStdString())
        || !client->Receive(answer, std::chrono::seconds(5)))
        return {};
    return QString::fromStdString(answer);
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
