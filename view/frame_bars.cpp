#include "view/frame_bars.h"

#include <QPainter>
#include <algorithm>

#include "view/monitor_bars.h"
#include "view/view_painter.h"

namespace orvalinder {

FrameBars::FrameBars(QWidget* parent) : QWidget(parent) {
    // Narrow enough for the learning dialog to fit left of the picture.
    setMinimumSize(320, 90);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void FrameBars::draw(std::vector<std::vector<uint32_t>> frames, std::vector<size_t> marked) {
    frames_ = std::move(frames);
    marked_ = std::move(marked);
    update();
}

void FrameBars::paintEvent(QPaintEvent*) {
    if (frames_.empty()) return;
    std::vector<std::vector<Bar>> rows;
    long long right = 1;
    int bottom = 1;
    for (const std::vector<uint32_t>& frame : frames_) {
        rows.push_back(monitorBars(static_cast<int>(rows.size()), frame));
        for (const Bar& bar : rows.back()) {
            right = std::max({right, bar.left, bar.right});
            bottom = std::max(bottom, bar.bottom);
        }
    }
    QPainter painter(this);
    const double pixelsPerUnit = (width() - 4.0) / static_cast<double>(right);
    painter.scale(pixelsPerUnit, (height() - 4.0) / bottom);
    for (const std::vector<Bar>& bars : rows)
        for (const Bar& bar : bars)
            painter.fillRect(QRectF(QPointF(bar.left, bar.top), QPointF(bar.right, bar.bottom)),
                             bar.orange ? colours::Orange : colours::DarkBlue);
    // Drawn over the bars, and at least 3 pixels wide: a short duration
    // squeezed into less than a pixel still shows.
    QPen pen(colours::Differing, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const std::vector<Bar>& bars : rows)
        for (size_t at : marked_)
            if (at < bars.size()) {
                const Bar& bar = bars[at];
                QRectF box(QPointF(bar.left, bar.top), QPointF(bar.right, bar.bottom));
                const double minimum = 3 / pixelsPerUnit;
                if (box.width() < minimum) box.adjust(-(minimum - box.width()) / 2, 0, (minimum - box.width()) / 2, 0);
                painter.drawRect(box);
            }
}

}  // namespace orvalinder
