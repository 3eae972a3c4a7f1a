#pragma once
// The board in Home Assistant and other home automation, through an MQTT
// broker. Under the board's base topic:
//   availability      "online" while both the broker and the board are
//                     connected, else "offline" (also the last will)
//   emitter/command   Home Assistant's infrared signal to send
//   receiver/state    each frame the board hears, in the same JSON
//   send, hold        irsend's SEND_ONCE, SEND_START and SEND_STOP for
//                     scripts: "REMOTE KEY [COUNT]", "start|stop REMOTE KEY"
//   received          each frame heard: its code, or "raw, N durations"
// and Home Assistant's discovery: the board as a device with the emitter
// and the receiver, each remote as a device with a button for each named
// key. A command that cannot be sent is refused, its reason logged and
// shown in status line 3, and nothing goes to the board.

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "app/lircd_target.h"
#include "mqtt/discovery.h"
#include "mqtt/mqtt_client.h"
#include "mqtt/mqtt_settings.h"
#include "send/sender.h"
#include "serial/board_search.h"
#include "serial/port_settings.h"

namespace orvalinder {

class HomeAssistantLink : public QObject {
    Q_OBJECT
public:
    // Commands larger than this are refused unread; a frame of 100 timings
    // is a few hundred bytes.
    static constexpr qsizetype kMaxCommandBytes = 65536;

    // `port` is where the board's port is stored, `ports` (may be null)
    // tells its USB serial number.
    HomeAssistantLink(Sender& sender, WindowTarget& target, SettingsStore& port, PortLister* ports);
    // Says "offline" and leaves the broker; the devices stay.
    ~HomeAssistantLink() override;

    // Connects with these settings, or stays off. A broker it was connected
    // to before is told the devices are gone when they move to another
    // broker, prefix or base topic, or the link is switched off.
    void apply(const mqtt::MqttSettings& settings);
    const mqtt::MqttSettings& settings() const { return settings_; }
    bool connected() const { return client_ && client_->connected(); }
    const mqtt::BoardTopics& topics() const { return board_.topics; }
    // The base topic the board has unless one is given.
    std::string defaultBaseTopic() const { return boardDevice().identity.baseTopic; }

    // How it stands, for Help > About and the settings dialog.
    QString stateText() const;

signals:
    void stateChanged();

private:
    void start();
    void stop(bool removeDevices);
    mqtt::BoardDevice boardDevice() const;
    void brokerConnected();
    void brokerLost(const QString& reason, int retryS);
    void boardStateChanged();
    void publishAvailability();
    void publishDiscovery();
    void messageArrived(const QString& topic, const QByteArray& payload);
    void sendInfrared(const QByteArray& payload);
    void runScript(const QString& topic, const std::string& command);
    void sendRepeat();
    void publishHeard();
    void refuse(const QString& topic, const std::string& reason);
    void tell(const QString& text);

    Sender& sender_;
    WindowTarget& target_;
    SettingsStore& port_;
    PortLister* ports_;
    mqtt::MqttSettings settings_;
    mqtt::BoardDevice board_;
    std::unique_ptr<mqtt::MqttClient> client_;
    QString state_;
    std::string availability_;                     // as last published
    std::map<std::string, QByteArray> published_;  // discovery's config topics and payloads
    QTimer repeat_;                                // an emitter's frame again, at its period
    std::string repeatMessage_;
    int repeatsLeft_ = 0;
};

}  // namespace orvalinder
