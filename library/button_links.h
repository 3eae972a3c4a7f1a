#pragma once
// Which picture buttons send a key of the code library instead of their key
// code, and the names the user gave buttons. Kept per user as a small text
// file, one button a line, its fields between tabs:
//   picture  button  remote  key  name
// ("panasonic	0	my-tv	KEY_POWER	"). Lines it cannot read are kept as
// they are and written back, so nothing the user had is lost.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/remote_catalogue.h"

namespace orvalinder {

struct LinkedKey {
    std::string remote;
    std::string key;
    bool operator==(const LinkedKey&) const = default;
};

// "panasonic", "sky", "sky-tv", "technika"; empty for the IR Monitor.
std::string_view pictureName(RemoteKind kind);
std::optional<RemoteKind> pictureNamed(std::string_view name);

class ButtonLinks {
public:
    std::optional<LinkedKey> link(RemoteKind kind, int index) const;
    void setLink(RemoteKind kind, int index, LinkedKey key);
    void unlink(RemoteKind kind, int index);
    // Unlinks every button linked to a key of that remote.
    void unlinkRemote(const std::string& remote);

    // The user's own name for the button, or empty.
    std::string name(RemoteKind kind, int index) const;
    void setName(RemoteKind kind, int index, std::string name);

    // What the button is called: the user's name, else the picture's own
    // name for it, else its key's; empty when it has none. A link changes
    // what a button sends, not what it is: the picture's ▲ linked to a key
    // named "Up_arrow" stays KEY_UP, drawn and pressed by the keyboard as
    // before.
    std::string shownName(RemoteKind kind, int index) const;

    // The first button of the picture that goes by that key name, or -1.
    int buttonNamed(RemoteKind kind, std::string_view name) const;

    std::string text() const;
    static ButtonLinks fromText(std::string_view text);

    bool operator==(const ButtonLinks&) const = default;

private:
    struct Button {
        LinkedKey key;  // remote empty: not linked
        std::string name;
        bool operator==(const Button&) const = default;
    };
    void tidy(RemoteKind kind, int index);

    std::map<std::pair<int, int>, Button> buttons_;
    std::vector<std::string> unreadable_;
};

}  // namespace orvalinder
