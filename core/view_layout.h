#pragma once
// Where the view's fixed parts lie, in client pixels. The paint, the click
// tests, the recorder and the pictures' sizes all read these, so what is
// drawn is what is clicked.

namespace orvalinder::layout {

struct Point {
    int x;
    int y;
};

// A rectangle of client pixels that takes its right and bottom edges too.
struct ClickSquare {
    int left;
    int top;
    int right;
    int bottom;
    constexpr bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// The connect button's square bitmap. A click one pixel past its right or
// bottom edge still counts: the square is 51 pixels each way.
constexpr Point ConnectButtonTopLeft{50, 420};
constexpr int ConnectButtonSize = 50;
constexpr ClickSquare ConnectSquare{ConnectButtonTopLeft.x, ConnectButtonTopLeft.y,
                                    ConnectButtonTopLeft.x + ConnectButtonSize,
                                    ConnectButtonTopLeft.y + ConnectButtonSize};
constexpr bool inConnectSquare(int x, int y) { return ConnectSquare.contains(x, y); }

// The Stop image shown while recording. The square that stops the recorder
// lies inside it, a little smaller than the image.
constexpr Point StopImageTopLeft{20, 20};
constexpr int StopImageSize = 128;
constexpr ClickSquare StopSquare{21, 21, 147, 145};
static_assert(StopSquare.left > StopImageTopLeft.x && StopSquare.right < StopImageTopLeft.x + StopImageSize &&
              StopSquare.top > StopImageTopLeft.y && StopSquare.bottom < StopImageTopLeft.y + StopImageSize);

// The top left of status line n's text (lines 1 to 4, one under the other).
constexpr Point statusLineTopLeft(int n) { return {50, 500 + 20 * (n - 1)}; }

// The remote picture's left edge; it is drawn from the top of the view.
constexpr int PictureXOffset = 400;

// The IR Monitor's capture log, from this corner to 10 pixels short of the
// view's right and bottom edges: below the four rows of bars (the last ends
// at y 340) and right of the status lines and the connect button.
constexpr Point CaptureLogTopLeft{PictureXOffset + 10, 350};

}  // namespace orvalinder::layout
