// The pictures: one for each id, a button on every click area, where the hit
// test answers. Icons drawn on first use look as their drawn pixmaps do.

#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

#include "resources/icons.h"
#include "resources/pictures.h"
#include "tests/core/published_click_areas.h"

using namespace orvalinder;

namespace {

int colourDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// In picture pixels, from the single precision fractions as the hit test has them.
QRectF areaRect(const ClickArea& a, QSize size) {
    const auto w = static_cast<float>(size.width());
    const auto h = static_cast<float>(size.height());
    return QRectF(QPointF(a.left * w, a.top * h), QPointF(a.right * w, a.bottom * h));
}

// A column of the body left of every area: it shows the body's colour of each row.
int bodyColumn(std::span<const ClickArea> areas, int width) {
    float left = 1.0f;
    for (const ClickArea& a : areas) left = std::min(left, a.left);
    return static_cast<int>(left * static_cast<float>(width)) - 5;
}

// The areas as published, not as the program's tables have them.
std::vector<ClickArea> publishedAreas(PictureId id) {
    return orvalinder::testing::publishedClickAreas(id == PanasonicPicture ? 'A' : id == SkyPicture ? 'B' : 'D');
}

QImage painted(const QIcon& icon, QSize size, qreal ratio, QIcon::Mode mode) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(0, 0), size), Qt::AlignCenter, mode);
    return image;
}

}  // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    // First, while the cache is empty: a picture taken before the others
    // were added still shows, and each id shows its own picture.
    void cacheKeepsEachPicture() {
        const QImage& panasonic = picture(PanasonicPicture);
        for (PictureId id : {SkyPicture, TechnikaPicture, ConnectBitmap, DisconnectBitmap, StopImage, PanasonicPicture})
            QCOMPARE(picture(id), renderPicture(id));
        QCOMPARE(panasonic, renderPicture(PanasonicPicture));
    }

    void nothingForOtherIds_data() {
        QTest::addColumn<PictureId>("id");
        QTest::newRow("no picture") << NoPicture;
        QTest::newRow("next to a remote's") << PictureId(311);
        QTest::newRow("negative") << PictureId(-1);
    }
    void nothingForOtherIds() {
        QFETCH(PictureId, id);
        QVERIFY(renderPicture(id).isNull());
        QVERIFY(picture(id).isNull());
    }

    // A point of the button's face, left of its label (whose anti-aliased
    // edges may match any colour), differs from the body on the same row.
    // Later buttons may cover an earlier one's point; it is a button all the same.
    // The colour keys, and only they, are red, green, yellow and blue, as on
    // the real remotes.
    void everyAreaShowsAButton_data() {
        QTest::addColumn<PictureId>("id");
        QTest::addColumn<QString>("colourKeys");  // the colour of each key by index: R, G, Y, B; . for none
        QTest::newRow("Panasonic") << PanasonicPicture << QString("R" + QString(41, '.') + "RGYB");
        QTest::newRow("Sky") << SkyPicture << QString("..R" + QString(24, '.') + "RGYB");
        QTest::newRow("Technika") << TechnikaPicture << QString("R" + QString(41, '.') + "RGYB");
    }
    void everyAreaShowsAButton() {
        QFETCH(PictureId, id);
        QFETCH(QString, colourKeys);
        const QImage& image = picture(id);
        const std::vector<ClickArea> areas = publishedAreas(id);
        QVERIFY(!areas.empty());
        const int column = bodyColumn(areas, image.width());
        QVERIFY(column > 4);
        const std::pair<QChar, QRgb> keyColours[] = {
            {'R', 0xffc8241c}, {'G', 0xff23893a}, {'Y', 0xffe8c21e}, {'B', 0xff2453c4}};
        for (size_t i = 0; i < areas.size(); ++i) {
            const QRectF r = areaRect(areas[i], image.size());
            const int y = static_cast<int>(r.center().y());
            const int x = static_cast<int>(r.left() + r.width() / 6);
            const QString where = QStringLiteral("area %1 at %2,%3").arg(i).arg(x).arg(y);
            QVERIFY2(colourDistance(image.pixel(x, y), image.pixel(column, y)) > 48, qPrintable(where));
            QChar shown = '.';
            for (const auto& [name, colour] : keyColours)
                if (colourDistance(image.pixel(x, y), colour) < 90) shown = name;
            const QChar expected =
                static_cast<qsizetype>(i) < colourKeys.size() ? colourKeys[static_cast<qsizetype>(i)] : '.';
            QVERIFY2(shown == expected, qPrintable(where + QStringLiteral(" shows ") + shown));
        }
    }

    // At both scales, disabled, and fitted into a place of another shape.
    void iconsLookAsTheirDrawnPixmaps() {
        QIcon tool, app;
        for (int scale : {1, 2}) tool.addPixmap(QPixmap::fromImage(renderToolIcon(ToolIcon::Print, scale)));
        for (int size : kAppIconSizes)
            if (size <= 64) app.addPixmap(QPixmap::fromImage(renderAppIcon(size)));
        const std::pair<QIcon, QIcon> icons[] = {{toolIcon(ToolIcon::Print), tool}, {appIcon(), app}};
        for (const auto& [shown, drawn] : icons)
            for (const QSize size : {QSize(16, 15), QSize(15, 15), QSize(32, 32), QSize(40, 30)})
                for (const qreal ratio : {1.0, 2.0})
                    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
                        const QString where = QStringLiteral("%1x%2 at %3, mode %4")
                                                  .arg(size.width())
                                                  .arg(size.height())
                                                  .arg(ratio)
                                                  .arg(mode);
                        QVERIFY2(shown.pixmap(size, ratio, mode).toImage() == drawn.pixmap(size, ratio, mode).toImage(),
                                 qPrintable(where));
                        QVERIFY2(painted(shown, size, ratio, mode) == painted(drawn, size, ratio, mode),
                                 qPrintable(where));
                    }
    }
};

QTEST_MAIN(PicturesTest)
#include "pictures_test.moc"
