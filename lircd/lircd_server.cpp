#include "lircd/lircd_server.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "lircd/protocol.h"
#include "lircd/socket_path.h"

namespace orvalinder::lircd {

namespace {

// What Qt reads ahead of the lines being answered, and what may wait to be
// taken by the client, before the client is read no further. A client that
// goes with replies unread is reset by the system, and what it wrote that
// was not read yet is lost: the read-ahead is large enough that only a
// client with some 50,000 commands on their way loses any.
constexpr qint64 maxUnreadBytes = 1024 * 1024;
constexpr qint64 maxUnsentBytes = 64 * 1024;
// Clients that may wait to be taken at once (Qt's default is 50): a hundred
// irsends started together all get in.
constexpr int maxWaitingClients = 128;

// One client: its partial line and its turn on the event loop. Deletes itself
// once the client has gone and its whole lines have run.
class Client : public QObject {
public:
    Client(QIODevice* socket, Target& target, QObject* parent) : QObject(parent), socket_(socket), target_(target) {
        socket_->setParent(this);
        connect(socket_, &QIODevice::readyRead, this, &Client::schedule);
        connect(socket_, &QIODevice::bytesWritten, this, &Client::schedule);
    }

    // The lines it sent before it went still run; the one it had not ended
    // does not.
    void gone() {
        gone_ = true;
        while (true) {
            const QByteArray rest = socket_->read(maxUnreadBytes);
            if (rest.isEmpty()) break;
            lines_.append(std::string_view(rest.constData(), static_cast<size_t>(rest.size())));
        }
        schedule();
    }

private:
    void schedule() {
        if (scheduled_) return;
        scheduled_ = true;
        QTimer::singleShot(0, this, &Client::answerSome);
    }

    void answerSome() {
        scheduled_ = false;
        for (int answered = 0; answered < LircdServer::linesPerTurn; ++answered) {
            if (!gone_ && socket_->bytesToWrite() > maxUnsentBytes) return;  // bytesWritten brings it back
            std::optional<LineSplitter::Line> line = nextLine();
            if (!line) {
                if (gone_) deleteLater();
                return;
            }
            const std::string reply = answer(*line, target_);
            if (!gone_) socket_->write(reply.data(), static_cast<qint64>(reply.size()));
        }
        schedule();
    }

    std::optional<LineSplitter::Line> nextLine() {
        while (true) {
            if (std::optional<LineSplitter::Line> line = lines_.next()) return line;
            if (gone_) return std::nullopt;
            char chunk[4096];
            const qint64 read = socket_->read(chunk, sizeof chunk);
            if (read <= 0) return std::nullopt;
            lines_.append(std::string_view(chunk, static_cast<size_t>(read)));
        }
    }

    QIODevice* socket_;
    Target& target_;
    LineSplitter lines_;
    bool scheduled_ = false;
    bool gone_ = false;
};

template <typename Socket>
void serve(Socket* socket, Target& target, QObject* server) {
    socket->setReadBufferSize(maxUnreadBytes);
    auto* client = new Client(socket, target, server);
    QObject::connect(socket, &Socket::disconnected, client, &Client::gone);
}

}  // namespace

LircdServer::LircdServer(Target& target, QObject* parent)
    : QObject(parent), target_(target), local_(new QLocalServer(this)), tcp_(new QTcpServer(this)) {
    connect(local_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = local_->nextPendingConnection()) serve(socket, target_, this);
    });
    connect(tcp_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = tcp_->nextPendingConnection()) serve(socket, target_, this);
    });
}

LircdServer::~LircdServer() = default;  // closing the QLocalServer removes the socket file

QString LircdServer::listenLocal(const QString& path) {
    if (QFileInfo::exists(path) || isSocketFile(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000))
            return tr("Another program answers on the LIRC socket %1 (an lircd, or this program started twice). "
                      "Stop it, or give this program another socket.")
                .arg(path);
        if (!isSocketFile(path))
            return tr("%1 is a file, not a socket: it is left as it is. Give the LIRC socket another path.").arg(path);
        QLocalServer::removeServer(path);  // a socket nobody answers on: left by a program that ended
    }
    local_->setSocketOptions(QLocalServer::UserAccessOption);
    local_->setListenBacklogSize(maxWaitingClients);
    if (!local_->listen(path)) return tr("Cannot listen on the LIRC socket %1: %2.").arg(path, local_->errorString());
    if (!restrictToOwner(local_->fullServerName())) {
        local_->close();
        return tr("Cannot close the LIRC socket %1 to other users.").arg(path);
    }
    return {};
}

QString LircdServer::listenTcp(const QString& addressAndPort) {
    QString addressText = QStringLiteral("127.0.0.1");
    QString portText = addressAndPort;
    const qsizetype colon = addressAndPort.lastIndexOf(':');
    if (colon >= 0) {
        addressText = addressAndPort.left(colon);
        portText = addressAndPort.mid(colon + 1);
        if (addressText.startsWith('[') && addressText.endsWith(']'))
            addressText = addressText.mid(1, addressText.size() - 2);
    }
    bool portOk = true;
    const uint port = portText.isEmpty() ? 8765 : portText.toUInt(&portOk);
    const QHostAddress address(addressText);
    if (!portOk || port > 65535 || address.isNull())
        return tr("'%1' is not an address for the LIRC socket: give [ADDRESS:]PORT, such as 8765 or 127.0.0.1:8765.")
            .arg(addressAndPort);
    if (!tcp_->listen(address, static_cast<quint16>(port)))
        return tr("Cannot listen for LIRC clients on %1: %2.").arg(addressAndPort, tcp_->errorString());
    return {};
}

QString LircdServer::localPath() const { return local_->fullServerName(); }

quint16 LircdServer::tcpPort() const { return tcp_->serverPort(); }

}  // namespace orvalinder::lircd
