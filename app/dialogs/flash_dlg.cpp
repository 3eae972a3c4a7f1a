#include "app/dialogs/flash_dlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/dialogs/static_text.h"

namespace orvalinder {

QString CFlashDlg::installedFirmware() {
    for (const std::string& path : firmwareCandidates(QCoreApplication::applicationDirPath().toStdString())) {
        const QFileInfo file(QString::fromStdString(path));
        if (file.isFile()) return file.canonicalFilePath();
    }
    return {};
}

CFlashDlg::CFlashDlg(const QString& port, const QString& firmware, QWidget* parent)
    : QDialog(parent), firmware_(firmware) {
    setWindowTitle(QStringLiteral("Put the firmware on the board"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(staticText(QStringLiteral("The IrBridge firmware that came with this program is written into the "
                                              "board through its boot loader, with avrdude. The board restarts and "
                                              "is connected again when it is done."),
                               this, true),
                    0, 0, 1, 2);
    port_ = new QLineEdit(port, this);
    port_->setObjectName(QStringLiteral("port"));
    board_ = new QComboBox(this);
    board_->setObjectName(QStringLiteral("board"));
    board_->addItem(QStringLiteral("Uno, or Nano with the new boot loader (115200 baud)"), kBootLoaderBauds[0]);
    board_->addItem(QStringLiteral("Nano with the old boot loader (57600 baud)"), kBootLoaderBauds[1]);
    auto* file = staticText(firmware.isEmpty() ? QStringLiteral("none found: reinstall the program") : firmware, this);
    file->setObjectName(QStringLiteral("firmware"));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const std::pair<const char*, QWidget*> rows[] = {{"Port", port_}, {"Board", board_}, {"Firmware", file}};
    int row = 1;
    for (const auto& [label, widget] : rows) {
        grid->addWidget(staticText(QString::fromLatin1(label), this), row, 0);
        grid->addWidget(widget, row++, 1);
    }
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    grid->addWidget(progress_, row++, 0, 1, 2);
    state_ = staticText(QString(), this, true);
    state_->setObjectName(QStringLiteral("state"));
    state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(state_, row++, 0, 1, 2);
    details_ = new QPlainTextEdit(this);
    details_->setObjectName(QStringLiteral("details"));
    details_->setReadOnly(true);
    details_->setMaximumBlockCount(500);
    details_->setMinimumHeight(90);
    details_->setLineWrapMode(QPlainTextEdit::NoWrap);  // its progress bars stay one line
    grid->addWidget(details_, row++, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    start_ = new QPushButton(QStringLiteral("&Start"), this);
    start_->setDefault(true);
    start_->setEnabled(!firmware.isEmpty());
    close_ = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addWidget(start_);
    buttons->addWidget(close_);
    grid->addLayout(buttons, row, 0, 1, 2);
    setMinimumWidth(520);

    connect(start_, &QPushButton::clicked, this, &CFlashDlg::start);
    connect(close_, &QPushButton::clicked, this, &CFlashDlg::reject);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    connect(&process_, &QProcess::readyRead, this, &CFlashDlg::readOutput);
    connect(&process_, &QProcess::finished, this, &CFlashDlg::done);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) failedToStart();
    });
    showState(firmware.isEmpty() ? QStringLiteral("The firmware file is missing.")
                                 : QStringLiteral("Press Start. Close serial terminals that have the port open."));
}

void CFlashDlg::start() {
    if (running() || firmware_.isEmpty()) return;
    const QString port = port_->text().trimmed();
    if (port.isEmpty()) {
        showState(QStringLiteral("Type the board's port, or find it with Options > Com settings > Find board."));
        return;
    }
    output_ = AvrdudeOutput();
    details_->clear();
    progress_->setValue(0);
    start_->setEnabled(false);
    port_->setEnabled(false);
    board_->setEnabled(false);
    close_->setText(QStringLiteral("&Stop"));
    emit started();
    QStringList arguments;
    for (const std::string& a :
         avrdudeArguments(port.toStdString(), firmware_.toStdString(), board_->currentData().toInt()))
        arguments << QString::fromStdString(a);
    showState(QStringLiteral("Starting avrdude..."));
    process_.start(program, arguments);
}

void CFlashDlg::readOutput() {
    const QByteArray bytes = process_.readAll();
    output_.feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    details_->moveCursor(QTextCursor::End);
    details_->insertPlainText(QString::fromLocal8Bit(bytes));
    progress_->setValue(output_.percent());
    if (!output_.stage().empty())
        showState(QStringLiteral("%1... %2%").arg(QString::fromStdString(output_.stage())).arg(output_.percent()));
}

void CFlashDlg::done(int exitCode, QProcess::ExitStatus status) {
    readOutput();
    const bool succeeded = status == QProcess::NormalExit && exitCode == 0;
    if (succeeded) {
        progress_->setValue(100);
        showState(QStringLiteral("Done: the firmware is on the board. The board is being connected again."));
    } else if (status != QProcess::NormalExit) {
        showState(QStringLiteral("Stopped. The board may hold half a firmware: start again before you use it."));
    } else if (output_.problem() != UploadProblem::None) {
        showState(QString::fromStdString(uploadProblemText(output_.problem(), port_->text().trimmed().toStdString(),
                                                           board_->currentData().toInt())));
    } else {
        showState(QStringLiteral("avrdude failed: %1").arg(QString::fromStdString(output_.lastError())));
    }
    start_->setEnabled(true);
    port_->setEnabled(true);
    board_->setEnabled(true);
    close_->setText(QStringLiteral("&Close"));
    emit finished(succeeded);
}

void CFlashDlg::failedToStart() {
    showState(QStringLiteral("avrdude could not be started: is it installed? Run\n    sudo apt install avrdude"));
    start_->setEnabled(true);
    port_->setEnabled(true);
    board_->setEnabled(true);
    close_->setText(QStringLiteral("&Close"));
    emit finished(false);
}

void CFlashDlg::reject() {
    // While avrdude runs, Close stops it; the dialog stays to say so.
    if (running()) {
        process_.kill();
        return;
    }
    QDialog::reject();
}

void CFlashDlg::showState(const QString& text) { state_->setText(text); }

}  // namespace orvalinder
