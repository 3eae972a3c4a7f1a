#include "resources/icons.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <functional>
#include <span>

namespace orvalinder {
namespace {

// The toolbar icons are drawn on the 16 x 15 grid: an outline runs through
// pixel centres (x.5) and a fill covers whole pixels, so both stay sharp at
// scale 1 and at scale 2.

constexpr QRgb kOutline = 0xff3a3f47;
constexpr QRgb kPaper = 0xffffffff;
constexpr QRgb kFold = 0xffd3d8df;
constexpr QRgb kWriting = 0xff8794a8;
constexpr QRgb kFolderBack = 0xffd39b1c;
constexpr QRgb kFolderFront = 0xfff5cd55;
constexpr QRgb kFolderEdge = 0xff8a6210;
constexpr QRgb kDisk = 0xff2f63b5;
constexpr QRgb kDiskEdge = 0xff17376e;
constexpr QRgb kMetal = 0xffbcc2cb;
constexpr QRgb kBoard = 0xffbd853f;
constexpr QRgb kBoardEdge = 0xff6e4516;
constexpr QRgb kHandle = 0xffc8241c;
constexpr QRgb kPrinter = 0xffcfd4db;
constexpr QRgb kLed = 0xff23a03a;
constexpr QRgb kInfo = 0xff2a62c9;
constexpr QRgb kInfoEdge = 0xff173f8c;

QPen outlinePen(QRgb colour, qreal width = 1.0) {
    return QPen(QColor::fromRgb(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void drawShape(QPainter& p, const QPolygonF& shape, QRgb fill, QRgb outline) {
    p.setPen(outlinePen(outline));
    p.setBrush(QColor::fromRgb(fill));
    p.drawPolygon(shape);
}

void fillPixels(QPainter& p, qreal x, qreal y, qreal w, qreal h, QRgb colour) {
    p.fillRect(QRectF(x, y, w, h), QColor::fromRgb(colour));
}

// A sheet whose outline runs through the pixel centres of `r`, its top right
// corner folded over, with lines of writing unless it is blank.
void drawPage(QPainter& p, const QRectF& r, qreal fold, bool written) {
    drawShape(p,
              {r.topLeft(), QPointF(r.right() - fold, r.top()), QPointF(r.right(), r.top() + fold), r.bottomRight(),
               r.bottomLeft()},
              kPaper, kOutline);
    drawShape(p,
              {QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
               QPointF(r.right(), r.top() + fold)},
              kFold, kOutline);
    if (!written) return;
    for (qreal row = r.top() + 2.5; row < r.bottom() - 1; row += 2) {
        const qreal right = row < r.top() + fold + 0.5 ? r.right() - fold - 1.5 : r.right() - 1.5;
        fillPixels(p, r.left() + 1.5, row, right - r.left() - 2.0, 1, kWriting);
    }
}

void drawNew(QPainter& p) { drawPage(p, QRectF(QPointF(2.5, 0.5), QPointF(13.5, 14.5)), 4, false); }

// The back with its tab, a sheet inside, and the front opened down.
void drawOpen(QPainter& p) {
    drawShape(p,
              {QPointF(0.5, 2.5), QPointF(5.5, 2.5), QPointF(6.5, 3.5), QPointF(12.5, 3.5), QPointF(12.5, 13.5),
               QPointF(0.5, 13.5)},
              kFolderBack, kFolderEdge);
    drawShape(p, {QPointF(2.5, 5.5), QPointF(10.5, 5.5), QPointF(10.5, 8.5), QPointF(2.5, 8.5)}, kPaper, kOutline);
    drawShape(p, {QPointF(0.5, 13.5), QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(12.5, 13.5)}, kFolderFront,
              kFolderEdge);
}

// A floppy disk: the label on top, the metal shutter below.
void drawSave(QPainter& p) {
    drawShape(p, {QPointF(0.5, 0.5), QPointF(13.5, 0.5), QPointF(15.5, 2.5), QPointF(15.5, 14.5), QPointF(0.5, 14.5)},
              kDisk, kDiskEdge);
    fillPixels(p, 3, 1, 10, 6, kPaper);
    fillPixels(p, 4, 3, 8, 1, kWriting);
    fillPixels(p, 4, 5, 8, 1, kWriting);
    fillPixels(p, 4, 9, 8, 5, kMetal);
    fillPixels(p, 9, 10, 2, 3, kDiskEdge);
}

// Open scissors, blades up, red handles below.
void drawCut(QPainter& p) {
    p.setPen(QPen(QColor::fromRgb(kOutline), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 8.5), QPointF(11, 0.5));
    p.drawLine(QPointF(10.5, 8.5), QPointF(5, 0.5));
    p.setPen(QPen(QColor::fromRgb(kHandle), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 11.5), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 11.5), 2.5, 2.5);
    fillPixels(p, 7.5, 4, 1, 1, kMetal);  // the pivot
}

void drawCopy(QPainter& p) {
    drawPage(p, QRectF(QPointF(0.5, 0.5), QPointF(9.5, 10.5)), 3, true);
    drawPage(p, QRectF(QPointF(6.5, 4.5), QPointF(15.5, 14.5)), 3, true);
}

// A clipboard with a sheet laid over it.
void drawPaste(QPainter& p) {
    drawShape(p, {QPointF(0.5, 1.5), QPointF(11.5, 1.5), QPointF(11.5, 14.5), QPointF(0.5, 14.5)}, kBoard, kBoardEdge);
    drawShape(p, {QPointF(3.5, 0.5), QPointF(8.5, 0.5), QPointF(8.5, 3.5), QPointF(3.5, 3.5)}, kMetal, kOutline);
    drawPage(p, QRectF(QPointF(6.5, 5.5), QPointF(15.5, 14.5)), 3, true);
}

// A printer: paper going in at the back, a printed sheet coming out.
void drawPrint(QPainter& p) {
    drawShape(p, {QPointF(3.5, 0.5), QPointF(12.5, 0.5), QPointF(12.5, 6.5), QPointF(3.5, 6.5)}, kPaper, kOutline);
    drawShape(p, {QPointF(0.5, 5.5), QPointF(15.5, 5.5), QPointF(15.5, 11.5), QPointF(0.5, 11.5)}, kPrinter, kOutline);
    fillPixels(p, 12, 7, 2, 1, kLed);
    drawShape(p, {QPointF(3.5, 9.5), QPointF(12.5, 9.5), QPointF(12.5, 14.5), QPointF(3.5, 14.5)}, kPaper, kOutline);
    fillPixels(p, 5, 11, 6, 1, kWriting);
    fillPixels(p, 5, 13, 6, 1, kWriting);
}

// A white "i" on a blue disc.
void drawAbout(QPainter& p) {
    p.setPen(outlinePen(kInfoEdge));
    p.setBrush(QColor::fromRgb(kInfo));
    p.drawEllipse(QPointF(8, 7.5), 7, 7);
    fillPixels(p, 7, 3, 2, 2, kPaper);
    fillPixels(p, 6, 6, 3, 1, kPaper);
    fillPixels(p, 7, 7, 2, 4, kPaper);
    fillPixels(p, 6, 11, 4, 1, kPaper);
}

// A bar over an arrow pointing down: more buttons to be had.
void drawCustomize(QPainter& p) {
    fillPixels(p, 5, 4, 6, 1, kOutline);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(kOutline));
    p.drawPolygon(QPolygonF{QPointF(5, 6), QPointF(11, 6), QPointF(8, 9)});
}

// The program's icon is drawn on a 256 x 256 grid and scaled: the remote
// lies on the diagonal, its front to the upper right, and the waves leave
// it there.
constexpr qreal kGrid = 256;
constexpr qreal kTilt = 45;         // degrees clockwise from upright
constexpr QRgb kWave = 0xff008084;  // the teal of the connect button
constexpr QRgb kBodyLight = 0xff555a63;
constexpr QRgb kBodyDark = 0xff202328;
constexpr QRgb kRim = 0xffaab0b9;
constexpr QRgb kKey = 0xffd5d9df;
constexpr QRgb kPower = 0xffd8281e;
constexpr QRgb kColourKeys[] = {0xffc8241c, 0xff23893a, 0xffe8c21e, 0xff2453c4};

// Small sizes get a shorter and wider remote, fewer and thicker waves wider
// apart, and no small keys.
bool isSmall(int size) { return size < 32; }
QPointF remoteCentre(int size) { return isSmall(size) ? QPointF(90, 166) : QPointF(98, 156); }
qreal halfLength(int size) { return isSmall(size) ? 80 : 95; }

void drawWaves(QPainter& p, const QPointF& front, qreal pixel, bool small) {
    static constexpr qreal kFewRadii[] = {40, 84};
    static constexpr qreal kRadii[] = {34, 54, 74};
    p.setPen(QPen(QColor::fromRgb(kWave), std::max(small ? 24.0 : 15.0, 2 * pixel), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const qreal middle = 90 - kTilt;  // the remote's direction, counter-clockwise from east
    for (const qreal r : small ? std::span<const qreal>(kFewRadii) : std::span<const qreal>(kRadii))
        p.drawArc(QRectF(front - QPointF(r, r), QSizeF(2 * r, 2 * r)), int((middle - 35) * 16), 70 * 16);
}

void roundedKey(QPainter& p, const QRectF& r, QRgb fill) {
    p.setBrush(QColor::fromRgb(fill));
    p.drawRoundedRect(r, r.height() / 3, r.height() / 3);
}

// The remote upright round its centre, its front at the top.
void drawRemote(QPainter& p, qreal pixel, int size) {
    const qreal halfWidth = isSmall(size) ? 46 : 40;
    const QRectF body(-halfWidth, -halfLength(size), 2 * halfWidth, 2 * halfLength(size));
    QLinearGradient fill(body.topLeft(), body.topRight());
    fill.setColorAt(0, QColor::fromRgb(kBodyLight));
    fill.setColorAt(1, QColor::fromRgb(kBodyDark));
    p.setPen(QPen(QColor::fromRgb(kRim), std::max(5.0, pixel)));
    p.setBrush(fill);
    p.drawRoundedRect(body, 26, 26);

    p.setPen(Qt::NoPen);
    if (isSmall(size)) {
        p.setBrush(QColor::fromRgb(kPower));
        p.drawEllipse(QPointF(0, -60), 17, 17);
        for (int row = 0; row < 3; ++row) roundedKey(p, QRectF(-26, -30 + 28 * row, 52, 15), kKey);
        return;
    }
    p.setBrush(QColor::fromRgb(kPower));
    p.drawEllipse(QPointF(-14, -68), 11, 11);
    // The navigation ring with its OK key.
    p.setPen(QPen(QColor::fromRgb(kKey), 10));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, -30), 19, 19);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgb(kKey));
    p.drawEllipse(QPointF(0, -30), 8, 8);
    const int rows = size < 48 ? 0 : size < 64 ? 2 : 3;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < 3; ++column) roundedKey(p, QRectF(-27 + 19 * column, 2 + 17 * row, 16, 11), kKey);
    for (int i = 0; i < 4; ++i) roundedKey(p, QRectF(-29 + 15 * i, 5 + 17 * rows, 13, 10), kColourKeys[i]);
}

void drawAppIcon(QPainter& p, int size) {
    const qreal pixel = kGrid / size;  // one pixel of the image, in grid units
    p.scale(size / kGrid, size / kGrid);
    QTransform upright;
    upright.translate(remoteCentre(size).x(), remoteCentre(size).y());
    upright.rotate(kTilt);
    drawWaves(p, upright.map(QPointF(0, -halfLength(size))), pixel, isSmall(size));
    p.setTransform(upright, true);
    drawRemote(p, pixel, size);
}

QImage blankImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Draws its icon the first time something asks for its pixels, and from then
// on answers as that icon does. Drawing all icons before the window showed
// cost about a millisecond of the start: the toolbar's are now drawn by the
// first paint, and the window's only where the platform shows one.
class DrawnOnFirstUse : public QIconEngine {
public:
    explicit DrawnOnFirstUse(std::function<QIcon()> draw) : draw_(std::move(draw)) {}

