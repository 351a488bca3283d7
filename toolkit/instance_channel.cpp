#include "toolkit/instance_channel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <memory>

#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace {

const QByteArray HEADER = "pixmold-open 1\n";
// More than any command line can hold; a longer message is no handover.
constexpr qsizetype MAX_MESSAGE = 16 * 1024 * 1024;

QPointer<QLocalServer> server;
int window_to_raise = 0;

enum class Parse { Incomplete, Complete, Invalid };

// A whole message gives its paths joined by "\n" (each path ends in a line
// feed and an empty line ends the list, so the joined text is everything
// between the header and the list's last line feed).
Parse parse_message(const QByteArray& bytes, std::string& joined) {
    if (bytes.size() > MAX_MESSAGE) return Parse::Invalid;
    if (bytes.size() < HEADER.size()) return HEADER.startsWith(bytes) ? Parse::Incomplete : Parse::Invalid;
    if (!bytes.startsWith(HEADER)) return Parse::Invalid;
    const QByteArray body = bytes.mid(HEADER.size());
    if (body.startsWith('\n')) {
        joined.clear();
        return Parse::Complete;
    }
    const qsizetype end = body.indexOf("\n\n");
    if (end < 0) return Parse::Incomplete;
    joined = body.left(end).toStdString();
    return Parse::Complete;
}

void take_connection(QLocalSocket* socket) {
    auto received = std::make_shared<QByteArray>();
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, received] {
        received->append(socket->readAll());
        std::string files;
        switch (parse_message(*received, files)) {
        case Parse::Incomplete: return;
        case Parse::Invalid: socket->abort(); return;
        case Parse::Complete: break;
        }
        received->clear();
        socket->write("ok\n");
        socket->flush();
        socket->disconnectFromServer();
        // At once, not with the event: a modal dialog may hold the loop.
        bring_window_forward(window_to_raise);
        detail::QueuedEvent event;
        event.kind = EventKind::FilesHandedOver;
        event.window = window_to_raise;
        event.files = std::move(files);
        detail::push_event(std::move(event));
    });
}

}  // namespace

bool listen_for_handovers(const std::string& socket_path, int window) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    stop_listening_for_handovers();
    const QString name = QFile::decodeName(socket_path.c_str());
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) return false;  // its owner is alive
    }
    QLocalServer::removeServer(name);  // left by a process that was killed
    auto made = std::make_unique<QLocalServer>();
    made->setSocketOptions(QLocalServer::UserAccessOption);
    if (!made->listen(name)) return false;
    window_to_raise = window;
    // A child of the application: gone, with its socket file, when the toolkit ends.
    server = made.release();
    server->setParent(app);
    QObject::connect(server, &QLocalServer::newConnection, server, [] {
        while (QLocalSocket* socket = server->nextPendingConnection()) take_connection(socket);
    });
    return true;
}

void stop_listening_for_handovers() {
    if (!server) return;
    server->close();
    delete server.data();
}

HandOverResult hand_over(const std::string& socket_path, const std::vector<std::string>& paths, int answer_ms) {
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(socket_path.c_str()));
    if (!socket.waitForConnected(answer_ms)) return HandOverResult::NoListener;
    QByteArray message = HEADER;
    for (const std::string& path : paths) {
        if (path.empty() || path.find('\n') != std::string::npos) continue;
        message.append(path.data(), static_cast<qsizetype>(path.size()));
        message.append('\n');
    }
    message.append('\n');
    const QDeadlineTimer deadline(answer_ms);
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return HandOverResult::NoAnswer;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return HandOverResult::NoAnswer;
        answer += socket.readAll();
    }
    return answer == "ok\n" ? HandOverResult::Delivered : HandOverResult::NoAnswer;
}

}  // namespace pixmold
