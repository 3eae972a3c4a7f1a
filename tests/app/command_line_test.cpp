// The program's command line, run as a user runs it. --help, --version and
// mistakes are answered before Qt starts, so they need no display; a file
// named after "--" is opened even when it looks like an option.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kDeadlineMs = 20000;
// A loaded machine has been seen to take over 20 s to start the program.
constexpr int kStartDeadlineMs = 60000;

const QByteArray kUsage = "Usage: orvalinder [OPTION]... [FILE]\n";

void start(QProcess& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORVALINDER_PROGRAM), arguments);
}

TEST(CommandLine, OptionsAreAnsweredWithoutADisplay) {
    const struct Row {
        QStringList arguments;
        int exitCode;
        QByteArrayList out;  // in the standard output, in this order
        QByteArrayList err;  // in the standard error, in this order
    } rows[] = {
        {{"--help"},
         0,
         {kUsage, "\n      --import CODES ", "\n      --socket PATH ", "/orvalinder/lircd\n", "\n  -h, --help ",
          "\n      --version ", "\n  -- "},
         {}},
        {{"--import"}, 2, {}, {"orvalinder: --import needs the file of codes\n" + kUsage}},
        {{"--port"}, 2, {}, {"orvalinder: --port needs the serial device\n" + kUsage}},
        {{"--socket"}, 2, {}, {"orvalinder: --socket needs the socket's path\n" + kUsage}},
        {{"--listen"}, 2, {}, {"orvalinder: --listen needs [ADDRESS:]PORT\n" + kUsage}},
        {{"-h"}, 0, {kUsage, "\n  -h, --help "}, {}},
        {{"--version"}, 0, {"orvalinder 1.0\n"}, {}},
        {{"a.txt", "--version"}, 0, {"orvalinder 1.0\n"}, {}},
        {{"--bogus"}, 2, {}, {"orvalinder: unknown option '--bogus'\n" + kUsage, "orvalinder --help"}},
        {{"-x"}, 2, {}, {"orvalinder: unknown option '-x'\n" + kUsage}},
        {{"-"}, 2, {}, {"orvalinder: unknown option '-'\n"}},
        {{"--version", "--bogus"}, 2, {}, {"unknown option '--bogus'"}},
    };
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) noDisplay.remove(name);
    for (const Row& row : rows) {
        const std::string name = row.arguments.join(' ').toStdString();
        QProcess program;
        start(program, row.arguments, noDisplay);
        ASSERT_TRUE(program.waitForFinished(kDeadlineMs)) << name;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << name;
        EXPECT_EQ(program.exitCode(), row.exitCode) << name;
        const QByteArray out = program.readAllStandardOutput();
        const QByteArray err = program.readAllStandardError();
        for (const auto& [expected, text] : {std::pair{row.out, out}, std::pair{row.err, err}}) {
            EXPECT_EQ(expected.isEmpty(), text.isEmpty()) << name << ": " << text.toStdString();
            qsizetype from = 0;
            for (const QByteArray& part : expected) {
                from = text.indexOf(part, from);
                EXPECT_GE(from, 0) << name << ": no \"" << part.toStdString() << "\" in order in\n"
                                   << text.toStdString();
            }
        }
    }
}

// What a LIRC client connected to the window says to VERSION, or empty.
QByteArray askVersion(QLocalSocket& client) {
    client.write("VERSION\n");
    QByteArray reply;
    while (!reply.endsWith("END\n") && client.waitForReadyRead(kDeadlineMs)) reply += client.readAll();
    return reply;
}

// The document argument opens that file, which then heads the recent files
// in the per-user state. A LIRC client that connects as soon as the window
// shows stays served once the start has long ended.
TEST(CommandLine, NamedFileIsOpened) {
    const struct Row {
        QStringList arguments;
        QString file;
    } rows[] = {
        {{"--mqtt", "mqtt://127.0.0.1:1", "remotes.txt"}, "remotes.txt"},
        {{"--", "-reverse"}, "-reverse"},  // also one of Qt's own options
        {{"--", "--help"}, "--help"},
    };
    for (const Row& row : rows) {
        const std::string name = row.arguments.join(' ').toStdString();
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        QFile file(home.filePath(row.file));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        ASSERT_TRUE(QDir(home.path()).mkdir("run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) << name;
        environment.insert("XDG_RUNTIME_DIR", home.filePath("run"));
        QProcess program;
        program.setWorkingDirectory(home.path());
        QElapsedTimer clock;
        clock.start();
        start(program, row.arguments, environment);
        ASSERT_TRUE(program.waitForStarted(kDeadlineMs)) << name;

        const QString state = home.filePath("config/Local AppWizard-Generated Applications/Orvalinder.conf");
        const bool opened = QTest::qWaitFor(
            [&] {
                return QSettings(state, QSettings::IniFormat).value("Recent File List/File1").toString() ==
                       QFileInfo(file).absoluteFilePath();
            },
            kStartDeadlineMs);
        EXPECT_TRUE(opened) << name << " after " << clock.elapsed() << " ms\n"
                            << program.readAllStandardError().toStdString();
        EXPECT_EQ(program.state(), QProcess::Running) << name;
        const QString socket = home.filePath("run/orvalinder/lircd");
        QLocalSocket client;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                client.connectToServer(socket);
                return client.waitForConnected(kDeadlineMs);
            },
            kDeadlineMs))
            << name;
        EXPECT_TRUE(askVersion(client).contains("SUCCESS")) << name;
        QTest::qWait(std::max<int>(0, 2000 - static_cast<int>(clock.elapsed())));
        EXPECT_TRUE(askVersion(client).contains("SUCCESS")) << name;
        // A broker given is tried as the program starts.
        if (row.arguments.contains("--mqtt"))
            EXPECT_TRUE(program.readAllStandardError().contains("mqtt://127.0.0.1:1 is not reached")) << name;
        program.kill();
        program.waitForFinished(kDeadlineMs);
    }
}

}  // namespace