    // The rect is already fitted to actualSize(): QIcon::paint would fit it
    // again, so the pixmap is drawn into it as a pixmap icon draws its own.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return drawn().pixmap(size, 1.0, mode, state);
    }
    // QIcon asks in device pixels; the drawn icon takes the size in its own.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return drawn().pixmap(size / scale, scale, mode, state);
    }
    // QIcon::actualSize would scale for the screen again; at scale 1 a
    // pixmap icon's pixmap has the size its engine would answer.
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return drawn().pixmap(size, 1.0, mode, state).size();
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return drawn().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("DrawnOnFirstUse"); }
    QIconEngine* clone() const override { return new DrawnOnFirstUse(*this); }

private:
    const QIcon& drawn() {
        if (icon_.isNull()) icon_ = draw_();
        return icon_;
    }

    std::function<QIcon()> draw_;
    QIcon icon_;
};

}  // namespace

QImage renderToolIcon(ToolIcon icon, int scale) {
    QImage image = blankImage(kToolIconSize * scale);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (icon) {
    case ToolIcon::New: drawNew(p); break;
    case ToolIcon::Open: drawOpen(p); break;
    case ToolIcon::Save: drawSave(p); break;
    case ToolIcon::Cut: drawCut(p); break;
    case ToolIcon::Copy: drawCopy(p); break;
    case ToolIcon::Paste: drawPaste(p); break;
    case ToolIcon::Print: drawPrint(p); break;
    case ToolIcon::About: drawAbout(p); break;
    case ToolIcon::Customize: drawCustomize(p); break;
    }
    return image;
}

QIcon toolIcon(ToolIcon which) {
    return QIcon(new DrawnOnFirstUse([which] {
        QIcon icon;
        for (int scale : {1, 2}) icon.addPixmap(QPixmap::fromImage(renderToolIcon(which, scale)));
        return icon;
    }));
}

QImage renderAppIcon(int size) {
    QImage image = blankImage(QSize(size, size));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawAppIcon(p, size);
    return image;
}

QIcon appIcon() {
    return QIcon(new DrawnOnFirstUse([] {
        QIcon icon;
        for (int size : kAppIconSizes)
            if (size <= 64) icon.addPixmap(QPixmap::fromImage(renderAppIcon(size)));
        return icon;
    }));
}

}  // namespace orvalinder
