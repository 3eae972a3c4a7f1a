#include "resources/pictures.h"

#include <QConicalGradient>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <span>
#include <unordered_map>

#include "core/view_layout.h"

namespace orvalinder {
namespace {

// A button colour that differs from the remote's usual one.
struct Accent {
    int index;
    QRgb fill;
    QRgb text;
};

// Everything that tells one remote's picture from another's. The body's
// gradient runs from top to bottom only, so every row of the body outside
// the buttons is one colour.
struct RemoteStyle {
    PictureId id;
    QRgb background;  // the image outside the body
    QRgb bodyTop;
    QRgb bodyBottom;
    qreal glossEnd;  // > 0: a sheen over the top, ending sharply here
    QRgb rim;
    qreal rimWidth;
    qreal cornerRadius;
    QRgb button;
    QRgb buttonText;
    std::span<const Accent> accents;
    const char* brand;
    QRgb brandColour;
    qreal brandCentreY;  // fraction of the height; clear of every area
    int brandPixels;
    bool brandItalic;
    qreal brandSpacing;  // extra pixels between letters
    qreal ringRadius;    // > 0: a coloured ring round the navigation keys
    QPointF ringCentre;  // fractions of the width and height
};

constexpr QRgb kRed = 0xffc8241c;
constexpr QRgb kGreen = 0xff23893a;
constexpr QRgb kYellow = 0xffe8c21e;
constexpr QRgb kBlue = 0xff2453c4;
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kInk = 0xff15171a;

constexpr Accent kPanasonicAccents[] = {
    {0, kRed, kWhite}, {42, kRed, kWhite}, {43, kGreen, kWhite}, {44, kYellow, kInk}, {45, kBlue, kWhite},
};
constexpr Accent kSkyAccents[] = {
    {2, kRed, kWhite},    {22, 0xff5a5f69, kWhite}, {27, kRed, kWhite},
    {28, kGreen, kWhite}, {29, kYellow, kInk},      {30, kBlue, kWhite},
};
constexpr Accent kTechnikaAccents[] = {
    {0, kRed, kWhite}, {42, kRed, kWhite}, {43, kGreen, kWhite}, {44, kYellow, kInk}, {45, kBlue, kWhite},
};

const RemoteStyle kStyles[] = {
    {PanasonicPicture,
     0xfff0f0f0,
     0xff484c53,
     0xff2b2e33,
     0.0,
     0xffb9bec6,
     4.0,
     38.0,
     0xffc9ced6,
     kInk,
     kPanasonicAccents,
     "Panasonic",
     0xffdfe3e8,
     0.925,
     24,
     false,
     0.5,
     0.0,
     {}},
    {SkyPicture,
     0xfff0f0f0,
     0xff1b1c1f,
     0xff070708,
     0.0,
     0xff3a3c42,
     3.0,
     70.0,
     0xff303238,
     kWhite,
     kSkyAccents,
     "sky",
     kWhite,
     0.95,
     40,
     true,
     0.0,
     76.0,
     {0.5, 0.5}},
    {TechnikaPicture,
     0xfff0f0f0,
     0xff1c1c20,
     0xff040405,
     0.11,
     0xff60646c,
     3.0,
     48.0,
     0xff4a4e56,
     kWhite,
     kTechnikaAccents,
     "TECHNIKA",
     0xffc0c4cc,
     0.9,
     30,
     false,
     4.0,
     0.0,
     {}},
};

constexpr qreal kButtonInset = 1.5;  // keeps neighbouring buttons apart

QFont pictureFont(int pixels, bool bold = true, bool italic = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

const RemoteStyle* styleOf(PictureId id) {
    for (const RemoteStyle& style : kStyles)
        if (style.id == id) return &style;
    return nullptr;
}

// The remotes' sizes come from the catalogue: their click areas are fractions
// of those sizes. Empty for an id without a picture.
QSize sizeOf(PictureId id) {
    switch (id) {
    case ConnectBitmap:
    case DisconnectBitmap: return {layout::ConnectButtonSize, layout::ConnectButtonSize};
    case StopImage: return {layout::StopImageSize, layout::StopImageSize};
    default: break;
    }
    for (const RemoteInfo& remote : remoteCatalogue())
        if (remote.picture == id) return {remote.pictureWidth, remote.pictureHeight};
    return {};
}

// The area in picture pixels, computed in single precision like the hit test.
QRectF areaRect(const ClickArea& area, QSize size) {
    const auto w = static_cast<float>(size.width());
    const auto h = static_cast<float>(size.height());
    return QRectF(QPointF(area.left * w, area.top * h), QPointF(area.right * w, area.bottom * h));
}

void drawBody(QPainter& p, const RemoteStyle& s, QSize size) {
    const QRectF body = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(3, 3, -3, -3);
    const QColor top = QColor::fromRgb(s.bodyTop);
    QLinearGradient fill(0, body.top(), 0, body.bottom());
    if (s.glossEnd > 0) {
        fill.setColorAt(0, top.lighter(190));
        fill.setColorAt(s.glossEnd, top.lighter(130));
        fill.setColorAt(s.glossEnd + 0.002, top);
    } else {
        fill.setColorAt(0, top);
    }
    fill.setColorAt(1, QColor::fromRgb(s.bodyBottom));
    const qreal half = s.rimWidth / 2;
    p.setPen(QPen(QColor::fromRgb(s.rim), s.rimWidth));
    p.setBrush(fill);
    p.drawRoundedRect(body.adjusted(half, half, -half, -half), s.cornerRadius, s.cornerRadius);

    if (s.ringRadius > 0) {
        const QPointF centre(s.ringCentre.x() * size.width(), s.ringCentre.y() * size.height());
        QConicalGradient colours(centre, 90);
        const QRgb stops[] = {kRed, kYellow, kGreen, kBlue, kRed};
        for (int i = 0; i < 5; ++i) colours.setColorAt(i / 4.0, QColor::fromRgb(stops[i]));
        p.setPen(QPen(QBrush(colours), 7));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, s.ringRadius, s.ringRadius);
    }
}

QColor colourOf(KeyColour colour) {
    switch (colour) {
    case KeyColour::Red: return QColor::fromRgb(kRed);
    case KeyColour::Green: return QColor::fromRgb(kGreen);
    case KeyColour::Yellow: return QColor::fromRgb(kYellow);
    case KeyColour::Blue: return QColor::fromRgb(kBlue);
    case KeyColour::None: break;
    }
    return {};
}

// The power sign: a ring open at the top with a bar through the gap.
void drawPowerSign(QPainter& p, const QRectF& face, QColor colour) {
    const qreal radius = 0.26 * qMin(face.width(), face.height());
    const QPointF centre = face.center();
    p.setPen(QPen(colour, qMax(1.2, radius * 0.28), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(ring, 120 * 16, 300 * 16);
    p.drawLine(QPointF(centre.x(), centre.y() - 1.25 * radius), QPointF(centre.x(), centre.y() - 0.2 * radius));
}

void drawButton(QPainter& p, const QRectF& area, const ButtonFace& face, int index, QColor fill, QColor text) {
    const QRectF r = area.adjusted(kButtonInset, kButtonInset, -kButtonInset, -kButtonInset);
    if (r.width() <= 0 || r.height() <= 0) return;
    if (face.mark == ButtonFace::Colour) {
        fill = colourOf(face.colour);
        text = QColor::fromRgb(face.colour == KeyColour::Yellow ? kInk : kWhite);
    }
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, fill.lighter(125));
    gradient.setColorAt(1, fill.darker(112));
    p.setPen(QPen(fill.darker(170), 1.0));
    p.setBrush(gradient);
    const QRectF shape = r.adjusted(0.5, 0.5, -0.5, -0.5);  // the pen stays inside r
    const qreal shorter = qMin(r.width(), r.height());
    const bool squarish = qMax(r.width(), r.height()) <= 1.3 * shorter && shorter < 60;
    if (squarish) {
        p.drawEllipse(shape);
    } else {
        const qreal radius = shorter * 0.3;
        p.drawRoundedRect(shape, radius, radius);
    }

    if (face.mark == ButtonFace::Colour) return;  // a colour key says it by its colour
    if (face.mark == ButtonFace::Power) {
        drawPowerSign(p, r, text);
        return;
    }
    // The largest size up to 16 px whose label fits well inside the face;
    // a name too long even at the smallest is cut short.
    const QString label = face.mark == ButtonFace::Text ? QString::fromStdString(face.text) : QString::number(index);
    const qreal room = r.width() * (face.mark == ButtonFace::Text ? 0.8 : 0.6);
    int pixels = 16;
    for (; pixels > 7; --pixels) {
        const QFontMetricsF metrics(pictureFont(pixels));
        if (metrics.horizontalAdvance(label) <= room && metrics.capHeight() <= r.height() * 0.45) break;
    }
    p.setFont(pictureFont(pixels));
    // An index only tells buttons apart; a name says what the button does.
    if (face.mark == ButtonFace::Index) text.setAlpha(140);
    p.setPen(text);
    p.drawText(r, Qt::AlignCenter, QFontMetricsF(pictureFont(pixels)).elidedText(label, Qt::ElideRight, r.width()));
}

void drawRemote(QPainter& p, const RemoteStyle& s, QSize size, std::span<const ButtonFace> faces) {
    drawBody(p, s, size);
    const auto areas = clickAreasOfPicture(s.id);
    for (size_t i = 0; i < areas.size(); ++i) {
        QColor fill = QColor::fromRgb(s.button);
        QColor text = QColor::fromRgb(s.buttonText);
        for (const Accent& accent : s.accents) {
            if (accent.index == static_cast<int>(i)) {
                fill = QColor::fromRgb(accent.fill);
                text = QColor::fromRgb(accent.text);
            }
        }
        drawButton(p, areaRect(areas[i], size), i < faces.size() ? faces[i] : ButtonFace{}, static_cast<int>(i), fill,
                   text);
    }

    QFont brand = pictureFont(s.brandPixels, true, s.brandItalic);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, s.brandSpacing);
    p.setFont(brand);
    p.setPen(QColor::fromRgb(s.brandColour));
    const qreal centreY = s.brandCentreY * size.height();
    p.drawText(QRectF(0, centreY - s.brandPixels, size.width(), 2.0 * s.brandPixels), Qt::AlignCenter,
               QString::fromLatin1(s.brand));
}

const QColor kTeal(0x00, 0x80, 0x84);

// A teal disc with a white USB plug: metal shell, body marked with the USB
// trident, and the cable leaving downwards.
void drawConnect(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    p.drawEllipse(QPointF(25, 25), 23.5, 23.5);

    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(19.5, 6.5, 11, 8));  // shell
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(21.5, 9, 2.5, 2.5));
    p.drawRect(QRectF(26, 9, 2.5, 2.5));
    p.drawRoundedRect(QRectF(16, 15, 18, 18), 2.5, 2.5);  // body

