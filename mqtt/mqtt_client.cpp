#include "mqtt/mqtt_client.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace orvalinder::mqtt {
namespace {

constexpr int kKeepAliveS = 30;
// An MQTT 5 session, and the QoS 1 commands published for it meanwhile, is
// kept this long after the connection ends.
constexpr uint32_t kSessionExpiryS = 3600;
// How long the thread waits for the broker before it looks whether it
// should stop.
constexpr int kLoopWaitMs = 250;

}  // namespace

struct MqttClient::Session {
    explicit Session(BrokerOptions o, MqttClient* client) : options(std::move(o)), owner(client) {}
    ~Session() {
        if (mosq) mosquitto_destroy(mosq);
    }

    // Runs `tell` on the client's thread, unless the client is gone.
    template <typename Tell>
    void report(Tell tell) {
        std::lock_guard lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(
                owner, [client = owner, tell] { tell(*client); }, Qt::QueuedConnection);
    }
    bool isStopping() {
        std::lock_guard lock(mutex);
        return stopping;
    }
    // True when stopped meanwhile.
    bool sleepUnlessStopped(int seconds) {
        std::unique_lock lock(mutex);
        return wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping; });
    }

    std::string setUp();
    int connect();
    std::string reason(int rc, int error) const;
    void run();

    const BrokerOptions options;
    mosquitto* mosq = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    MqttClient* owner;  // null once the client stops
    bool stopping = false;
    bool finished = false;
    // The thread's own, for the connection under way.
    bool accepted = false;
    std::string refusal;                               // the broker's reason for refusing it
    std::deque<std::pair<QString, QByteArray>> inbox;  // come, not yet taken
    std::string lastError;                             // libmosquitto's last error, with OpenSSL's words for TLS
    std::atomic<int> unsent{0};                        // published, not yet written (QoS 0) or acknowledged (QoS 1)
};

std::string MqttClient::Session::setUp() {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
    // Not a clean session: the broker keeps the subscriptions and the QoS 1
    // messages for them while the program is away.
    mosq = mosquitto_new(options.clientId.c_str(), false, this);
    if (!mosq) return "libmosquitto could not start";
    mosquitto_threaded_set(mosq, true);
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, options.mqtt5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
    if (!options.user.empty())
        mosquitto_username_pw_set(mosq, options.user.c_str(),
                                  options.password.empty() ? nullptr : options.password.c_str());
    if (!options.willTopic.empty())
        mosquitto_will_set(mosq, options.willTopic.c_str(), static_cast<int>(options.willPayload.size()),
                           options.willPayload.data(), 1, true);
    if (options.address.tls) {
        if (options.caFile.empty()) {
            mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else if (mosquitto_tls_set(mosq, options.caFile.c_str(), nullptr, nullptr, nullptr, nullptr) !=
                   MOSQ_ERR_SUCCESS) {
            return "the certificate authority's file " + options.caFile + " cannot be read";
        }
    }
    mosquitto_connect_v5_callback_set(mosq, [](mosquitto* m, void* self, int rc, int, const mosquitto_property*) {
        auto& s = *static_cast<Session*>(self);
        if (rc != 0) {
            s.refusal = s.options.mqtt5 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc);
            return;
        }
        s.accepted = true;
        for (const std::string& topic : s.options.subscriptions) mosquitto_subscribe(m, nullptr, topic.c_str(), 1);
        s.report([](MqttClient& client) {
            client.connected_ = true;
            emit client.connectedToBroker();
        });
    });
    mosquitto_message_callback_set(mosq, [](mosquitto*, void* self, const mosquitto_message* message) {
        auto& s = *static_cast<Session*>(self);
        std::lock_guard lock(s.mutex);
        s.inbox.emplace_back(QString::fromUtf8(message->topic),
                             QByteArray(static_cast<const char*>(message->payload), message->payloadlen));
        // One call takes them all, a few at a time.
        if (s.inbox.size() == 1 && s.owner)
            QMetaObject::invokeMethod(s.owner, &MqttClient::takeMessages, Qt::QueuedConnection);
    });
    mosquitto_publish_callback_set(mosq, [](mosquitto*, void* self, int) { --static_cast<Session*>(self)->unsent; });
    mosquitto_log_callback_set(mosq, [](mosquitto*, void* self, int level, const char* text) {
        if (level & MOSQ_LOG_ERR) static_cast<Session*>(self)->lastError = text;
    });
    return {};
}

