#include "codes/remote.h"

#include <algorithm>

namespace orvalinder::codes {

void fail(const std::string& file, int line, const std::string& what, const std::string& word) {
    std::string message = file;
    if (line > 0) message += ":" + std::to_string(line);
    message += ": " + what;
    if (!word.empty()) message += " '" + word + "'";
    throw CodesError(message);
}

namespace {

bool findRemote(const std::vector<Remote>& remotes, const std::string& name) {
    for (const Remote& remote : remotes)
        if (remote.name == name) return true;
    return false;
}

}  // namespace

const Key* findKey(const Remote& remote, const std::string& name) {
    for (const Key& key : remote.keys)
        if (key.name == name) return &key;
    return nullptr;
}

std::pair<const Remote*, const Key*> findKey(const std::vector<Remote>& remotes, const std::string& key,
                                             const std::string& remote) {
    bool remoteFound = false;
    for (const Remote& candidate : remotes) {
        if (!remote.empty() && candidate.name != remote) continue;
        remoteFound = true;
        if (const Key* found = findKey(candidate, key)) return {&candidate, found};
    }
    if (!remoteFound) throw CodesError("no remote named '" + remote + "'");
    throw CodesError("no key named '" + key + "'" + (remote.empty() ? "" : " in remote '" + remote + "'"));
}

}  // namespace orvalinder::codes

namespace orvalinder::codes {

void addKey(std::vector<Remote>& remotes, const Remote& remote, Key key, const std::string& name) {
    Remote timings = remote;
    timings.keys.clear();
    for (Remote& existing : remotes) {
        timings.name = existing.name;
        std::vector<Key> keys = std::move(existing.keys);
        existing.keys.clear();
        const bool same = existing == timings;
        existing.keys = std::move(keys);
        if (same) {
            existing.keys.push_back(std::move(key));
            return;
        }
    }
    timings.name = name;
    for (int n = 2; findRemote(remotes, timings.name); ++n) timings.name = name + "_" + std::to_string(n);
    timings.keys.push_back(std::move(key));
    remotes.push_back(std::move(timings));
}

std::string_view nextLine(std::string_view text, size_t& at) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    return line;
}

std::string remoteNameOf(const std::string& fileName) {
    std::string name = fileName.substr(fileName.find_last_of("/\\") + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name.empty() ? std::string("remote") : name;
}

}  // namespace orvalinder::codes
