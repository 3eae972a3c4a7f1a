#include "app/orvalinder_app.h"

#include <QTimer>

#include "resources/icons.h"

namespace orvalinder {

COrvalinderApp::COrvalinderApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The data folder (the code library) is named after the program.
    setApplicationName(QStringLiteral("orvalinder"));
}

COrvalinderApp::~COrvalinderApp() {
    // The server and the window go before the connection they use.
    lircd_.reset();
    lircdTarget_.reset();
    frame_.reset();
    connection_.reset();
}

bool COrvalinderApp::initInstance(const CommandLine& command) {
    setWindowIcon(appIcon());
    state_ = CMainFrame::openState();
    store_ = std::make_unique<PortOverrideStore>(storedSettings_, command.port.toStdString());
    connection_ = std::make_unique<SerialConnection>(*store_, waits_);
    codes_ = std::make_unique<ButtonCodes>(ButtonCodes::defaultDataFolder());
    const QStringList unread = codes_->load();
    document_ = std::make_unique<COrvalinderDoc>();
    frame_ = std::make_unique<CMainFrame>(platform_, *connection_, *codes_, *document_, *state_);
    boardCare_ = new BoardCare(*frame_, *connection_, ports_, *store_);
    installDialogs(*frame_, platform_, *store_);

    if (!frame_->openCommandLine(command.documents)) return false;

    // LIRC's clients: a socket that cannot be had is said, and the window
    // works without it.
    lircdTarget_ = std::make_unique<WindowTarget>(*frame_->view());
    lircd_ = std::make_unique<lircd::LircdServer>(*lircdTarget_);
    const QString socket = command.socket.isEmpty() ? lircd::defaultSocketPath() : command.socket;
    QStringList refusals;
    QString refused = lircd::prepareSocketFolder(socket);
    if (refused.isEmpty()) refused = lircd_->listenLocal(socket);
    if (refused.isEmpty()) frame_->listeningAt = socket;
    else refusals << refused;
    if (!command.listen.isEmpty()) {
        if (const QString tcp = lircd_->listenTcp(command.listen); !tcp.isEmpty()) refusals << tcp;
        else frame_->listeningAt += (frame_->listeningAt.isEmpty() ? "" : " and ") + QStringLiteral("TCP port %1").arg(lircd_->tcpPort());
    }

    frame_->show();
    if (!refusals.isEmpty())
        platform_.boxes.show(frame_.get(), QStringLiteral("LIRC's clients can't reach this window:\n") + refusals.join('\n'),
                             MessageIcon::Default);
    if (!unread.isEmpty())
        platform_.boxes.show(frame_.get(),
                    QStringLiteral("These files of codes could not be read and are left out:\n") + unread.join('\n'),
                    MessageIcon::Default);
    // Files handed over by `orvalinder --import` started later.
    connect(&handover_, &ImportHandover::importRequested, this, &COrvalinderApp::importWhenFree);
    handover_.listen();
    if (!command.importFile.isEmpty())
        QTimer::singleShot(0, this, [this, file = command.importFile] { importWhenFree(file); });
    return true;
}

// One import at a time: a file handed over during another waits its turn.
void COrvalinderApp::importWhenFree(const QString& path) {
    pendingImports_ << path;
    if (importing_) return;
    importing_ = true;
    while (!pendingImports_.isEmpty()) {
        frame_->raise();
        frame_->activateWindow();
        frame_->onImportCodes(pendingImports_.takeFirst());
    }
    importing_ = false;
}

}  // namespace orvalinder
