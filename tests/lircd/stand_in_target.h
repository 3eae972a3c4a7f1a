#pragma once
// The window as the LIRC socket sees it: a remote read from a lircd.conf
// ("tv") and a picture ("sky", its buttons by name and by key code), a board
// that may be unplugged or have a full queue, and a key held by SEND_START.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "codes/lircd_conf.h"
#include "lircd/target.h"

namespace orvalinder::testing {

class StandInTarget : public lircd::Target {
public:
    struct Sent {
        std::string how;  // "once", "start" or "stop"
        std::string remote;
        std::string key;
        int repeats = 0;
        bool operator==(const Sent&) const = default;
    };

    bool connected = true;
    size_t queueRoom = 1000000;  // sends the board still takes
    std::vector<Sent> sent;      // what went to the board, in order

    std::vector<std::string> remotes() override { return {"tv", "sky"}; }

    std::optional<std::vector<lircd::KeyRow>> keys(const std::string& remote) override {
        if (remote == "tv") return lircd::keyRows(tv_);
        if (remote == "sky")
            return std::vector<lircd::KeyRow>{{lircd::codeText(0xA101), "power"},
                                              {lircd::codeText(0xA101), "A101"},
                                              {lircd::codeText(0xA102), "A102"}};
        return std::nullopt;
    }

    std::optional<std::string> sendOnce(const std::string& remote, const std::string& key, int repeats) override {
        if (held_) return std::string(lircd::busyRepeating);
        return toBoard({"once", remote, key, repeats});
    }

    std::optional<std::string> sendStart(const std::string& remote, const std::string& key) override {
        if (held_) return std::string(lircd::alreadyRepeating);
        std::optional<std::string> refused = toBoard({"start", remote, key, 0});
        if (!refused) held_ = {remote, key};
        return refused;
    }

    std::optional<std::string> sendStop(const std::string& remote, const std::string& key) override {
        if (!held_) return std::string(lircd::notRepeating);
        if (*held_ != std::pair(remote, key)) return std::string(lircd::codeDoesNotMatch);
        held_.reset();
        sent.push_back({"stop", remote, key, 0});  // letting go always fits: the board lets go by itself too
        return std::nullopt;
    }

private:
    std::optional<std::string> toBoard(Sent what) {
        if (!connected) return std::string(lircd::notConnected);
        if (queueRoom == 0) return std::string(lircd::queueFull);
        --queueRoom;
        sent.push_back(std::move(what));
        return std::nullopt;
    }

    const codes::Remote tv_ = codes::readLircdConf(R"(
begin remote
  name tv
  bits 16
  flags SPACE_ENC|CONST_LENGTH
  header 9000 4500
  one 560 1690
  zero 560 560
  ptrail 560
  pre_data_bits 16
  pre_data 0x20DF
  gap 108000
  begin codes
    KEY_POWER 0x10EF
    KEY_VOLUMEUP 0x40BF 0x1234
  end codes
end remote
)",
                                                   "tv.conf")
                                  .front();
    std::optional<std::pair<std::string, std::string>> held_;
};

}  // namespace orvalinder::testing
