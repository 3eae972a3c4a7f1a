#include "core/picture_geometry.h"

namespace orvalinder {

PictureGeometry PictureGeometry::measured(int pictureWidth, int pictureHeight, int clientHeight) {
    PictureGeometry g;
    g.width = pictureWidth;
    g.height = pictureHeight;
    g.scale = static_cast<float>(clientHeight) / static_cast<float>(pictureHeight);
    g.bottomEdge = clientHeight;
    return g;
}

int PictureGeometry::drawnWidth() const { return static_cast<int>(static_cast<float>(width) * scale); }
int PictureGeometry::drawnHeight() const { return static_cast<int>(static_cast<float>(height) * scale); }

bool PictureGeometry::contains(int x, int y) const {
    const float right = static_cast<float>(xOffset) + static_cast<float>(width) * scale;
    return x > xOffset && static_cast<float>(x) < right && y > 0 && y < bottomEdge;
}

float PictureGeometry::fractionX(int x) const {
    return static_cast<float>(x - xOffset) / (static_cast<float>(width) * scale);
}

float PictureGeometry::fractionY(int y) const { return static_cast<float>(y) / (static_cast<float>(height) * scale); }

std::vector<int> hitTest(RemoteKind kind, const PictureGeometry& geometry, int x, int y) {
    if (!geometry.contains(x, y)) return {};
    return areasAt(kind, geometry.fractionX(x), geometry.fractionY(y));
}

std::vector<int> areasAt(RemoteKind kind, float fx, float fy) {
    std::vector<int> hits;
    const auto areas = clickAreas(kind);
    for (size_t i = 0; i < areas.size(); ++i) {
        const ClickArea& a = areas[i];
        if (a.left < fx && fx < a.right && a.top < fy && fy < a.bottom) hits.push_back(static_cast<int>(i));
    }
    return hits;
}

std::optional<KeyCode> keyCodeFor(RemoteKind kind, int index) {
    const RemoteInfo* info = findRemote(kind);
    if (!info || info->keyLetter == '\0') return std::nullopt;
    if (index < 0 || static_cast<size_t>(index) >= clickAreas(kind).size()) return std::nullopt;
    return KeyCode{info->keyLetter, index + 100};
}

AreaRect areaRect(const ClickArea& area, const PictureGeometry& g) {
    const float s = g.scale;
    const auto w = static_cast<float>(g.width);
    const auto h = static_cast<float>(g.height);
    const auto offset = static_cast<float>(g.xOffset);
    return AreaRect{
        static_cast<int>(s * area.left * w + offset),
        static_cast<int>(s * area.top * h),
        static_cast<int>(s * area.right * w + offset),
        static_cast<int>(s * area.bottom * h),
    };
}

}  // namespace orvalinder
