// The program's start. The options are read before Qt starts, so --help and
// --version work where there is no display.

#include <QStringList>

#include <cstdio>
#include <string_view>

#include "app/import_handover.h"
#include "app/orvalinder_app.h"

namespace {

constexpr char kUsage[] = "Usage: orvalinder [OPTION]... [FILE]\n";
constexpr char kHelp[] =
    "Shows a remote control; a click on one of its buttons sends the button's key\n"
    "code over the serial port to the board that transmits it as infrared.\n"
    "FILE is an Orvalinder document to open; without it a new one is started.\n"
    "\n"
    "      --import CODES  import a file of codes (LIRC's lircd.conf, a Flipper\n"
    "                      .ir file or Pronto hex) and link its keys to buttons;\n"
    "                      a window already open takes it\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "  --                  end of options: what follows is FILE even if it starts\n"
    "                      with '-'\n";

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    bool version = false;
    bool options = true;
    QStringList documents;
    QString importFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && argument.starts_with('-')) {
            if (argument == "-h" || argument == "--help") {
                help = true;
            } else if (argument == "--version") {
                version = true;
            } else if (argument == "--import") {
                if (i + 1 == argc) {
                    std::fprintf(stderr, "orvalinder: --import needs the file of codes\n%s", kUsage);
                    return 2;
                }
                importFile = QString::fromLocal8Bit(argv[++i]);
            } else {
                std::fprintf(stderr, "orvalinder: unknown option '%s'\n%s", argv[i], kUsage);
                std::fputs("Try 'orvalinder --help' for more information.\n", stderr);
                return 2;
            }
        } else {
            documents << QString::fromLocal8Bit(argv[i]);
        }
    }
    if (help) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
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
    if (!importFile.isEmpty() && documents.isEmpty() && orvalinder::ImportHandover::handOver(importFile)) return 0;
    if (!app.initInstance(documents, importFile)) return 1;
    return app.exec();
}
