#pragma once
// A real mosquitto broker on a free loopback port for the tests and benches,
// with a password file or TLS when asked (its certificates made by openssl),
// and Debian's mosquitto_pub and mosquitto_sub as the other side: Home
// Assistant, a script.

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <utility>

namespace orvalinder::testing {

// Runs the event loop until the condition holds; false when time ran out.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms) return false;
        QTest::qWait(10);
    }
    return true;
}

class MosquittoBroker {
public:
    struct Options {
        bool password = false;  // user "orvalinder", password "secret word"
        bool tls = false;       // a certificate for localhost from a CA of its own
        bool persistence = false;
    };
    static constexpr const char* kUser = "orvalinder";
    static constexpr const char* kPassword = "secret word";

    explicit MosquittoBroker(Options options) : options_(options) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        ok_ = writeConfig() && start();
    }
    ~MosquittoBroker() { stop(); }

    bool ok() const { return ok_; }
    int port() const { return port_; }
    QString url() const {
        return QStringLiteral("%1://%2:%3")
            .arg(options_.tls ? "mqtts" : "mqtt", options_.tls ? "localhost" : "127.0.0.1")
            .arg(port_);
    }
    QString caFile() const { return dir_.filePath("ca.crt"); }

    // Started (again: with persistence it keeps its sessions and retained
    // messages) and listening.
    bool start() {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral("mosquitto"), {"-c", dir_.filePath("mosquitto.conf")});
        if (!process_.waitForStarted(5000)) return false;
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
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        process_.waitForFinished(5000);
    }

    // The options mosquitto_pub and mosquitto_sub need for this broker.
    QStringList clientOptions() const {
        QStringList options{"-h", options_.tls ? "localhost" : "127.0.0.1", "-p", QString::number(port_)};
        if (options_.password) options << "-u" << kUser << "-P" << kPassword;
        if (options_.tls) options << "--cafile" << caFile();
        return options;
    }

    bool publish(const QString& topic, const QByteArray& payload, int qos = 0, bool retain = false) const {
        QTemporaryDir folder;
        QFile file(folder.filePath("payload"));
        if (!file.open(QIODevice::WriteOnly) || file.write(payload) != payload.size()) return false;
        file.close();
        QStringList options = clientOptions()
                              << "-q" << QString::number(qos) << "-t" << topic << "-f" << file.fileName();
        if (retain) options << "-r";
        return QProcess::execute(QStringLiteral("mosquitto_pub"), options) == 0;
    }

private:
    bool writeConfig() {
        QString config = QStringLiteral("listener %1 %2\n").arg(port_).arg(options_.tls ? "localhost" : "127.0.0.1");
        if (options_.password) {
            if (QProcess::execute(QStringLiteral("mosquitto_passwd"),
                                  {"-b", "-c", dir_.filePath("passwords"), kUser, kPassword}) != 0)
                return false;
            config += "allow_anonymous false\npassword_file " + dir_.filePath("passwords") + "\n";
        } else {
            config += "allow_anonymous true\n";
        }
        if (options_.tls) {
            if (!makeCertificates()) return false;
            config += "cafile " + caFile() + "\ncertfile " + dir_.filePath("server.crt") + "\nkeyfile " +
                      dir_.filePath("server.key") + "\n";
        }
        if (options_.persistence) config += "persistence true\npersistence_location " + dir_.path() + "/\n";
        // Started by root it would run as the user mosquitto, who cannot
        // write its persistence here.
        config += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(getpwuid(getuid())->pw_name));
        QFile file(dir_.filePath("mosquitto.conf"));
        return file.open(QIODevice::WriteOnly) && file.write(config.toUtf8()) == config.toUtf8().size();
    }

    bool openssl(const QStringList& arguments) const {
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start(QStringLiteral("openssl"), arguments);
        return process.waitForFinished(20000) && process.exitCode() == 0;
    }
    bool makeCertificates() {
        const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        QFile names(dir_.filePath("names.ext"));
        if (!names.open(QIODevice::WriteOnly) || names.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0)
            return false;
        names.close();
        return openssl(QStringList{"req", "-x509"} + ec +
                       QStringList{"-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj", "/CN=Test CA"}) &&
               openssl(QStringList{"req"} + ec +
                       QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost"}) &&
               openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                        "-out", "server.crt", "-days", "2", "-extfile", "names.ext"});
    }

    Options options_;
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    bool ok_ = false;
};

// mosquitto_sub on every topic: what Home Assistant and scripts see, as
// topic and payload.
class BrokerWatcher {
public:
    explicit BrokerWatcher(const MosquittoBroker& broker) {
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine()) {
                QByteArray line = process_.readLine();
                line.chop(1);
                const qsizetype space = line.indexOf(' ');
                messages.emplace_back(QString::fromUtf8(line.left(space)),
                                      space < 0 ? QByteArray() : line.mid(space + 1));
            }
        });
        // Each message on a line of its own, an empty one as nothing after
        // the topic; no command of a megabyte.
        const QStringList everything{"-F", "%t %p", "-t", "#", "-T", "+/+/emitter/command"};
        process_.start(QStringLiteral("mosquitto_sub"), broker.clientOptions() + everything);
        // Subscribed once a message of the test's own comes back.
        ready_ = process_.waitForStarted(5000) && waitUntil([&] {
                     broker.publish(QStringLiteral("watcher/ready"), "1");
                     return waitFor(
                                QStringLiteral("watcher/ready"), [](const QByteArray&) { return true; }, 200)
                         .has_value();
                 });
    }
    bool ready() const { return ready_; }
    ~BrokerWatcher() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

    // The payload last seen on the topic, waiting up to `ms` for one that
    // satisfies `wanted`.
    std::optional<QByteArray> waitFor(const QString& topic, const std::function<bool(const QByteArray&)>& wanted,
                                      int ms = 10000) {
        std::optional<QByteArray> found;
        waitUntil(
            [&] {
                for (const auto& [t, payload] : messages)
                    if (t == topic && wanted(payload)) found = payload;
                return found.has_value();
            },
            ms);
        return found;
    }

    std::vector<std::pair<QString, QByteArray>> messages;

private:
    QProcess process_;
    bool ready_ = false;
};

}  // namespace orvalinder::testing
