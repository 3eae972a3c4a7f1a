#include "mqtt/broker_url.h"

#include <QUrl>

namespace orvalinder::mqtt {

ParsedBrokerUrl parseBrokerUrl(const std::string& text) {
    const QUrl url(QString::fromStdString(text).trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != "mqtt" && scheme != "mqtts"))
        return {std::nullopt, "\"" + text + "\" is no broker: write mqtt://HOST[:PORT] or mqtts://HOST[:PORT]"};
    if (url.host().isEmpty()) return {std::nullopt, "\"" + text + "\" names no host"};
    // The user and password have fields of their own, kept out of the URL.
    if (!url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != "/") || url.hasQuery() ||
        url.hasFragment())
        return {std::nullopt, "\"" + text + "\" has more than a host and a port"};
    const bool tls = scheme == "mqtts";
    const int port = url.port(tls ? 8883 : 1883);
    if (port <= 0) return {std::nullopt, "\"" + text + "\" has no port between 1 and 65535"};
    return {BrokerAddress{url.host().toStdString(), port, tls}, {}};
}

}  // namespace orvalinder::mqtt
