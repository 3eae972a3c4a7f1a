#pragma once
// The application: builds the one window with its document and view, and
// owns the real settings store and dialogs' seams.

#include <QApplication>
#include <QSettings>
#include <memory>

#include "app/import_handover.h"
#include "app/qt_platform.h"
#include "app/port_override_store.h"
#include "app/program_parts.h"
#include "lircd/lircd_server.h"
#include "lircd/socket_path.h"
#include "serial/qt_ports.h"
#include "serial/qt_settings_store.h"

namespace orvalinder {

// What the program is started with.
struct CommandLine {
    QStringList documents;  // the first is opened
    QString importFile;     // a file of codes to import
    QString port;           // the board's port, instead of the stored one
    QString socket;         // LIRC's socket, instead of the default
    QString listen;         // "[ADDRESS:]PORT" for LIRC's clients on TCP
    QString mqtt;           // the MQTT broker, instead of the stored settings'
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

    CMainFrame* mainFrame() const { return parts_ ? &parts_->frame : nullptr; }

private:
    QtMessageBoxes boxes_;
    QtFilePicker files_;
    QtFolderOpener folders_;
    Platform platform_{boxes_, files_, folders_};
    QtSettingsStore storedSettings_;
    std::unique_ptr<PortOverrideStore> store_;
    QtPortLister ports_;
    BoardWaits waits_;
    std::unique_ptr<QSettings> state_;
    std::unique_ptr<ProgramParts> parts_;
    ImportHandover handover_;
    std::unique_ptr<lircd::LircdServer> lircd_;
    QStringList pendingImports_;
    bool importing_ = false;

    // The start's work that waits for the first paint, at most this long.
    static constexpr int kLongestWaitForPaintMs = 1000;
    void finishStart(const CommandLine& command, const QStringList& unread);
    void importWhenFree(const QString& path);
    bool started_ = false;
};

}  // namespace orvalinder
