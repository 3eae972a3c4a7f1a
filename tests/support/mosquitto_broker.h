#pragma once
// A real mosquitto broker for the tests and benches on a free loopback port,
// with a password file, persistence and, when asked, TLS (a certificate for
// localhost made by openssl); Debian's mosquitto_pub and mosquitto_sub are
// the other side: Home Assistant, a script.

#include <pwd.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace orvalinder::testing {

// Runs the event loop until the condition holds; false when time ran out.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 10000) { return QTest::qWaitFor(condition, ms); }

class MosquittoBroker {
public:
    static constexpr const char* kUser = "orvalinder";
    static constexpr const char* kPassword = "secret word";

    explicit MosquittoBroker(bool tls = false) : tls_(tls) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        const QString passwords = dir_.filePath("passwords"), key = dir_.filePath("key.pem");
        QString config = QStringLiteral("listener %1 %2\nallow_anonymous false\npassword_file %3\n")
                             .arg(port_)
                             .arg(host(), passwords);
        // Started by root it would run as the user mosquitto, who could not
        // write its persistence here.
        config += QStringLiteral("persistence true\npersistence_location %1/\nuser %2\n")
                      .arg(dir_.path(), QString::fromLocal8Bit(getpwuid(getuid())->pw_name));
        if (tls) config += QStringLiteral("certfile %1\nkeyfile %2\n").arg(caFile(), key);
        QFile file(dir_.filePath("mosquitto.conf"));
        ok_ = QProcess::execute("mosquitto_passwd", {"-b", "-c", passwords, kUser, kPassword}) == 0 &&
              (!tls ||
               QProcess::execute(
                   "openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                               "-days", "2", "-subj", "/CN=localhost", "-addext",
                               "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout", key, "-out", caFile()}) == 0) &&
              file.open(QIODevice::WriteOnly) && file.write(config.toUtf8()) > 0 && file.flush() && start();
    }
    ~MosquittoBroker() { stop(); }

    bool ok() const { return ok_; }
    int port() const { return port_; }
    QString host() const { return tls_ ? "localhost" : "127.0.0.1"; }
    QString url() const { return QStringLiteral("%1://%2:%3").arg(tls_ ? "mqtts" : "mqtt", host()).arg(port_); }
    // The certificate, its own authority.
    QString caFile() const { return dir_.filePath("certificate.pem"); }

    // Started (again, with the sessions and retained messages it kept) and
    // listening.
    bool start() {
        process_.start(QStringLiteral("mosquitto"), {"-c", dir_.filePath("mosquitto.conf")});
        return waitUntil(
            [this] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
                return socket.waitForConnected(100);
            },
            5000);
    }
    // As when the service stops: it saves what it keeps.
    void stop() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

    // What mosquitto_pub and mosquitto_sub need for this broker.
    QStringList clientOptions() const {
        QStringList options{"-h", host(), "-p", QString::number(port_), "-u", kUser, "-P", kPassword};
        if (tls_) options << "--cafile" << caFile();
        return options;
    }

    bool publish(const QString& topic, const QByteArray& payload, int qos = 0, bool retain = false) const {
        QTemporaryDir folder;
        QFile file(folder.filePath("payload"));
        if (!file.open(QIODevice::WriteOnly) || file.write(payload) != payload.size() || !file.flush()) return false;
        QStringList options = clientOptions()
                              << "-q" << QString::number(qos) << "-t" << topic << "-f" << file.fileName();
        if (retain) options << "-r";
        return QProcess::execute(QStringLiteral("mosquitto_pub"), options) == 0;
    }

    // The topics under `filter` that hold a retained message, as a client
    // that subscribes now is given them.
    QStringList retainedTopics(const QString& filter) const {
        QProcess sub;
        sub.start(QStringLiteral("mosquitto_sub"),
                  clientOptions() + QStringList{"-t", filter, "--retained-only", "-W", "1", "-F", "%t"});
        sub.waitForFinished(5000);
        QStringList topics = QString::fromUtf8(sub.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        topics.sort();
        return topics;
    }
    // What the broker logged, such as each client's keep-alive ("k30") as it connects.
    QByteArray log() {
        log_ += process_.readAllStandardError();
        return log_;
    }

private:
    bool tls_;
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray log_;
    int port_ = 0;
    bool ok_ = false;
};

// mosquitto_sub on every topic but the emitters' commands: what Home
// Assistant and scripts see.
class BrokerWatcher {
public:
    explicit BrokerWatcher(const MosquittoBroker& broker) {
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().chopped(1);
                const qsizetype space = line.indexOf(' ');
                messages.emplace_back(QString::fromUtf8(line.left(space)), line.mid(space + 1));
            }
        });
        // An empty message is nothing after the topic.
        const QStringList everything{"-F", "%t %p", "-t", "#", "-T", "+/+/emitter/command"};
        process_.start(QStringLiteral("mosquitto_sub"), broker.clientOptions() + everything);
    }
    ~BrokerWatcher() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

    // The last message on the topic, once one has come (with this payload,
    // when given).
    std::optional<QByteArray> waitFor(const QString& topic, const std::optional<QByteArray>& payload = {}) {
        std::optional<QByteArray> found;
        waitUntil([&] {
            for (const auto& [t, p] : messages)
                if (t == topic && (!payload || p == *payload)) found = p;
            return found.has_value();
        });
        return found;
    }

    std::vector<std::pair<QString, QByteArray>> messages;

private:
    QProcess process_;
};

}  // namespace orvalinder::testing
