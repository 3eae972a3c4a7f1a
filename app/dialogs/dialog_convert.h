#pragma once
// Tools, Swap bits: reverses the bit order of the 32-bit hexadecimal codes
// of one text file into another (tools/bit_reversal.h). The two paths live
// only in the edit boxes; OK and Cancel just close. The conversion runs on
// a thread of its own behind a progress window that can cancel it.

#include <QDialog>
#include <string>

#include "app/qt_platform.h"
#include "tools/bit_reversal.h"

class QLineEdit;

namespace orvalinder {

// One request to the file picker as the Browse buttons make it.
class CBrowse {
public:
    QString title = QStringLiteral("Browse");
    QString filter = QStringLiteral("*.txt *.log (*.txt *.log)");
    // A new name is allowed for the output; Convert asks before replacing a file.
    bool newFileAllowed = false;

    // The chosen path; empty when the user cancels.
    QString run(FilePicker& picker, QWidget* parent) const {
        return newFileAllowed ? picker.saveFile(parent, title, filter, ReplaceQuestion::DontAsk)
                              : picker.openFile(parent, title, filter);
    }
};

class CDialogConvert : public QDialog {
    Q_OBJECT
public:
    CDialogConvert(MessageBoxes& boxes, FilePicker& picker, QWidget* parent = nullptr);

    void done(int result) override;

private:
    void browse(QLineEdit* target, bool newFileAllowed);
    void convert();
    ConvertResult convertInBackground(const std::string& inputPath, const std::string& outputPath);
    void setControlsEnabled(bool enabled);

    bool converting_ = false;
    MessageBoxes& boxes_;
    FilePicker& picker_;
    QLineEdit* inputPath_;
    QLineEdit* outputPath_;
};

}  // namespace orvalinder
