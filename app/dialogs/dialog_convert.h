#pragma once
// Tools, Swap bits: reverses the bit order of the 32-bit hexadecimal codes
// of one text file into another (tools/bit_reversal.h). The two paths live
// only in the edit boxes; OK and Cancel just close.

#include <QDialog>

#include "app/platform.h"

class QLineEdit;

namespace orvalinder {

// One request to the file picker as the Browse buttons make it.
class CBrowse {
public:
    QString title = QStringLiteral("Browse");
    QString filter = QStringLiteral("*.txt *.log (*.txt *.log)");

    // The chosen path; empty when the user cancels.
    QString run(FilePicker& picker, QWidget* parent) const { return picker.openFile(parent, title, filter); }
};

class CDialogConvert : public QDialog {
    Q_OBJECT
public:
    CDialogConvert(MessageBoxes& boxes, FilePicker& picker, QWidget* parent = nullptr);

private:
    void browse(QLineEdit* target);
    void convert();

    MessageBoxes& boxes_;
    FilePicker& picker_;
    QLineEdit* inputPath_;
    QLineEdit* outputPath_;
};

}  // namespace orvalinder
