// The LIRC socket as clients nobody here wrote use it: Debian's irsend and
// LIRC's Python module; then floods, junk and clients that go away, written
// straight to the socket; and the socket's place on disk.

#include <gtest/gtest.h>

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "lircd/lircd_server.h"
#include "lircd/socket_path.h"
#include "tests/lircd/stand_in_target.h"

namespace orvalinder::lircd {
namespace {

using testing::StandInTarget;
using Sent = StandInTarget::Sent;

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a client with the event loop going, so the server answers it.
Finished runClient(const QString& program, const QStringList& arguments) {
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!finished.wait(20000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

int modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

class LircdServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        path = defaultSocketPath();
        ASSERT_EQ(path, dir.path() + "/orvalinder/lircd");
        ASSERT_EQ(prepareSocketFolder(path), QString());
        ASSERT_EQ(server.listenLocal(path), QString());
    }

    // A client on the socket that has written `text`.
    std::unique_ptr<QLocalSocket> clientWriting(const QByteArray& text) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(path);
        EXPECT_TRUE(socket->waitForConnected(5000));
        socket->write(text);
        return socket;
    }

    // What the client has been answered once `replies` replies have come.
    static QByteArray replies(QLocalSocket& socket, int replies) {
        QByteArray all;
        (void)QTest::qWaitFor(
            [&] {
                all += socket.readAll();
                return all.count("END\n") >= replies;
            },
            10000);
        return all;
    }

    QTemporaryDir dir;
    QString path;
    StandInTarget target;
    LircdServer server{target};
};

TEST_F(LircdServerTest, Irsend) {
    struct Step {
        QStringList arguments;
        bool connected;
        int status;
        std::string out;
        std::string err;
    };
    const std::string failed = "Error running command: Input/output error\n";
    const Step steps[] = {
        {{"SEND_ONCE", "tv", "KEY_POWER"}, true, 0, "", ""},
        {{"--count=3", "SEND_ONCE", "sky", "A101"}, true, 0, "", ""},
        {{"SEND_ONCE", "tv", "KEY_VOLUMEUP", "KEY_POWER"}, true, 0, "", ""},
        {{"LIST", "", ""}, true, 0, "tv\nsky\n\n", ""},
        {{"LIST", "tv", ""}, true, 0, "00000000000010ef KEY_POWER\n00000000000040bf KEY_VOLUMEUP\n\n", ""},
        {{"LIST", "sky", "A102"}, true, 0, "000000000000a102 A102\n\n", ""},
        {{"VERSION", "", ""}, true, 0, "0.10.1\n\n", ""},
        {{"SEND_ONCE", "tv", "NOPE"}, true, 1, "unknown command: \"NOPE\"\n\n", failed},
        {{"SEND_ONCE", "nope", "KEY_POWER"}, true, 1, "unknown remote: \"nope\"\n\n", failed},
        {{"LIST", "nope", ""}, true, 1, "unknown remote: \"nope\"\n\n", failed},
        {{"--count=601", "SEND_ONCE", "tv", "KEY_POWER"}, true, 1, "too many repeats: \"601\" > \"600\"\n\n", failed},
        {{"SEND_ONCE", "tv", "KEY_POWER"}, false, 1, "not connected to the board\n\n", failed},
        {{"SEND_START", "sky", "power"}, true, 0, "", ""},
        {{"SEND_ONCE", "tv", "KEY_POWER"}, true, 1, "busy: repeating\n\n", failed},
        {{"SEND_STOP", "sky", "A101"}, true, 1, "specified code does not match\n\n", failed},
        {{"SEND_STOP", "sky", "power"}, true, 0, "", ""},
        {{"SEND_STOP", "sky", "power"}, true, 1, "not repeating\n\n", failed},
        {{"SET_TRANSMITTERS", "1"}, true, 1, "", failed},  // irsend does not print its message
    };
    for (const Step& step : steps) {
        target.connected = step.connected;
        const Finished run = runClient("irsend", QStringList{"-d", path} + step.arguments);
        EXPECT_EQ(run.status, step.status) << step.arguments.join(' ').toStdString();
        EXPECT_EQ(run.out, step.out) << step.arguments.join(' ').toStdString();
        EXPECT_EQ(run.err, step.err) << step.arguments.join(' ').toStdString();
    }
    const std::vector<Sent> expected{{"once", "tv", "KEY_POWER", 0},    {"once", "sky", "A101", 3},
                                     {"once", "tv", "KEY_VOLUMEUP", 0}, {"once", "tv", "KEY_POWER", 0},
                                     {"start", "sky", "power", 0},      {"stop", "sky", "power", 0}};
    EXPECT_EQ(target.sent, expected);
}

TEST_F(LircdServerTest, IrsendOverTcp) {
    ASSERT_EQ(server.listenTcp("127.0.0.1:0"), QString());
    const QString address = QString("127.0.0.1:%1").arg(server.tcpPort());
    EXPECT_EQ(runClient("irsend", {"-a", address, "SEND_ONCE", "sky", "A102"}).status, 0);
    const Finished list = runClient("irsend", {"-a", address, "LIST", "", ""});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "tv\nsky\n\n");
    EXPECT_EQ(target.sent, (std::vector<Sent>{{"once", "sky", "A102", 0}}));

