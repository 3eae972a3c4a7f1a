// Writes the program's icon as PNGs for a desktop's hicolor icon theme:
// DIR/<size>x<size>/apps/orvalinder.png for each size such a theme has.
// Needs no display. Usage: orvalinder-icons DIR

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include "resources/icons.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: orvalinder-icons DIR\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    int failures = 0;
    for (int size : orvalinder::kAppIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = dir.filePath(folder + QStringLiteral("/orvalinder.png"));
        if (!dir.mkpath(folder) || !orvalinder::renderAppIcon(size).save(path, "PNG")) {
            err << "cannot write " << path << '\n';
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
