#pragma once
// Draws the view from its state: status lines, connect button, the remote
// picture scaled to the client height, the click-area overlay, the Stop
// image while recording, and the IR Monitor's bars. The paint also measures
// the picture geometry the hit test reads.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <span>
#include <vector>

#include "core/button_names.h"
#include "view/view_state.h"

namespace orvalinder {

namespace colours {
inline const QColor TextBackground(187, 240, 238);
inline const QColor Text(0, 47, 53);
inline const QColor Outline(190, 190, 190);
inline const QColor DarkBlue(0, 0, 136);
inline const QColor Orange(250, 149, 70);
inline const QColor Differing(220, 20, 20);  // durations of two frames that differ
}  // namespace colours

class ViewPainter {
public:
    ViewPainter();

    // Paints into a client area of the given size and stores the picture
    // geometry in the state. The connect button shows whether the board is
    // connected; the buttons show their faces.
    void paint(QPainter& painter, ViewState& state, const StatusLines& status, bool connected, QSize client,
               std::span<const ButtonFace> faces = {});

    // The status font: Arial (or a metric-compatible face) with a 15-pixel
    // cell.
    static QFont statusFont();
    // How wide a status line may be drawn, and whether a text shows whole.
    static int statusTextWidth();
    static bool statusLineFits(const std::wstring& text);

private:
    void drawText(QPainter& painter, int x, int y, const QString& text) const;
    const QImage& scaledPicture(PictureId id, int width, int height, std::span<const ButtonFace> faces);

    QFont font_;
    int ascent_ = 0;
    // The last picture drawn: which, its size and its faces.
    struct Scaled {
        PictureId id = NoPicture;
        int width = 0, height = 0;
        std::vector<ButtonFace> faces;
        QImage image;
    } scaled_;
};

// A rectangle as the board's old drawing code drew it: the outline on the
// first and last pixels inside the corners, the right and bottom ones
// excluded, filled inside; corners in any order.
void drawBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& fill);

}  // namespace orvalinder
