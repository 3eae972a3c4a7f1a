#pragma once
// The real message boxes, file picker and file manager, over Qt.

#include <QFileDialog>
#include "core/platform.h"

namespace orvalinder {

// The real ones.
class QtMessageBoxes : public MessageBoxes {
public:
    Answer show(QWidget* parent, const QString& text, MessageIcon icon, Buttons buttons,
                const QString& caption) override;
};

class QtFilePicker : public FilePicker {
public:
    // `extra` is added to every dialog's options: tests force Qt's own dialog
    // with QFileDialog::DontUseNativeDialog so they can operate it.
    explicit QtFilePicker(QFileDialog::Options extra = {}) : extra_(extra) {}

    QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                     ReplaceQuestion replace = ReplaceQuestion::Ask) override;

private:
    QFileDialog::Options extra_;
};

class QtFolderOpener : public FolderOpener {
public:
    void openFolder(const QString& path) override;
};

}  // namespace orvalinder
