#pragma once
// What a picture button is called, and how its name is drawn on it. Names
// are LIRC's key names (KEY_POWER, KEY_VOLUMEUP...), or whatever a file of
// codes calls its keys ("Power", "Vol_up" in Flipper's files).

#include <string>
#include <string_view>

#include "core/remote_catalogue.h"

namespace orvalinder {

// The name a picture gives a button by its look (the red power button, the
// colour keys, a digit pad, the arrows round OK); empty for the rest.
std::string_view defaultButtonName(PictureId picture, int index);

enum class KeyColour { None, Red, Green, Yellow, Blue };

// How a name is drawn on its button: a power sign, the colour of a colour
// key, or a short text ("Vol+", "5", "Menu").
struct ButtonFace {
    enum Mark { Index, Text, Power, Colour };
    Mark mark = Index;
    std::string text;  // UTF-8
    KeyColour colour = KeyColour::None;
    bool operator==(const ButtonFace&) const = default;
};

// The face for a name; Index for an empty one.
ButtonFace faceOf(std::string_view name);

// The name without its spelling: "KEY_VOLUMEUP", "Vol_up", "vol+" and
// "VOLUME UP" are all "VOLUMEUP"; "KEY_NUMERIC_5" and "5" are "5";
// "Up_arrow" is "UP". Signs alone stay as they are: "-" is "-".
std::string canonicalKeyName(std::string_view name);

// The key whose work a key of this canonical name does on remotes that
// lack it ("ENTER" and "SELECT" stand in for "OK"); empty for most.
std::string_view standsInFor(std::string_view canonical);

inline bool sameKey(std::string_view a, std::string_view b) {
    return !a.empty() && canonicalKeyName(a) == canonicalKeyName(b);
}

}  // namespace orvalinder
