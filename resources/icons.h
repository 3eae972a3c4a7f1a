#pragma once
// The toolbar's icons and the program's own icon. Like the pictures they are
// drawn by code, so they look the same on every desktop, icon theme or not.

#include <QIcon>
#include <QImage>

namespace orvalinder {

enum class ToolIcon { New, Open, Save, Cut, Copy, Paste, Print, About, Customize };

// The classic toolbar button picture size.
constexpr QSize kToolIconSize(16, 15);

// The icon at `scale` times kToolIconSize, with that device pixel ratio, on
// a transparent ground (QImage::Format_ARGB32_Premultiplied).
QImage renderToolIcon(ToolIcon icon, int scale);

// One icon for normal and for HiDPI screens: scale 1 and 2. Qt derives the
// disabled look from them. Drawn when first shown. Needs a QGuiApplication.
QIcon toolIcon(ToolIcon icon);

// The sizes a desktop's hicolor icon theme has for programs.
constexpr int kAppIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The program's icon, a remote control sending infrared, size x size pixels
// on a transparent ground. Small sizes leave out the small keys.
QImage renderAppIcon(int size);

// The window's icon: the sizes a title bar and a task switcher use, up to
// 64 (32 on a HiDPI screen). Drawn when first shown. Needs a QGuiApplication.
QIcon appIcon();

}  // namespace orvalinder