    LircdServer other(target);
    EXPECT_NE(other.listenTcp(address), QString());  // taken
    for (const char* bad : {"x", "127.0.0.1:99999", "127.0.0.1:65536", "300.1.1.1:8765", "127.0.0.1:-1"})
        EXPECT_TRUE(other.listenTcp(bad).contains("[ADDRESS:]PORT")) << bad;
    EXPECT_FALSE(other.listenTcp("127.0.0.1:65535").contains("[ADDRESS:]PORT"));  // the last port, free or taken
    EXPECT_FALSE(other.listenTcp("127.0.0.1:").contains("[ADDRESS:]PORT"));       // no port: LIRC's own
    LircdServer bracketed(target);  // as an IPv6 address is written before its port
    EXPECT_EQ(bracketed.listenTcp("[127.0.0.1]:0"), QString());
    EXPECT_NE(bracketed.tcpPort(), 0);
}

TEST_F(LircdServerTest, LircsPythonModule) {
    qputenv("LIRC_SOCKET_PATH", QFile::encodeName(path));
    const Finished run =
        runClient(ORVALINDER_SYSTEM_PYTHON, {ORVALINDER_LIRC_PYTHON_CLIENT, path, "version", "list", "keys tv",
                                             "keys nope", "send sky power", "send tv KEY_POWER KEY_VOLUMEUP",
                                             "start tv KEY_POWER", "stop tv KEY_VOLUMEUP", "stop tv KEY_POWER"});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "ok|0.10.1\n"
              "ok|tv|sky\n"
              "ok|00000000000010ef KEY_POWER|00000000000040bf KEY_VOLUMEUP\n"
              "error|unknown remote: \"nope\"\n"
              "ok\n"
              "error|bad send packet (reps/eol)\n"
              "ok\n"
              "error|specified code does not match\n"
              "ok\n");
    EXPECT_EQ(target.sent,
              (std::vector<Sent>{
                  {"once", "sky", "power", 0}, {"start", "tv", "KEY_POWER", 0}, {"stop", "tv", "KEY_POWER", 0}}));
}

// A thousand commands in one write: all run, in order, and the event loop
// gets its turn every linesPerTurn of them.
TEST_F(LircdServerTest, BurstRunsInOrderBetweenTurnsOfTheLoop) {
    int turns = 0;
    QTimer loopTurn;
    QObject::connect(&loopTurn, &QTimer::timeout, [&] { ++turns; });
    loopTurn.start(0);
    struct Counting : StandInTarget {
        int* turns;
        std::vector<int> turnOfSend;
        std::optional<std::string> sendOnce(const std::string& remote, const std::string& key, int repeats) override {
            turnOfSend.push_back(*turns);
            return StandInTarget::sendOnce(remote, key, repeats);
        }
    } counting;
    counting.turns = &turns;
    LircdServer burstServer(counting);
    ASSERT_EQ(burstServer.listenLocal(dir.path() + "/burst"), QString());
    path = dir.path() + "/burst";

    QByteArray burst;
    std::vector<Sent> expected;
    for (int i = 0; i < 1000; ++i) {
        burst += QString("SEND_ONCE tv %1 %2\n").arg(i % 2 ? "KEY_POWER" : "KEY_VOLUMEUP").arg(i % 600).toUtf8();
        expected.push_back({"once", "tv", i % 2 ? "KEY_POWER" : "KEY_VOLUMEUP", i % 600});
    }
    const auto client = clientWriting(burst);
    EXPECT_EQ(replies(*client, 1000).count("SUCCESS"), 1000);
    EXPECT_EQ(counting.sent, expected);
    int longestRun = 0;
    for (size_t i = 0, start = 0; i < counting.turnOfSend.size(); ++i) {
        if (counting.turnOfSend[i] != counting.turnOfSend[start]) start = i;
        longestRun = std::max(longestRun, static_cast<int>(i - start + 1));
    }
    EXPECT_LE(longestRun, LircdServer::linesPerTurn);
}

TEST_F(LircdServerTest, HundredClientsAtOnceEachInItsOrder) {
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    for (int c = 0; c < 100; ++c) {
        clients.push_back(std::make_unique<QLocalSocket>());
        clients.back()->connectToServer(path);
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::all_of(clients.begin(), clients.end(),
                               [](const auto& client) { return client->state() == QLocalSocket::ConnectedState; });
        },
        10000));
    for (int c = 0; c < 100; ++c)
        for (int i = 0; i < 10; ++i)
            clients[c]->write(QString("SEND_ONCE sky A10%1 %2\n").arg(1 + i % 2).arg(c).toUtf8());
    for (auto& client : clients) EXPECT_EQ(replies(*client, 10).count("SUCCESS"), 10);
    ASSERT_EQ(target.sent.size(), 1000u);
    std::vector<std::vector<std::string>> keysOfClient(100);
    for (const Sent& sent : target.sent) keysOfClient[sent.repeats].push_back(sent.key);
    for (const auto& keys : keysOfClient)
        EXPECT_EQ(keys, (std::vector<std::string>{"A101", "A102", "A101", "A102", "A101", "A102", "A101", "A102",
                                                  "A101", "A102"}));
}

