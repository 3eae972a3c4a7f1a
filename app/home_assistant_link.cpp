#include "app/home_assistant_link.h"

#include <QFileInfo>
#include <QSysInfo>
#include <QtDebug>

#include "codes/board_message.h"
#include "codes/protocols.h"
#include "lircd/protocol.h"
#include "mqtt/broker_url.h"
#include "mqtt/infrared_signal.h"
#include "view/learner.h"

namespace orvalinder {
namespace {

const QByteArray kOnline = "online", kOffline = "offline";

QString qt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

HomeAssistantLink::HomeAssistantLink(Sender& sender, WindowTarget& target, SettingsStore& port, PortLister* ports)
    : sender_(sender),
      target_(target),
      port_(port),
      ports_(ports),
      state_(QStringLiteral("Home Assistant (MQTT) is off.")) {
    SerialConnection& connection = sender_.connection();
    connect(&connection, &SerialConnection::stateChanged, this, &HomeAssistantLink::boardStateChanged);
    connect(&connection, &SerialConnection::boardChecked, this, [this](int, const QString& version) {
        board_.firmware = version.toStdString();
        publishDiscovery();
    });
    connect(&connection, &SerialConnection::heardLinesArrived, this, &HomeAssistantLink::publishHeard);
    connect(&sender_.codes(), &ButtonCodes::changed, this, &HomeAssistantLink::publishDiscovery);
    connect(&repeat_, &QTimer::timeout, this, &HomeAssistantLink::sendRepeat);
}

HomeAssistantLink::~HomeAssistantLink() { stop(false); }

void HomeAssistantLink::apply(const mqtt::MqttSettings& settings) {
    if (client_ && settings == settings_) return;
    // Devices removed and made again would lose what the user set in Home
    // Assistant; they go only when they move or the link is switched off.
    const bool moved = settings.url != settings_.url || settings.discoveryPrefix != settings_.discoveryPrefix ||
                       settings.baseTopic != settings_.baseTopic;
    stop(moved || !settings.enabled);
    settings_ = settings;
    start();
}

mqtt::BoardDevice HomeAssistantLink::boardDevice() const {
    const std::optional<std::string> stored = port_.keyExists() ? readSetting(port_, setting::Port) : std::nullopt;
    const std::string path = stored ? devicePath(stored) : std::string();
    std::string serial;
    if (ports_ && !path.empty()) {
        const QString canonical = QFileInfo(qt(path)).canonicalFilePath();
        for (const PortDescription& port : ports_->ports())
            if (port.path == path || (!canonical.isEmpty() && QFileInfo(qt(port.path)).canonicalFilePath() == canonical))
                serial = port.serialNumber;
    }
    const std::string host = QSysInfo::machineHostName().toStdString();
    mqtt::BoardDevice board;
    board.identity = mqtt::boardIdentity(host, path, serial);
    board.name = "IrBridge on " + host + (path.empty() ? "" : " (" + path + ")");
    board.serialNumber = serial;
    board.firmware = board_.firmware;
    board.topics.base = settings_.baseTopic.empty() ? board.identity.baseTopic : settings_.baseTopic;
    return board;
}

void HomeAssistantLink::start() {
    if (!settings_.enabled) {
        tell(QStringLiteral("Home Assistant (MQTT) is off."));
        return;
    }
    const mqtt::ParsedBrokerUrl url = mqtt::parseBrokerUrl(settings_.url);
    if (!url.address) {
        tell(QStringLiteral("Home Assistant: ") + qt(url.error));
        return;
    }
    board_ = boardDevice();
    const mqtt::BoardTopics& topics = board_.topics;
    mqtt::BrokerOptions options{.address = *url.address,
                                .user = settings_.user,
                                .password = settings_.password,
                                .caFile = settings_.caFile,
                                .mqtt5 = settings_.mqtt5,
                                .clientId = board_.identity.deviceId,
                                .subscriptions = {topics.emitter(), topics.send(), topics.hold(),
                                                  settings_.discoveryPrefix + "/device/+/config"},
                                .willTopic = topics.availability(),
                                .willPayload = kOffline.toStdString()};
    client_ = std::make_unique<mqtt::MqttClient>(std::move(options));
    connect(client_.get(), &mqtt::MqttClient::connectedToBroker, this, &HomeAssistantLink::brokerConnected);
    connect(client_.get(), &mqtt::MqttClient::disconnectedFromBroker, this, &HomeAssistantLink::brokerLost);
    connect(client_.get(), &mqtt::MqttClient::messageArrived, this, &HomeAssistantLink::messageArrived);
    client_->start();
    tell(QStringLiteral("Home Assistant: connecting to %1").arg(qt(settings_.url)));
}

void HomeAssistantLink::stop(bool removeDevices) {
    repeat_.stop();
    if (!client_) return;
    if (removeDevices && client_->connected())
        for (const auto& [topic, payload] : published_) client_->publish(topic, {}, 1, true);
    client_->stop(board_.topics.availability(), kOffline);
    client_.reset();
    published_.clear();
    availability_.clear();
    sender_.connection().setListening(false);
}

void HomeAssistantLink::brokerConnected() {
    tell(QStringLiteral("Home Assistant: connected to %1, base topic %2")
             .arg(qt(settings_.url), qt(board_.topics.base)));
    sender_.status().say(StatusLine::Action, L"Home Assistant: connected to the broker");
    availability_.clear();
    published_.clear();
    publishAvailability();
    publishDiscovery();
    sender_.connection().setListening(true);
}

void HomeAssistantLink::brokerLost(const QString& reason, int retryS) {
    sender_.connection().setListening(false);
    const QString text =
        QStringLiteral("Home Assistant: the broker %1 is not reached: %2").arg(qt(settings_.url), reason);
    // Said once, not at every try.
    if (!state_.startsWith(text)) {
        qWarning().noquote() << "orvalinder:" << text;
        sender_.status().say(StatusLine::Action, (QStringLiteral("Home Assistant: ") + reason).toStdWString());
    }
    tell(retryS > 0 ? text + QStringLiteral("; trying again in %1 s").arg(retryS) : text);
}

void HomeAssistantLink::boardStateChanged() {
    // The board may be another one now: it is then another device.
    if (client_ && sender_.connection().connected() && boardDevice().identity.deviceId != board_.identity.deviceId) {
        stop(true);
        start();
        return;
    }
    publishAvailability();
}

void HomeAssistantLink::publishAvailability() {
    if (!connected()) return;
    const QByteArray now = sender_.connection().connected() ? kOnline : kOffline;
    if (availability_ == now.toStdString()) return;
    if (client_->publish(board_.topics.availability(), now, 1, true)) availability_ = now.toStdString();
}

void HomeAssistantLink::publishDiscovery() {
    if (!connected()) return;
    std::vector<mqtt::RemoteKeys> remotes;
    for (auto& [remote, keys] : target_.namedKeys()) remotes.push_back({remote, std::move(keys)});
    std::map<std::string, QByteArray> now;
    for (mqtt::DiscoveryMessage& message : mqtt::discoveryMessages(settings_.discoveryPrefix, board_, remotes))
        now[message.topic] = std::move(message.payload);
    for (const auto& [topic, payload] : published_)
        if (!now.contains(topic)) client_->publish(topic, {}, 1, true);
    for (const auto& [topic, payload] : now) {
        const auto before = published_.find(topic);
        if (before == published_.end() || before->second != payload) client_->publish(topic, payload, 1, true);
    }
    published_ = std::move(now);
}

void HomeAssistantLink::messageArrived(const QString& topic, const QByteArray& payload) {
    const std::string name = topic.toStdString();
    const mqtt::BoardTopics& topics = board_.topics;
    if (name.ends_with("/config")) {
        // A device of this board's left from before, gone since.
        if (!payload.isEmpty() && !published_.contains(name) &&
            mqtt::isBoardsConfigTopic(settings_.discoveryPrefix, board_.identity, name))
            client_->publish(name, {}, 1, true);
        return;
    }
    if (payload.size() > kMaxCommandBytes) {
        refuse(topic, "a message of " + std::to_string(payload.size()) + " bytes, a command has at most " +
                          std::to_string(kMaxCommandBytes));
        return;
    }
    // Scripts often end their lines.
    const std::string text = payload.trimmed().toStdString();
    if (name == topics.emitter()) {
        sendInfrared(payload);
    } else if (name == topics.send()) {
        runScript(topic, "SEND_ONCE " + text);
    } else if (name == topics.hold()) {
        if (text.starts_with("start "))
            runScript(topic, "SEND_START " + text.substr(6));
        else if (text.starts_with("stop "))
            runScript(topic, "SEND_STOP " + text.substr(5));
        else
            refuse(topic, "not start|stop REMOTE KEY");
    }
}

void HomeAssistantLink::runScript(const QString& topic, const std::string& command) {
    if (const std::optional<std::string> refused = lircd::perform(command, target_)) refuse(topic, *refused);
}

void HomeAssistantLink::sendInfrared(const QByteArray& payload) {
    const QString topic = qt(board_.topics.emitter());
    const mqtt::ReadCommand read = mqtt::readInfraredCommand(payload);
    if (!read.command) {
        refuse(topic, read.error);
        return;
    }
    std::string message;
    try {
        message = codes::rawFrameMessage(read.command->modulationHz, read.command->durations);
    } catch (const codes::CodesError& e) {
        refuse(topic, e.what());
        return;
    }
    // A new frame ends the repeats of the last.
    repeat_.stop();
    if (const auto failure = sender_.sendBoardMessage(message, L"Home Assistant: an infrared frame")) {
        refuse(topic, *failure);
        return;
    }
    // The board sends what it is given one after another: one repeat waits
    // in its queue while a frame goes out, and the next is given a period later.
    repeatMessage_ = message;
    repeatsLeft_ = read.command->repeatCount;
    if (repeatsLeft_ == 0) return;
    sendRepeat();
    repeat_.start(std::max(1, static_cast<int>(codes::rawFramePeriodUs(read.command->durations) / 1000)));
}

void HomeAssistantLink::sendRepeat() {
    if (repeatsLeft_ == 0 || sender_.connection().write(repeatMessage_) <= 0) {
        repeat_.stop();
        return;
    }
    --repeatsLeft_;
}

void HomeAssistantLink::publishHeard() {
    for (const ReceivedLine& line : sender_.connection().takeHeardLines()) {
        if (line.kind != ReceivedLine::Monitor || !connected()) continue;
        const std::vector<uint32_t> durations = monitorDurations(line.text);
        if (durations.empty()) continue;
        client_->publish(board_.topics.receiver(), mqtt::infraredSignal(durations));
        const std::optional<codes::Decoded> decoded = codes::decode(durations);
        const std::string text =
            decoded ? codes::boardCode(*decoded) : "raw, " + std::to_string(durations.size()) + " durations";
        client_->publish(board_.topics.received(), QByteArray::fromStdString(text));
    }
}

void HomeAssistantLink::refuse(const QString& topic, const std::string& reason) {
    qWarning().noquote() << "orvalinder: refused on" << topic + ":" << qt(reason);
    sender_.status().say(StatusLine::Sent, (QStringLiteral("Refused: ") + qt(reason)).toStdWString());
}

void HomeAssistantLink::tell(const QString& text) {
    state_ = text;
    emit stateChanged();
}

QString HomeAssistantLink::stateText() const { return state_; }

}  // namespace orvalinder
