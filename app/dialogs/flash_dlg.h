#pragma once
// Tools > Put the firmware on the board...: avrdude writes the firmware
// that came with the program through the board's boot loader. It runs as a
// process of its own; the dialog shows its progress and, when it fails,
// what to do. The program's own connection is closed meanwhile (started).

#include <QDialog>
#include <QProcess>

#include "app/firmware_upload.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace orvalinder {

class CFlashDlg : public QDialog {
    Q_OBJECT
public:
    // `port` to write through, `firmware` the .hex file ("" when none was found).
    CFlashDlg(const QString& port, const QString& firmware, QWidget* parent = nullptr);

    // The firmware that came with the program, or "" when there is none.
    static QString installedFirmware();

    bool running() const { return process_.state() != QProcess::NotRunning; }

    // The program that writes it: avrdude, unless a test says.
    QString program = QStringLiteral("avrdude");

public slots:
    void start();
    void reject() override;

signals:
    void started();                 // the port must be free now
    void finished(bool succeeded);  // the board may be connected again

private:
    void readOutput();
    void done(int exitCode, QProcess::ExitStatus status);
    void failedToStart();
    void showState(const QString& text);

    QString firmware_;
    QLineEdit* port_;
    QComboBox* board_;
    QProgressBar* progress_;
    QLabel* state_;
    QPlainTextEdit* details_;
    QPushButton* start_;
    QPushButton* close_;
    QProcess process_;
    AvrdudeOutput output_;
};

}  // namespace orvalinder
