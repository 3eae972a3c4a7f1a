// How buttons are named and drawn, and the links the user keeps.

#include <gtest/gtest.h>

#include "core/button_names.h"
#include "library/button_links.h"

namespace orvalinder {
namespace {

TEST(ButtonNames, EachSpellingOfAKeyGetsItsFace) {
    using F = ButtonFace;
    const struct Row {
        const char* name;
        ButtonFace face;
    } rows[] = {
        {"KEY_POWER", {F::Power, "", KeyColour::None}},
        {"Power", {F::Power, "", KeyColour::None}},  // Flipper's name
        {"KEY_VOLUMEUP", {F::Text, "Vol+", KeyColour::None}},
        {"Vol_up", {F::Text, "Vol+", KeyColour::None}},
        {"vol+", {F::Text, "Vol+", KeyColour::None}},
        {"VOL-", {F::Text, "Vol\u2212", KeyColour::None}},
        {"Vol_dn", {F::Text, "Vol\u2212", KeyColour::None}},
        {"Ch_next", {F::Text, "Ch+", KeyColour::None}},
        {"KEY_NUMERIC_5", {F::Text, "5", KeyColour::None}},
        {"KEY_0", {F::Text, "0", KeyColour::None}},
        {"KEY_UP", {F::Text, "\u25b2", KeyColour::None}},
        {"KEY_YELLOW", {F::Colour, "", KeyColour::Yellow}},
        {"KEY_AUDIO_DESC", {F::Text, "Audio desc", KeyColour::None}},
        {"key_audio_desc", {F::Text, "audio desc", KeyColour::None}},  // as written, less its prefix
        {"Sleep_Timer", {F::Text, "Sleep Timer", KeyColour::None}},
        {"KEY_", {F::Text, "Key", KeyColour::None}},
        {"BUTTON_12", {F::Text, "12", KeyColour::None}},  // learned for a button without a name
        {"BUTTON_7", {F::Text, "7", KeyColour::None}},
        {"BUTTON_X", {F::Text, "Button x", KeyColour::None}},
        {"BUTTON", {F::Text, "Button", KeyColour::None}},  // no number to show
        {"", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(faceOf(row.name), row.face) << row.name;

    EXPECT_TRUE(sameKey("KEY_CHANNELDOWN", "Ch_prev"));
    EXPECT_FALSE(sameKey("KEY_VOLUMEUP", "KEY_VOLUMEDOWN"));
    EXPECT_FALSE(sameKey("", ""));    // a button without a name matches no key
    EXPECT_FALSE(sameKey("-", "+"));  // signs alone are keys of their own
}

TEST(ButtonLinks, WhatAButtonShowsAndTheKeyboardFinds) {
    ButtonLinks links;
    EXPECT_EQ(links.shownName(Panasonic, 0), "KEY_POWER");  // the picture's own name
    EXPECT_EQ(links.shownName(Panasonic, 1), "");
    EXPECT_EQ(links.shownName(SkyTv, 35), "KEY_5");  // the Sky pictures share theirs
    EXPECT_EQ(links.shownName(IrMonitor, 0), "");

    links.setLink(Panasonic, 0, {"tv", "KEY_SLEEP"});
    EXPECT_EQ(links.shownName(Panasonic, 0), "KEY_POWER");  // a link keeps the picture's name
    links.setLink(Panasonic, 1, {"tv", "KEY_SLEEP"});
    EXPECT_EQ(links.shownName(Panasonic, 1), "KEY_SLEEP");  // and gives its key's to a button without one
    links.setName(Panasonic, 0, "Off");
    EXPECT_EQ(links.shownName(Panasonic, 0), "Off");       // the user's
    EXPECT_EQ(links.shownName(Technika, 0), "KEY_POWER");  // each picture apart

    EXPECT_EQ(links.buttonNamed(SkySky, "KEY_NUMERIC_5"), 35);
    EXPECT_EQ(links.buttonNamed(Panasonic, "KEY_POWER"), -1);  // renamed
    links.setLink(Panasonic, 7, {"tv", "Vol_up"});
    EXPECT_EQ(links.buttonNamed(Panasonic, "KEY_VOLUMEUP"), 7);

    links.setLink(Technika, 1, {"fan", "KEY_1"});
    links.unlinkRemote("tv");
    EXPECT_EQ(links.link(Panasonic, 7), std::nullopt);
    EXPECT_EQ(links.link(Technika, 1), (LinkedKey{"fan", "KEY_1"}));  // another remote's stays
    EXPECT_EQ(links.shownName(Panasonic, 0), "Off");                  // the name outlives the link
}

TEST(ButtonLinks, TheFileKeepsEverythingItCannotRead) {
    ButtonLinks links;
    links.setLink(SkyTv, 12, {"my tv", "KEY_MENU"});
    links.setName(Technika, 3, "Tab\there");  // a tab would split the field
    links.setLink(Panasonic, 0, {"tv", "KEY_POWER"});
    links.setName(Panasonic, 0, "On");
    const std::string text = links.text();
    EXPECT_EQ(ButtonLinks::fromText(text), links);
    EXPECT_EQ(ButtonLinks::fromText(text).name(Technika, 3), "Tab here");

    const std::string unreadable[] = {
        "cinema\t1\ttv\tKEY_1\t",      // no such picture
        "panasonic\t54\ttv\tKEY_1\t",  // past its last button
        "panasonic\t-1\ttv\tKEY_1\t", "panasonic\t1x\ttv\tKEY_1\t",
        "panasonic\t1\ttv\t\t",     // a remote without a key
        "panasonic\t1\t\t\t",       // nothing at all
        "panasonic\t1\ttv\tKEY_1",  // a field short
    };
    std::string damaged = text;
    for (const std::string& line : unreadable) damaged += line + "\r\n";
    const ButtonLinks read = ButtonLinks::fromText(damaged);
    EXPECT_EQ(read.link(Panasonic, 0), (LinkedKey{"tv", "KEY_POWER"}));
    EXPECT_EQ(read.link(Panasonic, 1), std::nullopt);
    std::string expected = text;
    for (const std::string& line : unreadable) expected += line + "\n";
    EXPECT_EQ(read.text(), expected);
}

}  // namespace
}  // namespace orvalinder
