#include "app/dialogs/about_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include "app/dialogs/static_text.h"

namespace orvalinder {
namespace {

QLabel* link(const QString& label, const QString& address, QWidget* parent) {
    auto* text = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(address, label.toHtmlEscaped()), parent);
    text->setTextFormat(Qt::RichText);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    text->setOpenExternalLinks(true);
    return text;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, const QString& listening, const QString& board, const QString& homeAssistant)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Orvalinder remote control emulator"));

    // Created in tab order.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(32, 32));

    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(10);
    grid->setHorizontalSpacing(24);
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    grid->addWidget(staticText(QStringLiteral("Orvalinder, Version 1.0"), this), 0, 1);
    const QString paragraphs[] = {
        QStringLiteral("The Orvalinder.exe Windows program sends key codes to a Arduino via a USB cable when you "
                       "click on the buttons of the remote control image."),
        QStringLiteral("This allows an Arduino to emulate a Panasonic Orvalinder,Sky or Technika remote "
                       "control.\u00A0 A sketch for an Arduino is included in the zip file."),
        QStringLiteral("This version of Orvalinder is built with Qt 6 and runs on Linux and Windows. It needs the "
                       "Qt 6 Widgets and Serial Port libraries; on Debian they come with the packages "
                       "libqt6widgets6 and libqt6serialport6."),
        QStringLiteral("The Arduino shows up as a serial port when its USB cable is plugged in: Com3 or the like "
                       "on Windows, /dev/ttyACM0 or /dev/ttyUSB0 on Linux. On Linux your user must be a member of "
                       "the dialout group to open it (sudo adduser $USER dialout, then log out and in again)."),
    };
    int row = 1;
    for (const QString& text : paragraphs) grid->addWidget(staticText(text, this, true), row++, 0, 1, 2);
    if (!listening.isEmpty())
        grid->addWidget(
            staticText(QStringLiteral("LIRC's clients, such as irsend, reach it at %1.").arg(listening), this, true),
            row++, 0, 1, 2);
    if (!homeAssistant.isEmpty()) {
        auto* text = staticText(homeAssistant, this, true);
        text->setObjectName(QStringLiteral("homeAssistant"));
        grid->addWidget(text, row++, 0, 1, 2);
    }
    if (!board.isEmpty()) {
        auto* text = staticText(board, this, true);
        text->setObjectName(QStringLiteral("board"));
        grid->addWidget(text, row++, 0, 1, 2);
    }
    grid->addWidget(
        link(QStringLiteral("Qt, the framework the program is built with"), QStringLiteral("https://www.qt.io/"), this),
        row++, 0, 1, 2);
    grid->addWidget(link(QStringLiteral("Arduino, the board and the software that loads the sketch onto it"),
                         QStringLiteral("https://www.arduino.cc/"), this),
                    row++, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, row, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(600);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace orvalinder
