#pragma once
// Where the broker is, as the user writes it: mqtt://host[:port] or, over
// TLS, mqtts://host[:port]; 1883 and 8883 by default.

#include <optional>
#include <string>

namespace orvalinder::mqtt {

struct BrokerAddress {
    std::string host;
    int port = 1883;
    bool tls = false;
};

struct ParsedBrokerUrl {
    std::optional<BrokerAddress> address;
    std::string error;  // for the user, when there is no address
};

ParsedBrokerUrl parseBrokerUrl(const std::string& url);

}  // namespace orvalinder::mqtt
