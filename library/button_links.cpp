#include "library/button_links.h"

#include <charconv>

#include "core/button_names.h"

namespace orvalinder {

namespace {

constexpr std::pair<RemoteKind, std::string_view> kPictureNames[] = {
    {Panasonic, "panasonic"}, {SkySky, "sky"}, {SkyTv, "sky-tv"}, {Technika, "technika"}};

constexpr std::string_view kHeader = "# Orvalinder's buttons: picture, button, remote, key, name (between tabs)\n";

// A field may not hold the characters that part fields and lines.
std::string field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos) return fields;
        at = tab + 1;
    }
}

}  // namespace

std::string_view pictureName(RemoteKind kind) {
    for (const auto& [k, name] : kPictureNames)
        if (k == kind) return name;
    return {};
}

std::optional<RemoteKind> pictureNamed(std::string_view name) {
    for (const auto& [kind, n] : kPictureNames)
        if (n == name) return kind;
    return std::nullopt;
}

std::optional<LinkedKey> ButtonLinks::link(RemoteKind kind, int index) const {
    const auto it = buttons_.find({kind, index});
    if (it == buttons_.end() || it->second.key.remote.empty()) return std::nullopt;
    return it->second.key;
}

void ButtonLinks::setLink(RemoteKind kind, int index, LinkedKey key) {
    buttons_[{kind, index}].key = {field(std::move(key.remote)), field(std::move(key.key))};
    tidy(kind, index);
}

void ButtonLinks::unlink(RemoteKind kind, int index) {
    const auto it = buttons_.find({kind, index});
    if (it == buttons_.end()) return;
    it->second.key = {};
    tidy(kind, index);
}

void ButtonLinks::unlinkRemote(const std::string& remote) {
    for (auto it = buttons_.begin(); it != buttons_.end();) {
        if (it->second.key.remote == remote) it->second.key = {};
        it = it->second.key.remote.empty() && it->second.name.empty() ? buttons_.erase(it) : std::next(it);
    }
}

std::string ButtonLinks::name(RemoteKind kind, int index) const {
    const auto it = buttons_.find({kind, index});
    return it == buttons_.end() ? std::string() : it->second.name;
}

void ButtonLinks::setName(RemoteKind kind, int index, std::string name) {
    buttons_[{kind, index}].name = field(std::move(name));
    tidy(kind, index);
}

void ButtonLinks::tidy(RemoteKind kind, int index) {
    const auto it = buttons_.find({kind, index});
    if (it != buttons_.end() && it->second.key.remote.empty() && it->second.name.empty()) buttons_.erase(it);
}

std::string ButtonLinks::shownName(RemoteKind kind, int index) const {
    const auto it = buttons_.find({kind, index});
    if (it != buttons_.end() && !it->second.name.empty()) return it->second.name;
    const RemoteInfo* remote = findRemote(kind);
    const std::string_view own = remote ? defaultButtonName(remote->picture, index) : std::string_view();
    if (!own.empty() || it == buttons_.end()) return std::string(own);
    return it->second.key.key;
}

int ButtonLinks::buttonNamed(RemoteKind kind, std::string_view name) const {
    const int count = static_cast<int>(clickAreas(kind).size());
    for (int index = 0; index < count; ++index)
        if (sameKey(shownName(kind, index), name)) return index;
    return -1;
}

std::string ButtonLinks::text() const {
    std::string text(kHeader);
    for (const auto& [at, button] : buttons_) {
        text += std::string(pictureName(static_cast<RemoteKind>(at.first))) + '\t' + std::to_string(at.second) + '\t' +
                button.key.remote + '\t' + button.key.key + '\t' + button.name + '\n';
    }
    for (const std::string& line : unreadable_) text += line + '\n';
    return text;
}

ButtonLinks ButtonLinks::fromText(std::string_view text) {
    ButtonLinks links;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        std::string_view line = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.starts_with('#')) continue;

        const std::vector<std::string_view> f = splitTabs(line);
        const std::optional<RemoteKind> kind = f.size() == 5 ? pictureNamed(f[0]) : std::nullopt;
        int index = -1;
        const bool number =
            f.size() == 5 && !f[1].empty() &&
            std::from_chars(f[1].data(), f[1].data() + f[1].size(), index).ptr == f[1].data() + f[1].size();
        const bool onPicture = kind && number && index >= 0 && index < static_cast<int>(clickAreas(*kind).size());
        const bool whole = onPicture && f[2].empty() == f[3].empty() && !(f[2].empty() && f[4].empty());
        if (!whole) {
            links.unreadable_.emplace_back(line);
            continue;
        }
        Button& button = links.buttons_[{*kind, index}];
        button.key = {std::string(f[2]), std::string(f[3])};
        button.name = std::string(f[4]);
    }
    return links;
}

}  // namespace orvalinder
