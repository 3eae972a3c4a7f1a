#pragma once
// What Home Assistant's MQTT discovery is told, device by device: one
// retained config message at <prefix>/device/<object id>/config for the
// board (its infrared emitter and receiver) and one for each remote (a
// button for each key), and an empty one to remove a device that is gone.

#include <QByteArray>
#include <string>
#include <vector>

namespace orvalinder::mqtt {

// The topics of one board under its base topic.
struct BoardTopics {
    std::string base;
    std::string availability() const { return base + "/availability"; }
    std::string emitter() const { return base + "/emitter/command"; }
    std::string receiver() const { return base + "/receiver/state"; }
    std::string send() const { return base + "/send"; }
    std::string hold() const { return base + "/hold"; }
    std::string received() const { return base + "/received"; }
};

// Who the board is: Home Assistant's device identifier, from its USB serial
// number (else the host and its port), and the base topic it has unless the
// user gives one, "orvalinder/<host>-<serial number or port>".
struct BoardIdentity {
    std::string deviceId;
    std::string baseTopic;
};
BoardIdentity boardIdentity(const std::string& host, const std::string& port, const std::string& serialNumber);

struct BoardDevice {
    BoardIdentity identity;
    std::string name;          // as Home Assistant shows the device
    std::string serialNumber;  // "" when the board has none
    std::string firmware;      // "1.1"; "" until the board has said it
    BoardTopics topics;
};

// A remote and the names of its keys, as <base>/send takes them.
struct RemoteKeys {
    std::string remote;
    std::vector<std::string> keys;
};

struct DiscoveryMessage {
    std::string topic;
    QByteArray payload;
};

// The board's device and every remote's with a key, each remote's
// identifier unique even where two names differ only in characters an
// identifier cannot have.
std::vector<DiscoveryMessage> discoveryMessages(const std::string& prefix, const BoardDevice& board,
                                                const std::vector<RemoteKeys>& remotes);

// Whether a config topic is one of this board's devices, for removing
// those left from before.
bool isBoardsConfigTopic(const std::string& prefix, const BoardIdentity& identity, const std::string& topic);

}  // namespace orvalinder::mqtt
