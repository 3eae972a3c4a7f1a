// Writes every picture to a PNG in the directory given, for looking at.
// Works without a display: QT_QPA_PLATFORM=offscreen render-pictures DIR

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include "resources/pictures.h"

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: render-pictures DIR\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        err << "cannot create " << dir.path() << '\n';
        return 1;
    }

    struct Named {
        orvalinder::PictureId id;
        const char* name;
    };
    const Named pictures[] = {
        {orvalinder::PanasonicPicture, "panasonic"},  {orvalinder::SkyPicture, "sky"},
        {orvalinder::TechnikaPicture, "technika"},    {orvalinder::ConnectBitmap, "connect"},
        {orvalinder::DisconnectBitmap, "disconnect"}, {orvalinder::StopImage, "stop"},
    };
    int failures = 0;
    for (const Named& p : pictures) {
        const QString path = dir.filePath(QString::fromLatin1(p.name) + QStringLiteral(".png"));
        if (!orvalinder::renderPicture(p.id).save(path)) {
            err << "cannot write " << path << '\n';
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
