#pragma once
// The remotes the view can show, with their titles, pictures, key letters
// and click-area tables.

#include <span>
#include <string_view>

namespace orvalinder {

// What the view shows. The values double as the receiver's test for the
// IR Monitor and are fixed; they are not positions in a list.
enum RemoteKind : int {
    Panasonic = 0,
    SkySky = 1,
    SkyTv = 2,
    Technika = 3,
    IrMonitor = 1000,
};

// One button's rectangle as fractions of the picture's width (left, right)
// and height (top, bottom). A button's index is its row in its table.
struct ClickArea {
    float left;
    float right;
    float top;
    float bottom;
};

// Picture identifiers; the pictures themselves are drawn by code.
enum PictureId : int {
    NoPicture = 0,
    ConnectBitmap = 101,
    DisconnectBitmap = 102,
    PanasonicPicture = 312,
    StopImage = 313,
    SkyPicture = 314,
    TechnikaPicture = 318,
};

struct RemoteInfo {
    RemoteKind kind;
    int commandId;              // menu command that selects it
    std::string_view menuText;  // with its & mnemonic
    std::string_view title;     // frame title while it is shown
    PictureId picture;
    int pictureWidth;
    int pictureHeight;
    char keyLetter;  // '\0' for the IR Monitor
};

// All five entries, in the order of the Remote menu.
std::span<const RemoteInfo> remoteCatalogue();

// nullptr when the value names no remote.
const RemoteInfo* findRemote(int kind);

// The click areas of a remote; empty for the IR Monitor.
std::span<const ClickArea> clickAreas(RemoteKind kind);
std::span<const ClickArea> clickAreasOfPicture(PictureId picture);

}  // namespace orvalinder
