#pragma once
// The Com settings dialog: the five serial settings, read from the per-user
// store when it opens and written back, normalised, on OK. The settings take
// effect at the next connect; an open port is left alone.

#include <QDialog>
#include <string>
#include <vector>

#include "app/com_settings_rules.h"
#include "app/qt_platform.h"
#include "serial/serial_connection.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace orvalinder {

// A serial device found on this machine: its path, and what it says it is
// ("Arduino Uno"), shown beside the path in the list.
struct FoundDevice {
    std::string path;
    std::string description;
};

// The serial devices found on this machine, listed after Com1 to Com32.
// None on Windows, where those names already cover them.
std::vector<FoundDevice> serialDevicesFound();

class CComSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // With `finder`, Find board asks the ports which is the board and
    // puts its port into Com Port.
    CComSettingsDlg(MessageBoxes& boxes, SettingsStore& store, const std::vector<FoundDevice>& devicesFound,
                    QWidget* parent = nullptr, SerialConnection* finder = nullptr);
    ~CComSettingsDlg() override;

    // OK: stores the five boxes' texts, normalised, and closes; when they
    // cannot be stored it says so and stays open.
    void accept() override;

private:
    void findBoard();
    void searchFinished(const QString& path, const QString& version, const QString& message);
    void select(const Preselection& selection);
    std::string portText() const;

    MessageBoxes& boxes_;
    SettingsStore& store_;
    std::vector<std::string> devicePaths_;
    QComboBox* port_;
    QComboBox* parity_;
    QComboBox* speed_;
    QComboBox* dataBits_;
    QComboBox* stopBits_;
    SerialConnection* finder_;
    QPushButton* find_ = nullptr;
    QProgressBar* searchProgress_ = nullptr;
    QLabel* searchState_ = nullptr;
};

}  // namespace orvalinder