TEST_F(LircdServerTest, JunkGetsErrorsAndTheClientCarriesOn) {
    const auto client = clientWriting(QByteArray(3000, 'x') + "\n" + QByteArray("\x00\xff\x01\x7f\n", 5) +
                                      QByteArray(2000, '\x00') + "\nVERSION\n");
    const QByteArray answered = replies(*client, 4);
    EXPECT_EQ(answered.count("ERROR\nDATA\n1\nline too long: over 1024 bytes\nEND\n"), 2);
    EXPECT_TRUE(answered.contains("BEGIN\n?\xff??\nERROR\nDATA\n1\nbad send packet (control character)\nEND\n"));
    EXPECT_TRUE(answered.endsWith("BEGIN\nVERSION\nSUCCESS\nDATA\n1\n0.10.1\nEND\n"));
    EXPECT_FALSE(answered.contains('\0'));
}

// The lines a client sent before it went all run, though nobody reads the
// replies and they are more than the server reads ahead; the one it had not
// ended does not.
TEST_F(LircdServerTest, ClientGoneMidCommand) {
    const qsizetype idle = server.children().size();
    QByteArray lines;
    for (int i = 0; i < 5000; ++i) lines += "SEND_ONCE sky A101\n";
    {
        const auto client = clientWriting(lines + "SEND_ONCE sky A10");
        ASSERT_TRUE(QTest::qWaitFor([&] { return client->bytesToWrite() == 0; }, 10000));
        client->abort();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.sent.size() >= 5000; }, 10000));
    const auto next = clientWriting("SEND_ONCE sky A102\n");
    EXPECT_TRUE(replies(*next, 1).contains("SUCCESS"));
    ASSERT_EQ(target.sent.size(), 5001u);
    EXPECT_EQ(target.sent.back().key, "A102");
    // Nothing is kept of a client once it has gone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.children().size() == idle + 1; }));  // the one still there
}

TEST_F(LircdServerTest, SocketPlace) {
    EXPECT_EQ(modeOf(path), 0600);  // a socket only the user may use
    EXPECT_EQ(modeOf(dir.path() + "/orvalinder"), 0700);

    // A running server keeps its socket.
    LircdServer second(target);
    EXPECT_TRUE(second.listenLocal(path).contains("Another program answers")) << second.listenLocal(path).toStdString();
    EXPECT_EQ(runClient("irsend", {"-d", path, "VERSION", "", ""}).status, 0);

    // A socket left by a program that ended is replaced.
    const QString stale = dir.path() + "/orvalinder/stale";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(stale).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    EXPECT_EQ(second.listenLocal(stale), QString());
    EXPECT_EQ(runClient("irsend", {"-d", stale, "VERSION", "", ""}).status, 0);

    // A file is never taken for a socket.
    LircdServer third(target);
    const QString file = dir.path() + "/orvalinder/notes";
    QFile notes(file);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("mine");
    notes.close();
    EXPECT_TRUE(third.listenLocal(file).contains("not a socket"));
    EXPECT_EQ(QFileInfo(file).size(), 4);

    // A folder others may enter is refused.
    const QString open = dir.path() + "/open";
    ASSERT_TRUE(QDir().mkdir(open));
    // One bit for the group or for others is enough to refuse it.
    for (const char* mode : {"0755", "0750", "0710", "0705", "0701"}) {
        ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), std::stoi(mode, nullptr, 8)), 0);
        EXPECT_TRUE(prepareSocketFolder(open + "/lircd").contains(QStringLiteral("mode ") + mode))
            << prepareSocketFolder(open + "/lircd").toStdString();
    }
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0700), 0);
    EXPECT_EQ(prepareSocketFolder(open + "/lircd"), QString());

    const QString link = dir.path() + "/link";
    ASSERT_TRUE(QFile::link(open, link));
    EXPECT_TRUE(prepareSocketFolder(link + "/lircd").contains("not a folder"));

    // A folder that cannot be made: its parent is a file.
    QFile parent(dir.path() + "/file");
    ASSERT_TRUE(parent.open(QIODevice::WriteOnly));
    EXPECT_EQ(prepareSocketFolder(dir.path() + "/file/sub/lircd"),
              "Cannot make the folder " + dir.path() + "/file/sub for the LIRC socket: Not a directory.");
}

}  // namespace
}  // namespace orvalinder::lircd
