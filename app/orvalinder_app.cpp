#include "app/orvalinder_app.h"

#include <QTimer>

#include "resources/icons.h"

namespace orvalinder {

COrvalinderApp::COrvalinderApp(int& argc, char** argv) : QApplication(argc, argv) {
    // The data folder (the code library) is named after the program.
    setApplicationName(QStringLiteral("orvalinder"));
}

COrvalinderApp::~COrvalinderApp() {
    // The window goes before the connection it uses.
    frame_.reset();
    connection_.reset();
}

bool COrvalinderApp::initInstance(const QStringList& documents, const QString& importFile) {
    setWindowIcon(appIcon());
    state_ = CMainFrame::openState();
    connection_ = std::make_unique<SerialConnection>(store_, waits_);
    codes_ = std::make_unique<ButtonCodes>(ButtonCodes::defaultDataFolder());
    const QStringList unread = codes_->load();
    document_ = std::make_unique<COrvalinderDoc>();
    frame_ = std::make_unique<CMainFrame>(platform_, *connection_, *codes_, *document_, *state_);
    boardCare_ = new BoardCare(*frame_, *connection_, ports_, store_, platform_);
    installDialogs(*frame_, platform_, store_);

    if (!frame_->openCommandLine(documents)) return false;

    frame_->show();
    if (!unread.isEmpty())
        platform_.boxes.show(frame_.get(),
                    QStringLiteral("These files of codes could not be read and are left out:\n") + unread.join('\n'),
                    MessageIcon::Default);
    // Files handed over by `orvalinder --import` started later.
    connect(&handover_, &ImportHandover::importRequested, this, &COrvalinderApp::importWhenFree);
    handover_.listen();
    if (!importFile.isEmpty()) QTimer::singleShot(0, this, [this, importFile] { importWhenFree(importFile); });
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
