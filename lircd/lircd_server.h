#pragma once
// The LIRC socket: lircd's protocol on a Unix socket (QLocalServer) and,
// when asked, on TCP, so that irsend and other LIRC clients drive the
// program. Lives on the GUI thread with its Target, the window: commands run
// there one at a time, each client's in the order it sent them.
//
// A client gets its lines answered a few at a time, between which the event
// loop runs, so a burst of commands never freezes the window. It is read only
// as fast as its replies are taken, so a client that writes and never reads
// holds a bounded amount of memory. Commands only send keys and list names:
// none reads or writes a file.

#include <QObject>
#include <QString>

#include "lircd/target.h"

class QLocalServer;
class QTcpServer;

namespace orvalinder::lircd {

class LircdServer : public QObject {
    Q_OBJECT
public:
    explicit LircdServer(Target& target, QObject* parent = nullptr);
    ~LircdServer() override;

    // Lines a client gets answered before the event loop runs again.
    static constexpr int linesPerTurn = 32;

    // Listens on the Unix socket at `path` (see socket_path.h for the default
    // and its folder), mode 0600. A socket file nobody answers on is replaced;
    // one a running program answers on is left alone. Empty when listening,
    // else why not, for the user.
    QString listenLocal(const QString& path);

    // Listens on TCP at "[ADDRESS:]PORT" as lircd's --listen takes it; the
    // address defaults to 127.0.0.1 (lircd's is every interface: anyone on
    // the network could then drive the TV), the port to 8765. Empty when
    // listening, else why not, for the user.
    QString listenTcp(const QString& addressAndPort);

    QString localPath() const;
    quint16 tcpPort() const;  // the one chosen, when asked for port 0

private:
    Target& target_;
    QLocalServer* local_;
    QTcpServer* tcp_;
};

}  // namespace orvalinder::lircd
