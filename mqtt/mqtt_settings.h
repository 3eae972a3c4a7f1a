#pragma once
// Options > Home Assistant (MQTT): the broker and the topics, kept in a
// file of their own that only the user can read, for it holds the password:
// home-assistant.conf in the program's configuration folder
// (~/.config/orvalinder/ on Linux).

#include <QString>
#include <string>

namespace orvalinder::mqtt {

struct MqttSettings {
    bool enabled = false;
    std::string url;  // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    std::string user;
    std::string password;
    std::string caFile;     // for mqtts://; empty: the system's certificate authorities
    bool mqtt5 = true;      // else MQTT 3.1.1
    std::string baseTopic;  // empty: the board's own, orvalinder/<host>-<board>
    std::string discoveryPrefix = "homeassistant";
    bool operator==(const MqttSettings&) const = default;
};

class MqttSettingsFile {
public:
    explicit MqttSettingsFile(QString path = defaultPath()) : path_(std::move(path)) {}
    static QString defaultPath();
    const QString& path() const { return path_; }

    // A broker given on the command line (--mqtt): this window's, on, and
    // never stored.
    void overrideUrl(const std::string& url) { override_ = url; }

    MqttSettings load() const;
    // Written only the user can read; false when it could not be written.
    bool save(const MqttSettings& settings);

private:
    QString path_;
    std::string override_;
};

}  // namespace orvalinder::mqtt
