// One program per user over a local socket: the running program listens, a later start
// connects, sends its documents and ends once they are taken.

#include "platform/instance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>

namespace {

constexpr char kTaken = 1;                       // the running program's answer
constexpr qint64 kMaxMessage = 4 * 1024 * 1024;  // more is no start's message

QPointer<QLocalServer> g_server;
InstanceArrivalProc g_arrived = nullptr;

QStringList to_strings(const std::vector<std::string>& paths) {
    QStringList list;
    for (const auto& p : paths) list << QString::fromStdString(p);
    return list;
}

// Reads one start's message once it is complete, answers, and passes the documents on.
void read_message(QLocalSocket* socket) {
    if (socket->bytesAvailable() > kMaxMessage) {
        socket->abort();
        return;
    }
    QDataStream in(socket);
    in.setVersion(QDataStream::Qt_6_0);
    in.startTransaction();
    QStringList documents;
    in >> documents;
    if (!in.commitTransaction()) {
        if (in.status() == QDataStream::ReadCorruptData) socket->abort();
        return;
    }
    socket->write(&kTaken, 1);
    socket->flush();
    socket->disconnectFromServer();
    std::vector<std::string> paths;
    for (const auto& d : documents) paths.push_back(d.toStdString());
    if (g_arrived) g_arrived(paths);
}

void accept_starts() {
    while (QLocalSocket* socket = g_server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [socket] { read_message(socket); });
    }
}

}  // namespace

HandOver instance_hand_over(const std::string& socket_path,
                            const std::vector<std::string>& documents, int answer_ms) {
    const QDeadlineTimer deadline(answer_ms);
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socket_path));
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        const auto e = socket.error();
        return e == QLocalSocket::ServerNotFoundError || e == QLocalSocket::ConnectionRefusedError
                   ? HandOver::nobody
                   : HandOver::no_answer;
    }
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << to_strings(documents);
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return HandOver::no_answer;
    char answer = 0;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) return HandOver::no_answer;
    socket.getChar(&answer);
    return answer == kTaken ? HandOver::taken : HandOver::no_answer;
}

bool instance_join(const std::string& folder, const std::string& name,
                   const std::vector<std::string>& documents, int answer_ms,
                   InstanceArrivalProc arrived) {
    const QString dir = QString::fromStdString(folder);
    if (dir.isEmpty() || !QDir(dir).exists()) return false;
    const QString path = dir + QLatin1Char('/') + QString::fromStdString(name) + ".socket";
    // Two starts at once: the second waits until the first listens, then hands over to it.
    QLockFile lock(dir + QLatin1Char('/') + QString::fromStdString(name) + ".lock");
    if (!lock.tryLock(answer_ms)) return false;
    switch (instance_hand_over(path.toStdString(), documents, answer_ms)) {
        case HandOver::taken:
            return true;
        case HandOver::no_answer:
            return false;
        case HandOver::nobody:
            break;
    }
    // What is left at the path belongs to a program that ended without removing it.
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer;
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        delete server;
        return false;
    }
    instance_leave();
    g_server = server;
    g_arrived = arrived;
    QObject::connect(server, &QLocalServer::newConnection, server, accept_starts);
    return false;
}

void instance_leave() {
    delete g_server.data();
    g_arrived = nullptr;
}
