// The program's start. The options are read before Qt starts, so --help and
// --version work where there is no display.

#include <QStringList>

#include <cstdio>
#include <string>
#include <string_view>

#include "app/import_handover.h"
#include "app/orvalinder_app.h"
#include "lircd/socket_path.h"

namespace {

constexpr char kUsage[] = "Usage: orvalinder [OPTION]... [FILE]\n";
constexpr char kHelp[] =
    "Shows a remote control; a click on one of its buttons sends the button's key\n"
    "code over the serial port to the board that transmits it as infrared.\n"
    "FILE is an Orvalinder document to open; without it a new one is started.\n"
    "\n"
    "      --import CODES  import a file of codes (LIRC's lircd.conf, a Flipper\n"
    "                      .ir file, IRDB's CSV or Pronto hex) and link its keys\n"
    "                      to buttons; a window already open takes it\n"
    "      --port DEVICE   use this serial port, leaving the stored settings alone\n"
    "                      (one window for each board)\n"
    "      --socket PATH   serve LIRC's clients (irsend -d PATH) on this socket\n"
    "                      instead of %s\n"
    "      --listen [ADDRESS:]PORT  serve them on TCP too (on 127.0.0.1 when only\n"
    "                      a port is given)\n"
    "      --mqtt URL      reach Home Assistant through this MQTT broker\n"
    "                      (mqtt://HOST[:PORT] or mqtts://), leaving the stored\n"
    "                      settings alone\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "  --                  end of options: what follows is FILE even if it starts\n"
    "                      with '-'\n";

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    bool version = false;
    bool options = true;
    orvalinder::CommandLine command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        // An option with its value: "--port DEVICE".
        auto valueOf = [&](QString& value, const char* what) {
            if (i + 1 == argc) {
                std::fprintf(stderr, "orvalinder: %s needs %s\n%s", argv[i], what, kUsage);
                return false;
            }
            value = QString::fromLocal8Bit(argv[++i]);
            return true;
        };
        if (options && argument == "--") {
            options = false;
        } else if (options && argument.starts_with('-')) {
            bool ok = true;
            if (argument == "-h" || argument == "--help") {
                help = true;
            } else if (argument == "--version") {
                version = true;
            } else if (argument == "--import") {
                ok = valueOf(command.importFile, "the file of codes");
            } else if (argument == "--port") {
                ok = valueOf(command.port, "the serial device");
            } else if (argument == "--socket") {
                ok = valueOf(command.socket, "the socket's path");
            } else if (argument == "--listen") {
                ok = valueOf(command.listen, "[ADDRESS:]PORT");
            } else if (argument == "--mqtt") {
                ok = valueOf(command.mqtt, "the broker's URL");
            } else {
                std::fprintf(stderr, "orvalinder: unknown option '%s'\n%s", argv[i], kUsage);
                std::fputs("Try 'orvalinder --help' for more information.\n", stderr);
                return 2;
            }
            if (!ok) return 2;
        } else {
            command.documents << QString::fromLocal8Bit(argv[i]);
        }
    }
    if (help) {
        // Qt's note that it picked the runtime folder itself is no help here.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        std::fputs(kUsage, stdout);
        std::printf(kHelp, orvalinder::lircd::defaultSocketPath().toLocal8Bit().constData());
        return 0;
    }
    if (version) {
        std::puts("orvalinder " ORVALINDER_VERSION);
        return 0;
    }

    // Qt is given no argument: it would take a file named like one of its own
    // options (-reverse, -style) for that option.
    int qtArgc = 1;
    orvalinder::COrvalinderApp app(qtArgc, argv);
    if (!command.importFile.isEmpty() && command.documents.isEmpty() &&
        orvalinder::ImportHandover::handOver(command.importFile))
        return 0;
    if (!app.initInstance(command)) return 1;
    return app.exec();
}
