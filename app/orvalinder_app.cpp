#include "app/orvalinder_app.h"

#include "resources/icons.h"

namespace orvalinder {

COrvalinderApp::COrvalinderApp(int& argc, char** argv) : QApplication(argc, argv) {}

COrvalinderApp::~COrvalinderApp() {
    // The window goes before the connection it uses.
    frame_.reset();
    connection_.reset();
}

bool COrvalinderApp::initInstance(const QStringList& documents) {
    setWindowIcon(appIcon());
    state_ = CMainFrame::openState();
    connection_ = std::make_unique<SerialConnection>(store_, waits_);
    document_ = std::make_unique<COrvalinderDoc>();
    frame_ = std::make_unique<CMainFrame>(platform_, *connection_, *document_, *state_);
    installDialogs(*frame_, platform_, store_);

    if (!frame_->openCommandLine(documents)) return false;

    frame_->show();
    return true;
}

}  // namespace orvalinder
