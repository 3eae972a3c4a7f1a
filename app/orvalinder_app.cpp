#include "app/orvalinder_app.h"

#include <QTimer>

#include "resources/icons.h"

namespace orvalinder {

COrvalinderApp::COrvalinderApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The data folder (the code library) is named after the program.
    setApplicationName(QStringLiteral("orvalinder"));
}

COrvalinderApp::~COrvalinderApp() {
    // The server goes before the parts it sends through.
    lircd_.reset();
    parts_.reset();
}

bool COrvalinderApp::initInstance(const CommandLine& command) {
    state_ = CMainFrame::openState();
    store_ = std::make_unique<PortOverrideStore>(storedSettings_, command.port.toStdString());
    parts_ = std::make_unique<ProgramParts>(ProgramSeams{.platform = platform_,
                                                         .settings = *store_,
                                                         .waits = waits_,
                                                         .state = *state_,
                                                         .dataFolder = ButtonCodes::defaultDataFolder(),
                                                         .ports = &ports_});
    CMainFrame* frame = &parts_->frame;
    const QStringList unread = parts_->codes.load();

    if (!frame->openCommandLine(command.documents)) return false;

    // Files handed over by `orvalinder --import` started later: at once, so
    // that a second program started meanwhile finds this one.
    connect(&handover_, &ImportHandover::importRequested, this, &COrvalinderApp::importWhenFree);
    handover_.listen();

    // What the first paint does not need waits for it: the user sees the
    // remote sooner.
    auto rest = [this, command, unread] { finishStart(command, unread); };
    connect(frame->view(), &COrvalinderView::firstPainted, this, rest,
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    // A window the system never shows still serves LIRC's clients.
    QTimer::singleShot(kLongestWaitForPaintMs, this, [this, rest] {
        if (!started_) rest();
    });
    frame->show();
    return true;
}

void COrvalinderApp::finishStart(const CommandLine& command, const QStringList& unread) {
    if (started_) return;
    started_ = true;
    CMainFrame* frame = &parts_->frame;
    // Drawn at every size the system asks for.
    setWindowIcon(appIcon());

    // LIRC's clients: a socket that cannot be had is said, and the window
    // works without it.
    lircd_ = std::make_unique<lircd::LircdServer>(parts_->lircTarget);
    const QString socket = command.socket.isEmpty() ? lircd::defaultSocketPath() : command.socket;
    QStringList refusals;
    QString refused = lircd::prepareSocketFolder(socket);
    if (refused.isEmpty()) refused = lircd_->listenLocal(socket);
    if (refused.isEmpty())
        frame->listeningAt = socket;
    else
        refusals << refused;
    if (!command.listen.isEmpty()) {
        if (const QString tcp = lircd_->listenTcp(command.listen); !tcp.isEmpty())
            refusals << tcp;
        else
            frame->listeningAt +=
                (frame->listeningAt.isEmpty() ? "" : " and ") + QStringLiteral("TCP port %1").arg(lircd_->tcpPort());
    }

    // Home Assistant: a broker that is down or refuses shows in the status
    // lines and Help > About, and everything else works.
    if (!command.mqtt.isEmpty()) parts_->homeAssistantSettings.overrideUrl(command.mqtt.toStdString());
    parts_->homeAssistant.apply(parts_->homeAssistantSettings.load());

    if (!refusals.isEmpty())
        platform_.boxes.show(frame, QStringLiteral("LIRC's clients can't reach this window:\n") + refusals.join('\n'),
                             MessageIcon::Default);
    if (!unread.isEmpty())
        platform_.boxes.show(
            frame, QStringLiteral("These files of codes could not be read and are left out:\n") + unread.join('\n'),
            MessageIcon::Default);
    if (!command.importFile.isEmpty()) importWhenFree(command.importFile);
}

// One import at a time: a file handed over during another waits its turn.
void COrvalinderApp::importWhenFree(const QString& path) {
    pendingImports_ << path;
    if (importing_) return;
    importing_ = true;
    CMainFrame& frame = parts_->frame;
    while (!pendingImports_.isEmpty()) {
        frame.raise();
        frame.activateWindow();
        frame.importCodes(pendingImports_.takeFirst());
    }
    importing_ = false;
}

}  // namespace orvalinder
