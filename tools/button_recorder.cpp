#include "tools/button_recorder.h"

#include <charconv>

#include "core/view_layout.h"

namespace orvalinder {

bool isStopClick(int x, int y) { return layout::StopSquare.contains(x, y); }

std::string fixedSix(float value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

std::optional<RecordedClick> recordClick(const PictureGeometry& g, int x, int y) {
    if (!g.contains(x, y)) return std::nullopt;
    const float pixelX = static_cast<float>(x - g.xOffset) / g.scale;
    const float pixelY = static_cast<float>(y) / g.scale;
    const float fractionX = pixelX / static_cast<float>(g.width);
    const float fractionY = pixelY / static_cast<float>(g.height);

    RecordedClick click;
    click.line =
        fixedSix(fractionX) + ", " + fixedSix(fractionY) + ", " + fixedSix(pixelX) + ", " + fixedSix(pixelY) + "\n";
    click.status1 =
        L"1. Pixel x " + std::to_wstring(static_cast<int>(pixelX)) + L" y " + std::to_wstring(static_cast<int>(pixelY));
    const std::string percent = "1. Percent x " + fixedSix(fractionX) + " y " + fixedSix(fractionY);
    click.status2.assign(percent.begin(), percent.end());
    return click;
}

}  // namespace orvalinder
