#pragma once
// A connection to an MQTT broker through libmosquitto, kept up by a thread
// of its own rather than by the window's event loop: libmosquitto looks up
// the broker's name and opens the TCP connection with blocking calls (its
// "async" connect too), so on the window's thread a slow name server or an
// unanswering address would freeze the window for up to two minutes. The
// thread connects, keeps the session alive and, when the broker is gone or
// refuses, tries again after 1, 2, 4 ... 60 s. Everything it has to tell
// comes to the window's thread by queued calls and is emitted there;
// publishing from the window's thread only queues the packet for it.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mqtt/broker_url.h"

namespace orvalinder::mqtt {

struct BrokerOptions {
    BrokerAddress address;
    std::string user;  // none when empty
    std::string password;
    std::string caFile;    // for TLS; empty: the system's certificate authorities
    bool mqtt5 = true;     // else MQTT 3.1.1
    std::string clientId;  // the same every time: the broker keeps the session and what came meanwhile
    std::vector<std::string> subscriptions;  // made at QoS 1 at every connect
    // Published by the broker, retained, when the connection dies unsaid.
    std::string willTopic;
    std::string willPayload;
};

class MqttClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstRetryS = 1;
    static constexpr int kLastRetryS = 60;
    // Messages handed on before the event loop runs again.
    static constexpr size_t kMessagesPerTurn = 16;

    explicit MqttClient(BrokerOptions options, QObject* parent = nullptr);
    // Says the last words (when connected) and disconnects; see stop().
    ~MqttClient() override;

    void start();
    // Publishes `lastTopic` `lastPayload` retained (when connected and given)
    // and disconnects cleanly, so the broker keeps its last will to itself.
    // Waits a moment for the thread; one still stuck in a connect is left
    // to end by itself.
    void stop(const std::string& lastTopic = {}, const QByteArray& lastPayload = {});

    bool connected() const { return connected_; }
    // Queues the message for the broker; false when not connected.
    bool publish(const std::string& topic, const QByteArray& payload, int qos = 0, bool retain = false);

signals:
    void connectedToBroker();
    // Why the connection ended or could not be made, and the seconds until
    // the next try (0: none, the options cannot work).
    void disconnectedFromBroker(const QString& reason, int retryS);
    void messageArrived(const QString& topic, const QByteArray& payload);

private:
    void takeMessages();

    struct Session;
    std::shared_ptr<Session> session_;
    std::thread thread_;
    bool connected_ = false;
};

}  // namespace orvalinder::mqtt
