#pragma once
// The Com settings dialog: the five serial settings, read from the per-user
// store when it opens and written back, normalised, on OK. The settings take
// effect at the next connect; an open port is left alone.

#include <QDialog>
#include <string>
#include <vector>

#include "app/com_settings_rules.h"

class QComboBox;

namespace orvalinder {

// The serial devices found on this machine, listed after Com1 to Com32.
// None on Windows, where those names already cover them.
std::vector<std::string> serialDevicesFound();

class CComSettingsDlg : public QDialog {
    Q_OBJECT
public:
    CComSettingsDlg(SettingsStore& store, const std::vector<std::string>& devicesFound,
                    QWidget* parent = nullptr);

    // OK: stores the five boxes' texts, normalised, and closes.
    void accept() override;

private:
    void select(const Preselection& selection);

    SettingsStore& store_;
    QComboBox* port_;
    QComboBox* parity_;
    QComboBox* speed_;
    QComboBox* dataBits_;
    QComboBox* stopBits_;
};

}  // namespace orvalinder
