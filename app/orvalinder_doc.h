#pragma once
// The document holds nothing: it gives the File commands, the recent-file
// list and dropped files something to work on. Saving never destroys a
// file: a new path gets an empty file, an existing one is left as it is.

#include <QObject>
#include <QString>

namespace orvalinder {

class COrvalinderDoc : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void onNewDocument();
    // False, with a reason, when the file cannot be read.
    bool openDocument(const QString& path, QString* error);
    bool saveDocument(const QString& path, QString* error);

    QString path() const { return path_; }
    bool untitled() const { return path_.isEmpty(); }
    QString title() const;

signals:
    void titleChanged(const QString& title);

private:
    QString path_;
};

}  // namespace orvalinder
