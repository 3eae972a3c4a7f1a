#pragma once
// The whole window with quiet seams, for screenshots and benchmarks: boxes
// answer OK, pickers cancel, the settings live in a temporary folder.

#include <QSettings>
#include <QTemporaryDir>

#include "app/program_parts.h"
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
    // The board's real waits unless told.
    explicit OffscreenFrame(BoardWaits* waits = nullptr);

    QTemporaryDir config;
    QuietPlatform quiet;
    Platform platform{quiet, quiet, quiet};
    QtSettingsStore store;
    BoardWaits realWaits;
    QSettings state;
    ProgramParts parts;
    CMainFrame& frame = parts.frame;
    SerialConnection& connection = parts.connection;
    ButtonCodes& codes = parts.codes;
};

}  // namespace orvalinder
