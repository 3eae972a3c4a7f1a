#pragma once
// The application: builds the one window with its document and view, and
// owns the real settings store and dialogs' seams.

#include <QApplication>
#include <QSettings>
#include <memory>

#include "app/board_care.h"
#include "app/import_handover.h"
#include "app/lircd_target.h"
#include "app/port_override_store.h"
#include "lircd/lircd_server.h"
#include "lircd/socket_path.h"
#include "app/install_dialogs.h"
#include "app/main_frame.h"
#include "app/orvalinder_doc.h"
#include "app/platform.h"
#include "serial/qt_ports.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"

namespace orvalinder {

// What the program is started with.
struct CommandLine {
    QStringList documents;  // the first is opened
    QString importFile;     // a file of codes to import
    QString port;           // the board's port, instead of the stored one
    QString socket;         // LIRC's socket, instead of the default
    QString listen;         // "[ADDRESS:]PORT" for LIRC's clients on TCP
};

class COrvalinderApp : public QApplication {
    Q_OBJECT
public:
    COrvalinderApp(int& argc, char** argv);
    ~COrvalinderApp() override;

    // Builds and shows the window, opening the first of the documents named
    // on the command line, serves LIRC's clients, then imports the file of
    // codes if one is named. False when the program should end at once.
    bool initInstance(const CommandLine& command);

    CMainFrame* mainFrame() const { return frame_.get(); }

private:
    QtMessageBoxes boxes_;
    QtFilePicker files_;
    QtFolderOpener folders_;
    Platform platform_{boxes_, files_, folders_};
    QtSettingsStore storedSettings_;
    std::unique_ptr<PortOverrideStore> store_;
    QtPortLister ports_;
    BoardWaits waits_;
    std::unique_ptr<SerialConnection> connection_;
    std::unique_ptr<ButtonCodes> codes_;
    std::unique_ptr<COrvalinderDoc> document_;
    std::unique_ptr<QSettings> state_;
    std::unique_ptr<CMainFrame> frame_;
    BoardCare* boardCare_ = nullptr;  // the frame's
    ImportHandover handover_;
    std::unique_ptr<WindowTarget> lircdTarget_;
    std::unique_ptr<lircd::LircdServer> lircd_;
    QStringList pendingImports_;
    bool importing_ = false;

    void importWhenFree(const QString& path);
};

}  // namespace orvalinder
