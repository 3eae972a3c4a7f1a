#include "app/import_handover.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace orvalinder {

namespace {
constexpr int kWaitMs = 2000;
constexpr qsizetype kMaxPathBytes = 8192;
}  // namespace

QString ImportHandover::defaultAddress() {
#ifdef Q_OS_WIN
    // A pipe's name; the user's own pipes are apart from other users'.
    return QStringLiteral("orvalinder-import-") + qEnvironmentVariable("USERNAME");
#else
    // The user's runtime folder, which no one else may enter.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/orvalinder-import");
#endif
}

bool ImportHandover::handOver(const QString& path, const QString& address) {
    QLocalSocket socket;
    socket.connectToServer(address);
    if (!socket.waitForConnected(kWaitMs)) return false;
    socket.write(QFileInfo(path).absoluteFilePath().toUtf8() + '\n');
    // The running program answers once it has the whole line.
    socket.waitForBytesWritten(kWaitMs);
    while (!socket.canReadLine() && socket.waitForReadyRead(kWaitMs)) {}
    return socket.readLine() == "ok\n";
}

bool ImportHandover::listen(const QString& address) {
    // Qt would take over the address of a program that listens already; a
    // socket left by a program that ended without closing it answers no one.
    QLocalSocket probe;
    probe.connectToServer(address);
    if (probe.waitForConnected(kWaitMs)) return false;
    QLocalServer::removeServer(address);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &ImportHandover::takeConnection, Qt::UniqueConnection);
    return server_.listen(address);
}

void ImportHandover::takeConnection() {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (client->bytesAvailable() > kMaxPathBytes) {
                client->abort();
                return;
            }
            if (!client->canReadLine()) return;
            const QString path = QString::fromUtf8(client->readLine(kMaxPathBytes).chopped(1));
            // Answered at once: the import that follows may keep the loop busy.
            client->write("ok\n");
            client->flush();
            client->disconnectFromServer();
            if (!path.isEmpty()) emit importRequested(path);
        });
    }
}

}  // namespace orvalinder
