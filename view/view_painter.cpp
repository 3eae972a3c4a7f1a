#include "view/view_painter.h"

#include <QFontMetrics>
#include <algorithm>
#include <ranges>
#include <utility>

#include "core/view_layout.h"
#include "resources/pictures.h"
#include "view/monitor_bars.h"

namespace orvalinder {

namespace {
QPoint qPoint(layout::Point p) { return {p.x, p.y}; }
}  // namespace

QFont ViewPainter::statusFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    // Arial's em is about 0.87 of its cell: 13 pixels give a 15-pixel cell.
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    return font;
}

ViewPainter::ViewPainter() : font_(statusFont()), ascent_(QFontMetrics(font_).ascent()) {}

int ViewPainter::statusTextWidth() {
    // A few pixels short of the picture, so the last letter stays clear of it.
    return layout::PictureXOffset - layout::statusLineTopLeft(1).x - 4;
}

bool ViewPainter::statusLineFits(const std::wstring& text) {
    return QFontMetrics(statusFont()).horizontalAdvance(QString::fromStdWString(text)) <= statusTextWidth();
}

void ViewPainter::drawText(QPainter& painter, int x, int y, const QString& text) const {
    painter.drawText(QPoint(x, y + ascent_), text);
}

void drawBox(QPainter& painter, int left, int top, int right, int bottom, const QColor& fill) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    const QRect box(QPoint(left, top), QPoint(right - 1, bottom - 1));
    painter.fillRect(box, fill);
    painter.setPen(QPen(colours::Outline, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
}

const QImage& ViewPainter::scaledPicture(PictureId id, int width, int height, std::span<const ButtonFace> faces) {
    Scaled& s = scaled_;
    if (s.id != id || s.width != width || s.height != height || !std::ranges::equal(s.faces, faces) ||
        s.image.isNull()) {
        QImage image = renderPicture(id, faces).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        s = {id, width, height, {faces.begin(), faces.end()}, std::move(image)};
    }
    return s.image;
}

void ViewPainter::paint(QPainter& painter, ViewState& state, const StatusLines& status, bool connected, QSize client,
                        std::span<const ButtonFace> faces) {
    painter.setFont(font_);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(colours::TextBackground);
    const QPen textPen(colours::Text);
    painter.setPen(textPen);
    // A line too long to show left of the picture is shortened in the
    // middle, not cut off by it; its tooltip shows it whole.
    const QFontMetrics metrics(font_);
    for (int n = 1; n <= 4; ++n) {
        const layout::Point at = layout::statusLineTopLeft(n);
        drawText(painter, at.x, at.y,
                 metrics.elidedText(QString::fromStdWString(status.line(n)), Qt::ElideMiddle, statusTextWidth()));
    }

    painter.drawImage(qPoint(layout::ConnectButtonTopLeft), picture(connected ? DisconnectBitmap : ConnectBitmap));

    if (state.measurePicture(client.height())) {
        const PictureGeometry& g = state.geometry;
        const PictureId id = findRemote(state.remoteKind)->picture;
        if (g.drawnWidth() > 0 && g.drawnHeight() > 0)
            painter.drawImage(QPoint(g.xOffset, 0), scaledPicture(id, g.drawnWidth(), g.drawnHeight(), faces));
    }

    if (state.clickAreasShown) {
        const auto areas = clickAreas(state.remoteKind);
        for (size_t i = 0; i < areas.size(); ++i) {
            const AreaRect r = areaRect(areas[i], state.geometry);
            drawBox(painter, r.left, r.top, r.right, r.bottom, colours::DarkBlue);
            painter.setPen(textPen);
            drawText(painter, r.left + 5, r.top + 5, QString::number(i));
        }
    }

    if (state.highlightedButton >= 0 &&
        static_cast<size_t>(state.highlightedButton) < clickAreas(state.remoteKind).size()) {
        const AreaRect r =
            areaRect(clickAreas(state.remoteKind)[static_cast<size_t>(state.highlightedButton)], state.geometry);
        painter.setPen(QPen(colours::Orange, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(r.left - 2, r.top - 2), QPoint(r.right + 1, r.bottom + 1)));
    }

    if (state.recording) painter.drawImage(qPoint(layout::StopImageTopLeft), picture(StopImage));

    if (state.remoteKind == IrMonitor) {
        // Edges beyond the view are drawn just outside it, so what shows is the same.
        const auto clip = [&client](long long x) {
            return static_cast<int>(std::clamp<long long>(x, -2, client.width() + 2));
        };
        for (int row = 0; row < 4; ++row) {
            for (const Bar& bar : monitorBars(row, state.monitorLines.line(row + 1)))
                drawBox(painter, clip(bar.left), bar.top, clip(bar.right), bar.bottom,
                        bar.orange ? colours::Orange : colours::DarkBlue);
        }
    }
}

}  // namespace orvalinder
