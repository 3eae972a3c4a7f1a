// The About dialog: its texts, and both buttons just closing it.

#include <QLabel>

#include "app/dialogs/about_dlg.h"
#include "tests/dialogs/dialog_test_support.h"

namespace orvalinder {
namespace {

TEST(AboutDialog, ShowsTheVersionAndClosesWithEitherButton) {
    const QString texts[] = {"Orvalinder, Version 1.0",
                             QStringLiteral("This allows an Arduino to emulate a Panasonic Orvalinder,Sky or Technika "
                                            "remote control.\u00A0 A sketch for an Arduino is included in the zip file.")};
    for (const auto& [button, code] : {std::pair{"OK", QDialog::Accepted}, std::pair{"Cancel", QDialog::Rejected}}) {
        CAboutDlg dialog;
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "About Orvalinder remote control emulator");
        QStringList shown;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) shown << label->text();
        for (const QString& text : texts) EXPECT_TRUE(shown.contains(text)) << text.toStdString();

        testing::buttonNamed(dialog, button)->click();
        EXPECT_TRUE(testing::closedWith(dialog, code)) << button;
    }
}

}  // namespace
}  // namespace orvalinder