    p.setPen(QPen(kTeal, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(25, 30), QPointF(25, 19));
    p.drawLine(QPointF(25, 27), QPointF(20.5, 24));
    p.drawLine(QPointF(25, 26), QPointF(29.5, 23));
    p.setBrush(kTeal);
    p.drawPolygon(QPolygonF{QPointF(25, 17), QPointF(23.3, 20), QPointF(26.7, 20)});
    p.drawEllipse(QPointF(20.5, 23.5), 1.3, 1.3);
    p.drawRect(QRectF(28.6, 21.6, 2, 2));
    p.drawEllipse(QPointF(25, 30), 1.3, 1.3);

    QPainterPath cable(QPointF(25, 33));
    cable.cubicTo(QPointF(25, 40), QPointF(31, 38), QPointF(33, 45));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
}

// A teal-framed square: the socket on the left, the plug pulled away from it.
void drawDisconnect(QPainter& p) {
    p.setPen(QPen(kTeal, 4));
    p.setBrush(QColor(0xe6, 0xf3, 0xf3));
    p.drawRoundedRect(QRectF(3, 3, 44, 44), 4, 4);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0x40, 0x46));
    p.drawRect(QRectF(6, 15, 10, 20));  // socket
    p.setBrush(QColor(0x0c, 0x0d, 0x0f));
    p.drawRect(QRectF(11, 20, 5, 10));  // its slot

    p.setBrush(QColor(0xa8, 0xae, 0xb6));
    p.drawRect(QRectF(25, 21, 6, 8));  // plug shell
    p.setBrush(kTeal.darker(130));
    p.drawRoundedRect(QRectF(31, 17, 9, 16), 2, 2);  // plug body
    p.setPen(QPen(kTeal.darker(130), 3.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(40, 25), QPointF(45, 25));  // cable to the frame

    p.setPen(QPen(QColor(0xd0, 0x30, 0x20), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 18), QPointF(22, 15));  // the gap's marks
    p.drawLine(QPointF(19, 32), QPointF(22, 35));
}

