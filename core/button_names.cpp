#include "core/button_names.h"

#include <cctype>
#include <utility>

namespace orvalinder {

namespace {

struct Named {
    int index;
    std::string_view name;
};

constexpr Named kPowerAndColours[] = {
    {0, "KEY_POWER"}, {42, "KEY_RED"}, {43, "KEY_GREEN"}, {44, "KEY_YELLOW"}, {45, "KEY_BLUE"},
};
// Panasonic's large middle key with one key on each side of it.
constexpr Named kPanasonic[] = {
    {0, "KEY_POWER"}, {34, "KEY_UP"},  {36, "KEY_LEFT"},  {37, "KEY_OK"},     {38, "KEY_RIGHT"},
    {40, "KEY_DOWN"}, {42, "KEY_RED"}, {43, "KEY_GREEN"}, {44, "KEY_YELLOW"}, {45, "KEY_BLUE"},
};
// Sky's ring of arrows round Select, and its digit pad at the bottom.
constexpr Named kSky[] = {
    {2, "KEY_POWER"}, {19, "KEY_UP"},  {21, "KEY_LEFT"},  {22, "KEY_OK"},     {23, "KEY_RIGHT"},
    {24, "KEY_DOWN"}, {27, "KEY_RED"}, {28, "KEY_GREEN"}, {29, "KEY_YELLOW"}, {30, "KEY_BLUE"},
    {31, "KEY_1"},    {32, "KEY_2"},   {33, "KEY_3"},     {34, "KEY_4"},      {35, "KEY_5"},
    {36, "KEY_6"},    {37, "KEY_7"},   {38, "KEY_8"},     {39, "KEY_9"},      {40, "KEY_0"},
};

// Other spellings of the same key, by their canonical names: LIRC's files
// and Flipper's ("Vol_dn", "Ch_next", "Up_arrow") and the signs after a
// word ("CH+", "P-").
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"VOLUP", "VOLUMEUP"},    {"VOLDN", "VOLUMEDOWN"},     {"VOLDOWN", "VOLUMEDOWN"}, {"CHUP", "CHANNELUP"},
    {"CHNEXT", "CHANNELUP"},  {"CHDN", "CHANNELDOWN"},     {"CHDOWN", "CHANNELDOWN"}, {"CHPREV", "CHANNELDOWN"},
    {"PROGUP", "CHANNELUP"},  {"PROGDOWN", "CHANNELDOWN"}, {"PUP", "CHANNELUP"},      {"PDOWN", "CHANNELDOWN"},
    {"ONOFF", "POWER"},       {"UPARROW", "UP"},           {"DOWNARROW", "DOWN"},     {"LEFTARROW", "LEFT"},
    {"RIGHTARROW", "RIGHT"},  {"ARROWUP", "UP"},           {"ARROWDOWN", "DOWN"},     {"ARROWLEFT", "LEFT"},
    {"ARROWRIGHT", "RIGHT"},  {"CURSORUP", "UP"},          {"CURSORDOWN", "DOWN"},    {"CURSORLEFT", "LEFT"},
    {"CURSORRIGHT", "RIGHT"},
};

// Keys that do a button's work on remotes without a key of its name.
constexpr std::pair<std::string_view, std::string_view> kStandIns[] = {
    {"ENTER", "OK"},
    {"SELECT", "OK"},
    {"STANDBY", "POWER"},
};

constexpr std::pair<std::string_view, std::string_view> kShortTexts[] = {
    {"VOLUMEUP", "Vol+"},  {"VOLUMEDOWN", "Vol\u2212"},
    {"CHANNELUP", "Ch+"},  {"CHANNELDOWN", "Ch\u2212"},
    {"MUTE", "Mute"},      {"UP", "\u25b2"},
    {"DOWN", "\u25bc"},    {"LEFT", "\u25c0"},
    {"RIGHT", "\u25b6"},   {"OK", "OK"},
    {"MENU", "Menu"},      {"EXIT", "Exit"},
    {"BACK", "Back"},      {"INFO", "Info"},
    {"EPG", "Guide"},      {"PLAY", "Play"},
    {"PAUSE", "Pause"},    {"STOP", "Stop"},
    {"RECORD", "Rec"},     {"REWIND", "Rew"},
    {"FASTFORWARD", "FF"}, {"TEXT", "Text"},
    {"SUBTITLE", "Subt"},
};

