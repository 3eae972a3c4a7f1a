// The Click areas dialog: what each way of closing it leaves in the option.

#include <QCheckBox>
#include <QTest>

#include "app/dialogs/dialog_areas.h"
#include "tests/dialogs/dialog_test_support.h"

namespace orvalinder {
namespace {

using testing::buttonNamed;
using testing::closedWith;

enum class Close { Ok, Enter, Cancel, Escape };

TEST(ClickAreasDialog, OkStoresTheBoxCancelKeepsTheOption) {
    struct Row {
        bool before;
        bool tick;
        Close close;
        bool after;
    };
    const Row rows[] = {
        {false, true, Close::Ok, true},      {true, false, Close::Ok, false},  // opens unticked
        {false, true, Close::Enter, true},   {true, false, Close::Enter, false},
        {true, false, Close::Cancel, true},  {false, true, Close::Cancel, false},
        {true, false, Close::Escape, true},  {false, true, Close::Escape, false},
    };
    for (const Row& row : rows) {
        bool showClickAreas = row.before;
        CDialogAreas dialog(showClickAreas);
        dialog.show();
        auto* check = dialog.findChild<QCheckBox*>();
        EXPECT_EQ(check->text(), "Show click areas.");
        EXPECT_FALSE(check->isChecked());
        if (row.tick) QTest::mouseClick(check, Qt::LeftButton);

        switch (row.close) {
        case Close::Ok: buttonNamed(dialog, "OK")->click(); break;
        case Close::Enter: QTest::keyClick(&dialog, Qt::Key_Return); break;
        case Close::Cancel: buttonNamed(dialog, "Cancel")->click(); break;
        case Close::Escape: QTest::keyClick(&dialog, Qt::Key_Escape); break;
        }
        const bool accepted = row.close == Close::Ok || row.close == Close::Enter;
        EXPECT_TRUE(closedWith(dialog, accepted ? QDialog::Accepted : QDialog::Rejected));
        EXPECT_EQ(showClickAreas, row.after) << "row " << &row - rows;
    }
}

}  // namespace
}  // namespace orvalinder
