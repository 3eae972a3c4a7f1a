// The About dialog: both buttons just close it. (Its texts are in the looks test.)

#include "app/dialogs/about_dlg.h"
#include "tests/dialogs/dialog_test_support.h"

namespace orvalinder {
namespace {

TEST(AboutDialog, ClosesWithEitherButton) {
    for (const auto& [button, code] : {std::pair{"OK", QDialog::Accepted}, std::pair{"Cancel", QDialog::Rejected}}) {
        CAboutDlg dialog;
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "About Orvalinder remote control emulator");

        testing::buttonNamed(dialog, button)->click();
        EXPECT_TRUE(testing::closedWith(dialog, code)) << button;
    }
}

}  // namespace
}  // namespace orvalinder
