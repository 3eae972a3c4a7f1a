#pragma once
// The program's pictures. None ships as a file: each is drawn by code, and
// the remotes draw one button on every area of their click-area table, so
// the picture and the hit test read the same numbers.

#include <QImage>

#include <span>

#include "core/button_names.h"
#include "core/remote_catalogue.h"

namespace orvalinder {

// Renders a picture at its own size, opaque (QImage::Format_RGB32).
// Returns a null QImage for NoPicture or an unknown id. A remote's buttons
// show their faces; a button without one shows its index.
QImage renderPicture(PictureId id, std::span<const ButtonFace> faces = {});

// The same picture, rendered on first use and kept; the reference stays
// valid for the life of the program. Call only from the GUI thread.
const QImage& picture(PictureId id);

}  // namespace orvalinder
