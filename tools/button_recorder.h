#pragma once
// The button location recorder's rules: which clicks stop it, and the line
// and status texts a click on the picture gives.

#include <optional>
#include <string>

#include "core/picture_geometry.h"

namespace orvalinder {

// A click in the stop square, inside the Stop image.
bool isStopClick(int x, int y);

struct RecordedClick {
    std::string line;      // "%f, %f, %f, %f" and a line feed, always with a full stop
    std::wstring status1;  // "1. Pixel x 61 y 123"
    std::wstring status2;  // "1. Percent x 0.246000 y 0.142857"
};

// Nothing when the click is off the drawn picture.
std::optional<RecordedClick> recordClick(const PictureGeometry& geometry, int x, int y);

// "%f" of a single precision value, independent of the user's locale.
std::string fixedSix(float value);

}  // namespace orvalinder
