// The About dialog: its texts, and both buttons just closing it.

#include "app/dialogs/about_dlg.h"
#include "tests/dialogs/dialog_test_support.h"

namespace orvalinder {
namespace {

using testing::buttonNamed;
using testing::closedWith;

TEST(AboutDialog, ShowsTheVersionAndClosesWithEitherButton) {
    for (const auto& [button, code] : {std::pair{"OK", QDialog::Accepted}, std::pair{"Cancel", QDialog::Rejected}}) {
        CAboutDlg dialog;
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "About Orvalinder remote control emulator");
        EXPECT_TRUE(testing::showsText(dialog, "Orvalinder, Version 1.0"));
        EXPECT_TRUE(testing::showsText(dialog, QStringLiteral("This allows an Arduino to emulate a Panasonic "
                                                              "Orvalinder,Sky or Technika remote control.\u00A0 A "
                                                              "sketch for an Arduino is included in the zip file.")));
        buttonNamed(dialog, button)->click();
        EXPECT_TRUE(closedWith(dialog, code)) << button;
    }
}

}  // namespace
}  // namespace orvalinder
