// The Click areas dialog: what each way of closing it leaves in the option.

#include <QCheckBox>
#include <QTest>

#include "app/dialogs/dialog_areas.h"
#include "tests/dialogs/dialog_test_support.h"

namespace orvalinder {
namespace {

TEST(ClickAreasDialog, OkStoresTheBoxCancelKeepsTheOption) {
    struct Row {
        bool before, tick;
        Qt::Key key;  // Enter or Escape; otherwise the button
        const char* button;
        bool after;
    };
    const Row rows[] = {
        {false, true, Qt::Key_unknown, "OK", true},      {true, false, Qt::Key_unknown, "OK", false},  // opens unticked
        {false, true, Qt::Key_Return, "", true},         {true, false, Qt::Key_unknown, "Cancel", true},
        {false, true, Qt::Key_unknown, "Cancel", false}, {true, false, Qt::Key_Escape, "", true},
    };
    for (const Row& row : rows) {
        bool showClickAreas = row.before;
        CDialogAreas dialog(showClickAreas);
        dialog.show();
        auto* check = dialog.findChild<QCheckBox*>();
        EXPECT_FALSE(check->isChecked());
        if (row.tick) QTest::mouseClick(check, Qt::LeftButton);

        if (row.key != Qt::Key_unknown) {
            QTest::keyClick(&dialog, row.key);
        } else {
            testing::buttonNamed(dialog, row.button)->click();
        }
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(showClickAreas, row.after) << "row " << &row - rows;
    }
}

}  // namespace
}  // namespace orvalinder
