#include "app/orvalinder_doc.h"

#include <QFile>
#include <QFileInfo>

namespace orvalinder {

QString COrvalinderDoc::title() const { return untitled() ? QStringLiteral("Untitled") : QFileInfo(path_).fileName(); }

void COrvalinderDoc::onNewDocument() {
    path_.clear();
    emit titleChanged(title());
}

bool COrvalinderDoc::openDocument(const QString& path, QString* error) {
    // A named pipe or a device would block or never end.
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        *error = QStringLiteral("Cannot open %1.\nIt is not a regular file.").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot open %1.\n%2").arg(path, file.errorString());
        return false;
    }
    path_ = QFileInfo(path).absoluteFilePath();
    emit titleChanged(title());
    return true;
}

bool COrvalinderDoc::saveDocument(const QString& path, QString* error) {
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        *error = QStringLiteral("Cannot save %1.\nIt is not a regular file.").arg(path);
        return false;
    }
    QFile file(path);
    // The document has no content, so an existing file keeps its own.
    if (!file.exists() && !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QStringLiteral("Cannot save %1.\n%2").arg(path, file.errorString());
        return false;
    }
    path_ = QFileInfo(path).absoluteFilePath();
    emit titleChanged(title());
    return true;
}

}  // namespace orvalinder
