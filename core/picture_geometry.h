#pragma once
// Where the remote picture lies in the view. The paint measures it and the
// hit test and the recorder read it, so what is drawn is what is clicked.

#include <optional>
#include <vector>

#include "core/remote_catalogue.h"
#include "core/view_layout.h"

namespace orvalinder {

struct PictureGeometry {
    float scale = 1.0f;  // client height / picture height, single precision
    int xOffset = layout::PictureXOffset;
    int width = 200;  // the picture's own size in pixels
    int height = 600;
    int bottomEdge = 0;  // bottom of the client area; 0 until the first paint

    // What a paint of a W x H picture into a client area of the given height
    // stores.
    static PictureGeometry measured(int pictureWidth, int pictureHeight, int clientHeight);

    // Drawn size: the single precision products, truncated toward zero.
    int drawnWidth() const;
    int drawnHeight() const;

    // True when the click lies on the drawn picture (all tests strict).
    bool contains(int x, int y) const;

    // The click as fractions of the picture's width and height.
    float fractionX(int x) const;
    float fractionY(int y) const;
};

// Indexes of every area of the kind's table under the click, ascending.
// Nothing is hit for the IR Monitor or before the first paint.
std::vector<int> hitTest(RemoteKind kind, const PictureGeometry& geometry, int x, int y);

// Indexes of every area containing the point given as fractions of the
// picture; a point on an edge is outside.
std::vector<int> areasAt(RemoteKind kind, float fx, float fy);

// The two parts of a KeyCode: the remote's key letter and index + 100.
struct KeyCode {
    char letter;
    int number;
};

std::optional<KeyCode> keyCodeFor(RemoteKind kind, int index);

// An area's rectangle in client pixels as the paint draws it.
struct AreaRect {
    int left, top, right, bottom;
};
AreaRect areaRect(const ClickArea& area, const PictureGeometry& geometry);

}  // namespace orvalinder
