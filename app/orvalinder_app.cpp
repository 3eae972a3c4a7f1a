#include "app/orvalinder_app.h"

#include <QIcon>
#include <QPixmap>

#include "resources/pictures.h"

namespace orvalinder {

COrvalinderApp::COrvalinderApp(int& argc, char** argv) : QApplication(argc, argv) {}

COrvalinderApp::~COrvalinderApp() {
    // The window goes before the connection it uses.
    frame_.reset();
    connection_.reset();
}

bool COrvalinderApp::initInstance() {
    setWindowIcon(QIcon(QPixmap::fromImage(picture(PanasonicPicture).scaledToHeight(64, Qt::SmoothTransformation))));
    // The window's own state (recent files, layout) is kept apart from the
    // serial settings.
    state_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                         QStringLiteral("Local AppWizard-Generated Applications"),
                                         QStringLiteral("Orvalinder"));
    connection_ = std::make_unique<SerialConnection>(store_, opener_, sleeper_);
    document_ = std::make_unique<COrvalinderDoc>();
    frame_ = std::make_unique<CMainFrame>(platform_, *connection_, *document_, *state_);
    installDialogs(*frame_, platform_, store_);

    const QStringList arguments = QApplication::arguments().mid(1);
    const QString file = arguments.isEmpty() ? QString() : arguments.first();
    if (file.isEmpty()) frame_->newDocument();
    else if (!frame_->openDocument(file)) return false;

    frame_->show();
    return true;
}

}  // namespace orvalinder
