#include "mqtt/discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>

namespace orvalinder::mqtt {
namespace {

// Discovery's object ids and our identifiers take [a-zA-Z0-9_-] only; '_'
// is kept for joining the board's identifier to a remote's.
std::string idText(std::string_view text, bool underscore) {
    std::string id;
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        id += plain || (underscore && c == '_') ? c : '-';
    }
    return id;
}

// Unique among those already taken: "tv", then "tv-2", "tv-3"...
std::string uniqueId(const std::string& id, std::set<std::string>& taken) {
    std::string unique = id;
    for (int n = 2; !taken.insert(unique).second; ++n) unique = id + "-" + std::to_string(n);
    return unique;
}

QString text(const std::string& s) { return QString::fromStdString(s); }

std::string configTopic(const std::string& prefix, const std::string& objectId) {
    return prefix + "/device/" + objectId + "/config";
}

QJsonObject origin() { return {{"name", "Orvalinder"}, {"sw_version", ORVALINDER_VERSION}}; }

DiscoveryMessage boardMessage(const std::string& prefix, const BoardDevice& board) {
    const std::string& id = board.identity.deviceId;
    QJsonObject device{{"identifiers", QJsonArray{text(id)}}, {"name", text(board.name)}, {"model", "IrBridge"}};
    if (!board.firmware.empty()) device["sw_version"] = text(board.firmware);
    if (!board.serialNumber.empty()) device["serial_number"] = text(board.serialNumber);
    const QJsonObject emitter{{"p", "infrared"},
                              {"schema", "emitter"},
                              {"name", "Emitter"},
                              {"command_topic", text(board.topics.emitter())},
                              {"unique_id", text(id + "_emitter")}};
    const QJsonObject receiver{{"p", "infrared"},
                               {"schema", "receiver"},
                               {"name", "Receiver"},
                               {"state_topic", text(board.topics.receiver())},
                               {"unique_id", text(id + "_receiver")}};
    const QJsonObject config{{"dev", device},
                             {"o", origin()},
                             {"availability_topic", text(board.topics.availability())},
                             {"cmps", QJsonObject{{"emitter", emitter}, {"receiver", receiver}}}};
    return {configTopic(prefix, id), QJsonDocument(config).toJson(QJsonDocument::Compact)};
}

DiscoveryMessage remoteMessage(const std::string& prefix, const BoardDevice& board, const RemoteKeys& remote,
                               const std::string& id) {
    QJsonObject buttons;
    std::set<std::string> taken;
    for (const std::string& key : remote.keys) {
        const std::string keyId = uniqueId(idText(key, true), taken);
        buttons[text(keyId)] = QJsonObject{{"p", "button"},
                                           {"name", text(key)},
                                           {"payload_press", text(remote.remote + " " + key)},
                                           {"unique_id", text(id + "_" + keyId)}};
    }
    const QJsonObject device{{"identifiers", QJsonArray{text(id)}},
                             {"name", text(remote.remote)},
                             {"via_device", text(board.identity.deviceId)}};
    const QJsonObject config{{"dev", device},
                             {"o", origin()},
                             {"availability_topic", text(board.topics.availability())},
                             {"command_topic", text(board.topics.send())},
                             {"cmps", buttons}};
    return {configTopic(prefix, id), QJsonDocument(config).toJson(QJsonDocument::Compact)};
}

}  // namespace

BoardIdentity boardIdentity(const std::string& host, const std::string& port, const std::string& serialNumber) {
    std::string_view portName = port;
    if (portName.starts_with("/dev/")) portName.remove_prefix(5);
    const std::string hostPort = host + (portName.empty() ? "" : "-" + std::string(portName));
    const std::string board = serialNumber.empty() ? hostPort : host + "-" + serialNumber;
    return {"orvalinder-" + idText(serialNumber.empty() ? hostPort : serialNumber, false),
            "orvalinder/" + idText(board, false)};
}

std::vector<DiscoveryMessage> discoveryMessages(const std::string& prefix, const BoardDevice& board,
                                                const std::vector<RemoteKeys>& remotes) {
    std::vector<DiscoveryMessage> messages{boardMessage(prefix, board)};
    std::set<std::string> taken;
    for (const RemoteKeys& remote : remotes) {
        if (remote.keys.empty()) continue;
        const std::string id = uniqueId(board.identity.deviceId + "_" + idText(remote.remote, true), taken);
        messages.push_back(remoteMessage(prefix, board, remote, id));
    }
    return messages;
}

bool isBoardsConfigTopic(const std::string& prefix, const BoardIdentity& identity, const std::string& topic) {
    const std::string start = prefix + "/device/" + identity.deviceId;
    const std::string end = "/config";
    if (!topic.starts_with(start) || !topic.ends_with(end) || topic.size() < start.size() + end.size()) return false;
    const std::string_view rest =
        std::string_view(topic).substr(start.size(), topic.size() - start.size() - end.size());
    // The board's own, or one of its remotes'; another board's identifier
    // may begin with this one's, but never continues it with '_'.
    return rest.empty() || (rest.starts_with('_') && rest.find('/') == std::string_view::npos);
}

}  // namespace orvalinder::mqtt
