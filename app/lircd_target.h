#pragma once
// The window as LIRC's clients see it: every remote of the code library,
// and one for each picture ("panasonic", "sky", "sky-tv", "technika") whose
// keys are its buttons by name and always by key code ("A101"). A send goes
// out as a click does, whatever the window shows, with the click's status
// lines; SEND_START holds the key as a button held down does.

#include <QTimer>
#include <optional>
#include <utility>

#include "lircd/target.h"
#include "send/sender.h"

namespace orvalinder {

class WindowTarget : public QObject, public lircd::Target {
public:
    // A held key's frames come about every 110 ms: the time lircd's repeats
    // take, and the longest SEND_START holds (lircd stops after 600 repeats).
    static constexpr int kRepeatMs = 110;
    static constexpr int kLongestHoldMs = lircd::maxRepeats * kRepeatMs;

    explicit WindowTarget(Sender& sender);

    std::vector<std::string> remotes() override;
    std::optional<std::vector<lircd::KeyRow>> keys(const std::string& remote) override;
    std::optional<std::string> sendOnce(const std::string& remote, const std::string& key, int repeats) override;
    std::optional<std::string> sendStart(const std::string& remote, const std::string& key) override;
    std::optional<std::string> sendStop(const std::string& remote, const std::string& key) override;

    // Each remote with the keys that have names: a picture's named buttons,
    // every key of the code library's remotes (a name once).
    std::vector<std::pair<std::string, std::vector<std::string>>> namedKeys();

private:
    std::optional<std::string> press(const std::string& remote, const std::string& key);
    void letGo();

    Sender& sender_;
    std::optional<std::pair<std::string, std::string>> held_;
    QTimer release_{this};  // ends a SEND_ONCE's repeats, or a hold nobody stops
};

}  // namespace orvalinder