int MqttClient::Session::connect() {
    accepted = false;
    refusal.clear();
    lastError.clear();
    mosquitto_property* properties = nullptr;
    if (options.mqtt5) mosquitto_property_add_int32(&properties, MQTT_PROP_SESSION_EXPIRY_INTERVAL, kSessionExpiryS);
    const int rc = mosquitto_connect_bind_v5(mosq, options.address.host.c_str(), options.address.port, kKeepAliveS,
                                             nullptr, properties);
    mosquitto_property_free_all(&properties);
    return rc;
}

std::string MqttClient::Session::reason(int rc, int error) const {
    if (!refusal.empty()) return "the broker refused: " + refusal;
    if (rc == MOSQ_ERR_TLS && !lastError.empty()) return lastError;
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(error);
    return mosquitto_strerror(rc);
}

void MqttClient::Session::run() {
    if (const std::string failed = setUp(); !failed.empty()) {
        report([failed](MqttClient& client) { emit client.disconnectedFromBroker(QString::fromStdString(failed), 0); });
    } else {
        int retryS = kFirstRetryS;
        while (!isStopping()) {
            int rc = connect();
            while (rc == MOSQ_ERR_SUCCESS && !isStopping()) rc = mosquitto_loop(mosq, kLoopWaitMs, 1);
            const int error = errno;
            if (isStopping()) {
                // The last words the client queued go out, and are taken,
                // before the goodbye: a disconnect at once lost all but the
                // first of them.
                if (rc == MOSQ_ERR_SUCCESS) {
                    for (int i = 0; i < 20 && unsent > 0 && mosquitto_loop(mosq, 100, 1) == MOSQ_ERR_SUCCESS; ++i) {}
                    mosquitto_disconnect(mosq);
                    for (int i = 0; i < 20 && mosquitto_loop(mosq, 100, 1) == MOSQ_ERR_SUCCESS; ++i) {}
                }
                break;
            }
            // A session that was up starts the back-off again.
            if (accepted) retryS = kFirstRetryS;
            const QString why = QString::fromStdString(reason(rc, error));
            report([why, retryS](MqttClient& client) {
                client.connected_ = false;
                emit client.disconnectedFromBroker(why, retryS);
            });
            if (sleepUnlessStopped(retryS)) break;
            retryS = std::min(retryS * 2, kLastRetryS);
        }
    }
    std::lock_guard lock(mutex);
    finished = true;
    wake.notify_all();
}

MqttClient::MqttClient(BrokerOptions options, QObject* parent)
    : QObject(parent), session_(std::make_shared<Session>(std::move(options), this)) {}

MqttClient::~MqttClient() { stop(); }

void MqttClient::takeMessages() {
    std::vector<std::pair<QString, QByteArray>> taken;
    bool more = false;
    {
        std::lock_guard lock(session_->mutex);
        std::deque<std::pair<QString, QByteArray>>& inbox = session_->inbox;
        while (!inbox.empty() && taken.size() < kMessagesPerTurn) {
            taken.push_back(std::move(inbox.front()));
            inbox.pop_front();
        }
        more = !inbox.empty();
    }
    // The rest after the event loop has run: a burst must not hold up the
    // window's timers and painting.
    if (more) QTimer::singleShot(0, this, &MqttClient::takeMessages);
    for (const auto& [topic, payload] : taken) emit messageArrived(topic, payload);
}

void MqttClient::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([session = session_] { session->run(); });
}

void MqttClient::stop(const std::string& lastTopic, const QByteArray& lastPayload) {
    if (!thread_.joinable()) return;
    // Queued before the thread sees the stop, so it goes out before the
    // disconnect; queuing also wakes the thread from its wait for the broker.
    if (connected_ && !lastTopic.empty()) publish(lastTopic, lastPayload, 1, true);
    connected_ = false;
    Session& s = *session_;
    std::unique_lock lock(s.mutex);
    s.stopping = true;
    s.owner = nullptr;
    s.wake.notify_all();
    if (s.wake.wait_for(lock, std::chrono::milliseconds(2 * kLoopWaitMs), [&s] { return s.finished; })) {
        lock.unlock();
        thread_.join();
    } else {
        // Still in a blocking connect: it ends by itself, and holds the session.
        lock.unlock();
        thread_.detach();
    }
}

bool MqttClient::publish(const std::string& topic, const QByteArray& payload, int qos, bool retain) {
    if (!connected_) return false;
    ++session_->unsent;
    if (mosquitto_publish(session_->mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.constData(),
                          qos, retain) == MOSQ_ERR_SUCCESS)
        return true;
    --session_->unsent;
    return false;
}

}  // namespace orvalinder::mqtt
