#include "app/lircd_target.h"

#include <algorithm>

#include "codes/lircd_conf.h"
#include "core/picture_geometry.h"
#include "serial/key_sender.h"
#include "library/button_links.h"
#include "send/key_hold.h"

namespace orvalinder {

namespace {

// In the order of the Remote menu.
constexpr RemoteKind kPictures[] = {Panasonic, SkySky, SkyTv, Technika};

// The key code as LIST shows it: A101 as the number 0xA101.
uint64_t keyCodeNumber(KeyCode code) {
    const std::string digits = std::to_string(code.number);
    return std::stoull(std::string(1, code.letter) + digits, nullptr, 16);
}

}  // namespace

WindowTarget::WindowTarget(Sender& sender) : sender_(sender) {
    release_.setSingleShot(true);
    connect(&release_, &QTimer::timeout, this, &WindowTarget::letGo);
}

std::vector<std::string> WindowTarget::remotes() {
    std::vector<std::string> names;
    for (RemoteKind kind : kPictures) names.emplace_back(pictureName(kind));
    for (const codes::Remote& remote : sender_.codes().remotes())
        if (!pictureNamed(remote.name)) names.push_back(remote.name);
    return names;
}

std::optional<std::vector<lircd::KeyRow>> WindowTarget::keys(const std::string& remote) {
    if (const std::optional<RemoteKind> kind = pictureNamed(remote)) {
        std::vector<lircd::KeyRow> rows;
        const int count = static_cast<int>(clickAreas(*kind).size());
        for (int index = 0; index < count; ++index) {
            const KeyCode code = *keyCodeFor(*kind, index);
            const std::string code_text = lircd::codeText(keyCodeNumber(code));
            const std::string name = sender_.codes().links().shownName(*kind, index);
            if (!name.empty()) rows.push_back({code_text, codes::lircName(name)});
            rows.push_back({code_text, keyCodeMessage(code)});
        }
        return rows;
    }
    for (const codes::Remote& r : sender_.codes().remotes())
        if (r.name == remote) return lircd::keyRows(r);
    return std::nullopt;
}

std::vector<std::pair<std::string, std::vector<std::string>>> WindowTarget::namedKeys() {
    std::vector<std::pair<std::string, std::vector<std::string>>> named;
    const auto addOnce = [](std::vector<std::string>& keys, const std::string& name) {
        if (std::find(keys.begin(), keys.end(), name) == keys.end()) keys.push_back(name);
    };
    for (RemoteKind kind : kPictures) {
        std::vector<std::string> keys;
        const int count = static_cast<int>(clickAreas(kind).size());
        for (int index = 0; index < count; ++index)
            if (const std::string name = sender_.codes().links().shownName(kind, index); !name.empty())
                addOnce(keys, codes::lircName(name));
        named.emplace_back(pictureName(kind), std::move(keys));
    }
    for (const codes::Remote& remote : sender_.codes().remotes()) {
        if (pictureNamed(remote.name)) continue;
        std::vector<std::string> keys;
        for (const lircd::KeyRow& row : lircd::keyRows(remote)) addOnce(keys, row.name);
        named.emplace_back(remote.name, std::move(keys));
    }
    return named;
}

std::optional<std::string> WindowTarget::press(const std::string& remote, const std::string& key) {
    if (!sender_.connection().connected()) return std::string(lircd::notConnected);
    if (const std::optional<RemoteKind> kind = pictureNamed(remote)) {
        const int count = static_cast<int>(clickAreas(*kind).size());
        for (int index = 0; index < count; ++index)
            if (keyCodeMessage(*keyCodeFor(*kind, index)) == key ||
                codes::lircName(sender_.codes().links().shownName(*kind, index)) == key)
                return sender_.pressButton(*kind, index);
    }
    return sender_.pressKey({remote, key});
}

std::optional<std::string> WindowTarget::sendOnce(const std::string& remote, const std::string& key, int repeats) {
    if (held_) return std::string(lircd::busyRepeating);
    std::optional<std::string> failure = press(remote, key);
    if (failure) return failure;
    // Its repeats are the key held for as long as they take.
    if (repeats == 0) {
        sender_.release();
    } else {
        release_.start(KeyHold::kHoldAfterMs + repeats * kRepeatMs);
    }
    return std::nullopt;
}

std::optional<std::string> WindowTarget::sendStart(const std::string& remote, const std::string& key) {
    if (held_) return std::string(lircd::alreadyRepeating);
    std::optional<std::string> failure = press(remote, key);
    if (failure) return failure;
    held_ = {remote, key};
    release_.start(kLongestHoldMs);
    return std::nullopt;
}

std::optional<std::string> WindowTarget::sendStop(const std::string& remote, const std::string& key) {
    if (!held_) return std::string(lircd::notRepeating);
    if (*held_ != std::pair(remote, key)) return std::string(lircd::codeDoesNotMatch);
    letGo();
    return std::nullopt;
}

void WindowTarget::letGo() {
    release_.stop();
    held_.reset();
    sender_.release();
}

}  // namespace orvalinder
