#pragma once
// The whole window with quiet seams, for screenshots and benchmarks: boxes
// answer OK, pickers cancel, the settings live in a temporary folder.

#include <QSettings>
#include <QTemporaryDir>

#include "app/main_frame.h"
#include "serial/serial_connection.h"
#include "serial/qt_settings_store.h"

namespace orvalinder {

class QuietPlatform : public MessageBoxes, public FilePicker, public FolderOpener {
public:
    Answer show(QWidget*, const QString&, MessageIcon, Buttons, const QString&) override { return Answer::Ok; }
    QString openFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, ReplaceQuestion) override { return {}; }
    void openFolder(const QString&) override {}
};

struct OffscreenFrame {
    OffscreenFrame();

    QTemporaryDir config;
    QuietPlatform quiet;
    Platform platform{quiet, quiet, quiet};
    QtSettingsStore store;
    BoardWaits waits;
    SerialConnection connection{store, waits};
    ButtonCodes codes{config.path() + QStringLiteral("/data")};
    COrvalinderDoc document;
    QSettings state;
    CMainFrame frame;
};

}  // namespace orvalinder
