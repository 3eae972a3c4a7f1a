#pragma once
// The program's parts, built in one place from the seams that differ between
// the program, its tests, its benchmarks and its screenshots: the outside
// world's boxes and pickers, the settings store, the board's waits and the
// folders. Declared in the order they are built; the window goes first.

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/board_care.h"
#include "app/home_assistant_link.h"
#include "app/lircd_target.h"
#include "app/main_frame.h"
#include "app/orvalinder_doc.h"
#include "core/current_directory.h"
#include "library/button_codes.h"
#include "send/sender.h"
#include "send/status_model.h"
#include "serial/serial_connection.h"

namespace orvalinder {

struct ProgramSeams {
    Platform& platform;
    SettingsStore& settings;  // the serial port's
    BoardWaits& waits;
    QSettings& state;    // the window's layout and recent files
    QString dataFolder;  // the code library
    // Where keycodes.txt is written.
    std::function<std::optional<std::string>()> keycodeFolder = currentDirectory;
    // When given, the program looks after the board: it connects it again
    // after an unplug and puts firmware on it.
    PortLister* ports = nullptr;
    // Options > Home Assistant (MQTT)'s file.
    QString homeAssistantSettings = mqtt::MqttSettingsFile::defaultPath();
};

class ProgramParts {
public:
    explicit ProgramParts(const ProgramSeams& seams);

    COrvalinderView* view() const { return frame.view(); }

    SerialConnection connection;
    ButtonCodes codes;
    StatusModel status;
    Sender sender;
    COrvalinderDoc document;
    CMainFrame frame;
    WindowTarget lircTarget;         // what LIRC's clients reach
    BoardCare* boardCare = nullptr;  // the frame's, when the ports were given
    mqtt::MqttSettingsFile homeAssistantSettings;
    HomeAssistantLink homeAssistant;  // off until given its settings
};

}  // namespace orvalinder