// A red round button with a white square reading "Stop".
void drawStop(QPainter& p) {
    QRadialGradient red(QPointF(52, 46), 70);
    red.setColorAt(0, QColor(0xff, 0x6a, 0x5a));
    red.setColorAt(0.6, QColor(0xd4, 0x16, 0x10));
    red.setColorAt(1, QColor(0x8c, 0x04, 0x02));
    p.setPen(QPen(QColor(0x60, 0x00, 0x00), 2));
    p.setBrush(red);
    p.drawEllipse(QPointF(64, 64), 60, 60);

    const QRectF square(32, 32, 64, 64);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(square, 6, 6);
    p.setFont(pictureFont(24));
    p.setPen(QColor(0xb0, 0x10, 0x0a));
    p.drawText(square, Qt::AlignCenter, QStringLiteral("Stop"));
}

}  // namespace

QImage renderPicture(PictureId id, std::span<const ButtonFace> faces) {
    const QSize size = sizeOf(id);
    const RemoteStyle* style = styleOf(id);
    const bool small = id == ConnectBitmap || id == DisconnectBitmap || id == StopImage;
    if (size.isEmpty() || (!small && !style)) return {};

    QImage image(size, QImage::Format_RGB32);
    image.fill(style ? QColor::fromRgb(style->background) : QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    switch (id) {
    case ConnectBitmap: drawConnect(p); break;
    case DisconnectBitmap: drawDisconnect(p); break;
    case StopImage: drawStop(p); break;
    default: drawRemote(p, *style, size, faces); break;
    }
    return image;
}

const QImage& picture(PictureId id) {
    // Node-based, so a returned reference survives later insertions.
    static std::unordered_map<int, QImage> cache;
    static const QImage none;
    auto it = cache.find(id);
    if (it == cache.end()) {
        QImage image = renderPicture(id);
        if (image.isNull()) return none;
        it = cache.emplace(id, std::move(image)).first;
    }
    return it->second;
}

}  // namespace orvalinder
