#pragma once
// The application: builds the one window with its document and view, and
// owns the real settings store and dialogs' seams.

#include <QApplication>
#include <QSettings>
#include <memory>

#include "app/board_care.h"
#include "app/import_handover.h"
#include "app/install_dialogs.h"
#include "app/main_frame.h"
#include "app/orvalinder_doc.h"
#include "app/platform.h"
#include "serial/qt_ports.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"

namespace orvalinder {

class COrvalinderApp : public QApplication {
    Q_OBJECT
public:
    COrvalinderApp(int& argc, char** argv);
    ~COrvalinderApp() override;

    // Builds and shows the window, opening the first of the documents named
    // on the command line, then imports the file of codes if one is named.
    // False when the program should end at once.
    bool initInstance(const QStringList& documents, const QString& importFile = QString());

    CMainFrame* mainFrame() const { return frame_.get(); }

private:
    QtMessageBoxes boxes_;
    QtFilePicker files_;
    QtFolderOpener folders_;
    Platform platform_{boxes_, files_, folders_};
    QtSettingsStore store_;
    QtPortLister ports_;
    BoardWaits waits_;
    std::unique_ptr<SerialConnection> connection_;
    std::unique_ptr<ButtonCodes> codes_;
    std::unique_ptr<COrvalinderDoc> document_;
    std::unique_ptr<QSettings> state_;
    std::unique_ptr<CMainFrame> frame_;
    BoardCare* boardCare_ = nullptr;  // the frame's
    ImportHandover handover_;
    QStringList pendingImports_;
    bool importing_ = false;

    void importWhenFree(const QString& path);
};

}  // namespace orvalinder
