#include "app/dialogs/dialog_convert.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/static_text.h"
#include "tools/bit_reversal.h"

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

    connect(browseInput, &QPushButton::clicked, this, [this] { browse(inputPath_); });
    connect(browseOutput, &QPushButton::clicked, this, [this] { browse(outputPath_); });
    connect(convertButton, &QPushButton::clicked, this, &CDialogConvert::convert);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDialogConvert::browse(QLineEdit* target) {
    // An open-style picker for both boxes: the output is checked only by Convert.
    CBrowse request;
    request.filter = QStringLiteral("All files *.* (*)");
    const QString path = request.run(picker_, this);
    if (!path.isEmpty()) target->setText(path);
}

void CDialogConvert::convert() {
    if (QFile existing(outputPath_->text()); existing.open(QIODevice::ReadOnly)) {
        const Answer answer =
            boxes_.show(this, QStringLiteral("The output file all ready exists.\n\nOverwrite Yes/No ?"),
                        MessageIcon::None, Buttons::YesNo, QStringLiteral("File status check"));
        if (answer != Answer::Yes) return;
    }
    // Same file too: converting would empty the input before reading it.
    if (convertFiles(fileName(inputPath_), fileName(outputPath_)) != ConvertResult::Converted) {
        boxes_.show(this, QStringLiteral("Error: Unable to open the file."), MessageIcon::Default);
    }
    // Success is silent; the paths stay for another run.
}

}  // namespace orvalinder
