#include "app/qt_platform.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace orvalinder {

Answer QtMessageBoxes::show(QWidget* parent, const QString& text, MessageIcon icon, Buttons buttons,
                            const QString& caption) {
    QMessageBox box(parent);
    box.setWindowTitle(caption.isEmpty() ? QStringLiteral("Orvalinder") : caption);
    box.setText(text);
    switch (icon) {
    case MessageIcon::Default: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    // Escape or the window's close button: the box's cancelling answer.
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::YesNo ? Answer::No : buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok;
    }
}

QString QtFilePicker::openFile(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter, nullptr, extra_);
}

QString QtFilePicker::saveFile(QWidget* parent, const QString& title, const QString& filter, ReplaceQuestion replace) {
    QFileDialog::Options options = extra_;
    if (replace == ReplaceQuestion::DontAsk) options |= QFileDialog::DontConfirmOverwrite;
    return QFileDialog::getSaveFileName(parent, title, QString(), filter, nullptr, options);
}

void QtFolderOpener::openFolder(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

}  // namespace orvalinder
