#pragma once
// The view's state that the window paints from and the handlers change.

#include <string>
#include <string_view>

#include "view/ir_monitor_lines.h"
#include "core/picture_geometry.h"
#include "core/remote_catalogue.h"
#include "core/status_lines.h"

namespace orvalinder {

struct ViewState {
    RemoteKind remoteKind = Panasonic;
    // The remote picture shown last: a key saved from the IR Monitor's
    // capture log links to its buttons.
    RemoteKind picture = Panasonic;
    IrMonitorLines monitorLines;
    PictureGeometry geometry;  // stored by the last paint of a remote picture
    bool clickAreasShown = false;
    int highlightedButton = -1;  // the button being learned, framed
    bool recording = false;
    // What is known of the connected board's firmware, shown as the connect
    // button's tooltip; empty when nothing is.
    std::string connectButtonTip;

    // Selecting a remote changes what is shown and nothing else: the
    // connection, the recording and the geometry stay.
    // Choosing the IR Monitor empties its lines. Returns the frame title.
    std::string_view select(RemoteKind kind);

    // The title of what is shown.
    std::string_view title() const;

    // Called by the paint of a remote picture: stores the geometry the hit
    // test and the recorder use. Returns false for the IR Monitor, whose
    // paint keeps the previous geometry.
    bool measurePicture(int clientHeight);
};

}  // namespace orvalinder
