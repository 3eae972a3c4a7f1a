#include "app/dialogs/dialog_convert.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <memory>

#include "app/dialogs/static_text.h"

namespace orvalinder {
namespace {

QLineEdit* pathEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(460);
    return edit;
}

QPushButton* browseButton(const QString& name, QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("Browse"), parent);
    button->setObjectName(name);
    button->setMinimumWidth(110);
    return button;
}

// The converter opens its files by their narrow names, as the system spells them.
std::string fileName(const QLineEdit* edit) { return QFile::encodeName(edit->text()).toStdString(); }

}  // namespace

CDialogConvert::CDialogConvert(MessageBoxes& boxes, FilePicker& picker, QWidget* parent)
    : QDialog(parent), boxes_(boxes), picker_(picker) {
    setWindowTitle(QStringLiteral("Swap bits"));

    // Created in tab order.
    inputPath_ = pathEdit(QStringLiteral("inputFile"), this);
    auto* browseInput = browseButton(QStringLiteral("browseInput"), this);
    outputPath_ = pathEdit(QStringLiteral("outputFile"), this);
    auto* browseOutput = browseButton(QStringLiteral("browseOutput"), this);
    auto* convertButton = new QPushButton(QStringLiteral("Convert"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(staticText(QStringLiteral("Does a bit reversal of 32 bit hex values and outputs the results to "
                                              "a new file."),
                               this),
                    0, 0, 1, 2);
    grid->setRowMinimumHeight(1, 8);
    grid->addWidget(staticText(QStringLiteral("Input file"), this), 2, 0);
    grid->addWidget(inputPath_, 3, 0);
    grid->addWidget(browseInput, 3, 1);
    grid->addWidget(staticText(QStringLiteral("Output file"), this), 4, 0);
    grid->addWidget(outputPath_, 5, 0);
    grid->addWidget(browseOutput, 5, 1);
    grid->setRowMinimumHeight(6, 8);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(convertButton);
    buttons->addSpacing(40);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 7, 0, 1, 2);
    grid->setHorizontalSpacing(24);

    connect(browseInput, &QPushButton::clicked, this, [this] { browse(inputPath_, false); });
    connect(browseOutput, &QPushButton::clicked, this, [this] { browse(outputPath_, true); });
    connect(convertButton, &QPushButton::clicked, this, &CDialogConvert::convert);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDialogConvert::browse(QLineEdit* target, bool newFileAllowed) {
    CBrowse request;
    request.filter = QStringLiteral("All files *.* (*)");
    request.newFileAllowed = newFileAllowed;
    const QString path = request.run(picker_, this);
    if (!path.isEmpty()) target->setText(path);
}

void CDialogConvert::convert() {
    // Looked at, not opened: opening a named pipe would wait for a writer.
    if (const QFileInfo existing(outputPath_->text());
        existing.exists() && !existing.isDir() && existing.isReadable()) {
        const Answer answer =
            boxes_.show(this, QStringLiteral("The output file all ready exists.\n\nOverwrite Yes/No ?"),
                        MessageIcon::None, Buttons::YesNo, QStringLiteral("File status check"));
        if (answer != Answer::Yes) return;
    }
    switch (convertInBackground(fileName(inputPath_), fileName(outputPath_))) {
    case ConvertResult::Converted:
    case ConvertResult::Cancelled:
        // Success is silent; the paths stay for another run.
        return;
    case ConvertResult::WriteFailed:
        boxes_.show(this, QStringLiteral("Error: Unable to write the output file. The disk may be full."),
                    MessageIcon::Stop);
        return;
    case ConvertResult::OutputNotOpened:
    case ConvertResult::InputNotOpened:
    case ConvertResult::SameFile:
    case ConvertResult::ReadFailed:
        boxes_.show(this, QStringLiteral("Error: Unable to open the file."), MessageIcon::Default);
        return;
    }
}

ConvertResult CDialogConvert::convertInBackground(const std::string& inputPath, const std::string& outputPath) {
    constexpr int kSteps = 1000;
    ConvertProgress progress;
    ConvertResult result = ConvertResult::Cancelled;

    // Shows itself only when the work takes longer than half a second.
    QProgressDialog window(QStringLiteral("Reversing the bits..."), QStringLiteral("Cancel"), 0, kSteps, this);
    window.setWindowTitle(windowTitle());
    window.setWindowModality(Qt::WindowModal);
    window.setMinimumDuration(500);
    window.setValue(0);  // starts the half second

    QTimer poll;
    poll.setInterval(100);
    connect(&poll, &QTimer::timeout, &window, [&] {
        // Qt would show the window early when it guesses a long run; the bar
        // stays still until the half second has shown the window.
        if (!window.isVisible()) return;
        const uint64_t total = progress.totalBytes;
        const uint64_t read = progress.bytesRead;
        const int step = total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(read * kSteps / total, kSteps - 1));
        if (step != window.value()) window.setValue(step);
    });
    connect(&window, &QProgressDialog::canceled, &poll, [&] {
        progress.cancel = true;
        poll.stop();
    });

    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = convertFiles(inputPath, outputPath, &progress); }));
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    converting_ = true;
    setControlsEnabled(false);
    worker->start();
    poll.start();
    loop.exec();
    worker->wait();
    setControlsEnabled(true);
    converting_ = false;
    return result;
}

void CDialogConvert::setControlsEnabled(bool enabled) {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) child->setEnabled(enabled);
    }
}

void CDialogConvert::done(int result) {
    // Enter, Escape and the close button wait until the conversion has ended.
    if (!converting_) QDialog::done(result);
}

}  // namespace orvalinder
