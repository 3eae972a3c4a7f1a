#include "app/dialogs/dialog_areas.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/static_text.h"

namespace orvalinder {

CDialogAreas::CDialogAreas(bool& showClickAreas, QWidget* parent) : QDialog(parent), showClickAreas_(showClickAreas) {
    setWindowTitle(QStringLiteral("Click areas"));

    // Created in tab order.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    check_ = new QCheckBox(QStringLiteral("Show click areas."), this);

    auto* column = new QVBoxLayout(this);
    for (const QString& text : {
             QStringLiteral("Click the check box to enable or disable the display of button click areas."),
             QStringLiteral("The number displayed for each click area is the index of the key code in the Arduino "
                            "ino file IrBridge.ino."),
             QStringLiteral(" e.g. In IrBridge.ino the remote codes for the Technika remote control are in the "
                            "array 'long technikaCode[64]{'."),
             QStringLiteral("You can change the codes in the IrBridge.ino so that your Arduino transmits codes for "
                            "another remote."),
         }) {
        column->addWidget(staticText(text, this));
    }
    auto* bottom = new QHBoxLayout;
    bottom->addSpacing(20);
    bottom->addWidget(check_);
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    column->addSpacing(8);
    column->addLayout(bottom);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDialogAreas::accept() {
    showClickAreas_ = check_->isChecked();
    QDialog::accept();
}

}  // namespace orvalinder
