#pragma once
// What the commands on the LIRC socket act on: the program's remotes and its
// link to the board. The window implements it; every call comes on the GUI
// thread, one command at a time, in the order the clients sent them.
//
// The protocol checks the names before it sends: sendOnce, sendStart and
// sendStop are called only with a remote that remotes() lists and a key that
// keys(remote) lists. They report only what happened on the way to the board.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::lircd {

// One row of `LIST remote`: lircd prints the key's code, then its name.
struct KeyRow {
    std::string code;  // 16 lowercase hex digits, as codeText() writes them
    std::string name;
};

class Target {
public:
    virtual ~Target() = default;

    // The names clients may use, in the order LIST shows them.
    virtual std::vector<std::string> remotes() = 0;

    // The keys of a remote in the order LIST shows them, or nullopt for an
    // unknown remote. A name listed twice is sent as its first row.
    virtual std::optional<std::vector<KeyRow>> keys(const std::string& remote) = 0;

    // Each returns nullopt when the key went out (queued to the board), else
    // the message the client gets on its ERROR reply (irsend prints it).

    // A press, then `repeats` repeats (0 to maxRepeats) as a held key sends
    // them; a remote that always repeats its press sends at least as many.
    virtual std::optional<std::string> sendOnce(const std::string& remote, const std::string& key, int repeats) = 0;

    // Holds the key until sendStop. irsend exits as soon as it has the reply,
    // so the client's connection says nothing about how long to hold: lircd
    // lets go by itself after maxRepeats repeats (about a minute).
    virtual std::optional<std::string> sendStart(const std::string& remote, const std::string& key) = 0;

    // Lets go of the key sendStart holds: notRepeating when none is held,
    // codeDoesNotMatch when another key is.
    virtual std::optional<std::string> sendStop(const std::string& remote, const std::string& key) = 0;
};

// lircd's own words for what a Target refuses.
inline constexpr std::string_view notRepeating = "not repeating";
inline constexpr std::string_view codeDoesNotMatch = "specified code does not match";
inline constexpr std::string_view alreadyRepeating = "already repeating";
inline constexpr std::string_view busyRepeating = "busy: repeating";
// The program's, where lircd would have had a driver.
inline constexpr std::string_view notConnected = "not connected to the board";
inline constexpr std::string_view queueFull = "busy: the board's queue is full";

// lircd's --repeat-max default: SEND_ONCE takes at most this many repeats.
inline constexpr int maxRepeats = 600;

// A code as LIST shows it: "00000000000010ef".
std::string codeText(uint64_t code);

// The rows LIST shows for a lircd.conf remote: each key's first code
// without pre_data and post_data; a raw remote's keys numbered from 1.
std::vector<KeyRow> keyRows(const codes::Remote& remote);

}  // namespace orvalinder::lircd
