#pragma once
// Options > Home Assistant (MQTT): the broker the program reaches Home
// Assistant and scripts through, its user and password, the board's base
// topic and discovery's prefix, and on or off. OK refuses a broker URL it
// cannot read, saying why; the caller stores and applies what it returns.

#include <QDialog>

#include "app/qt_platform.h"
#include "mqtt/mqtt_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace orvalinder {

class CHomeAssistantDlg : public QDialog {
    Q_OBJECT
public:
    // `defaultBaseTopic` is shown while the base topic is left empty,
    // `state` how the connection stands.
    CHomeAssistantDlg(MessageBoxes& boxes, const mqtt::MqttSettings& settings, const QString& defaultBaseTopic,
                      const QString& state, QWidget* parent = nullptr);

    mqtt::MqttSettings settings() const;
    void accept() override;

private:
    MessageBoxes& boxes_;
    QCheckBox* enabled_;
    QLineEdit* url_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* caFile_;
    QComboBox* protocol_;
    QLineEdit* baseTopic_;
    QLineEdit* discoveryPrefix_;
};

}  // namespace orvalinder