constexpr std::pair<std::string_view, KeyColour> kColours[] = {
    {"RED", KeyColour::Red},
    {"GREEN", KeyColour::Green},
    {"YELLOW", KeyColour::Yellow},
    {"BLUE", KeyColour::Blue},
};

std::string_view withoutKeyPrefix(std::string_view name) {
    if (name.size() > 4 && (name.substr(0, 4) == "KEY_" || name.substr(0, 4) == "key_")) name.remove_prefix(4);
    return name;
}

}  // namespace

std::string_view defaultButtonName(PictureId picture, int index) {
    std::span<const Named> names;
    switch (picture) {
    case PanasonicPicture: names = kPanasonic; break;
    case SkyPicture: names = kSky; break;
    case TechnikaPicture: names = kPowerAndColours; break;
    default: return {};
    }
    for (const Named& n : names)
        if (n.index == index) return n.name;
    return {};
}

std::string canonicalKeyName(std::string_view name) {
    name = withoutKeyPrefix(name);
    std::string canonical;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            canonical += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // A name of signs alone ("-", "+", "-/--") is a key of its own, never a
    // direction.
    if (canonical.empty()) return std::string(name);
    // "Vol+" and "Vol-" (or "Vol−") differ only in their last sign.
    if (name.ends_with('+'))
        canonical += "UP";
    else if (name.ends_with('-') || name.ends_with("\u2212"))
        canonical += "DOWN";
    if (canonical.size() == 8 && canonical.starts_with("NUMERIC") &&
        std::isdigit(static_cast<unsigned char>(canonical[7])))
        canonical.erase(0, 7);
    for (const auto& [alias, key] : kAliases)
        if (canonical == alias) return std::string(key);
    return canonical;
}

std::string_view standsInFor(std::string_view canonical) {
    for (const auto& [standIn, key] : kStandIns)
        if (canonical == standIn) return key;
    return {};
}

ButtonFace faceOf(std::string_view name) {
    if (name.empty()) return {};
    const std::string key = canonicalKeyName(name);
    if (key == "POWER" || key == "POWER2") return {ButtonFace::Power, {}, KeyColour::None};
    for (const auto& [colourName, colour] : kColours)
        if (key == colourName) return {ButtonFace::Colour, {}, colour};
    if (key.size() == 1 && std::isdigit(static_cast<unsigned char>(key[0])))
        return {ButtonFace::Text, key, KeyColour::None};
    for (const auto& [keyName, text] : kShortTexts)
        if (key == keyName) return {ButtonFace::Text, std::string(text), KeyColour::None};

    // A key learned for a button without a name is named after its number.
    if (key.size() > 6 && key.starts_with("BUTTON") && key.find_first_not_of("0123456789", 6) == std::string::npos)
        return {ButtonFace::Text, key.substr(6), KeyColour::None};

    // Any other name as words: "KEY_AUDIO_DESC" as "Audio desc".
    const std::string_view words = withoutKeyPrefix(name);
    bool shouting = true;
    for (char c : words) shouting = shouting && !std::islower(static_cast<unsigned char>(c));
    std::string text;
    for (char c : words) {
        const bool first = text.empty();
        if (c == '_')
            c = ' ';
        else if (shouting && !first)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        text += c;
    }
    while (text.ends_with(' ')) text.pop_back();
    return {ButtonFace::Text, text, KeyColour::None};
}

}  // namespace orvalinder
