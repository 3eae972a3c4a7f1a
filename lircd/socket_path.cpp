#include "lircd/socket_path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvalinder::lircd {

#if defined(Q_OS_UNIX)

QString defaultSocketPath() {
    // Qt reads XDG_RUNTIME_DIR and checks it is the user's own.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/orvalinder/lircd";
}

QString prepareSocketFolder(const QString& socketPath) {
    const QString folder = QFileInfo(socketPath).absolutePath();
    const QByteArray name = QFile::encodeName(folder);
    // Made here with 0700 (the umask can only take more away), or checked;
    // lstat, so that a link to someone else's folder is refused too.
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QCoreApplication::translate("lircd", "Cannot make the folder %1 for the LIRC socket: %2.")
            .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QCoreApplication::translate("lircd", "%1 is not a folder, so the LIRC socket cannot be made in it.")
            .arg(folder);
    if (info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        return QCoreApplication::translate("lircd",
                                           "The folder %1 of the LIRC socket must be yours and closed to others "
                                           "(mode 0700), but its owner is user %2 and its mode %3. "
                                           "Remove it or give it to yourself with mode 0700.")
            .arg(folder)
            .arg(info.st_uid)
            .arg(QString::number(info.st_mode & 07777, 8).rightJustified(4, '0'));
    return {};
}

bool isSocketFile(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

bool restrictToOwner(const QString& socketPath) {
    return ::chmod(QFile::encodeName(socketPath).constData(), 0600) == 0;
}

#else

QString defaultSocketPath() { return QStringLiteral("orvalinder-lircd"); }

QString prepareSocketFolder(const QString&) { return {}; }

bool isSocketFile(const QString&) { return false; }

bool restrictToOwner(const QString&) { return true; }

#endif

}  // namespace orvalinder::lircd
