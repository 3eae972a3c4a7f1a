// Every dialog as it opens: its title, the button Enter presses, and Cancel
// (Close where nothing is to be cancelled) closing it with nothing done.

#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/com_settings_dlg.h"
#include "app/dialogs/dialog_areas.h"
#include "app/dialogs/dialog_convert.h"
#include "app/dialogs/flash_dlg.h"
#include "app/dialogs/home_assistant_dlg.h"
#include "app/dialogs/link_key_dlg.h"
#include "app/dialogs/name_dlg.h"
#include "app/dialogs/save_key_dlg.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

QString defaultButton(const QDialog& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->isDefault()) return button->text();
    return QString();
}

// A button by its text, its shortcut's '&' aside: the standard buttons'
// texts come from the desktop's theme.
QAbstractButton* buttonReading(const QDialog& dialog, QString text) {
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        if (button->text().remove('&') == text.remove('&')) return button;
    ADD_FAILURE() << dialog.windowTitle().toStdString() << " has no button " << text.toStdString();
    return nullptr;
}

TEST(DialogFaces, TitleDefaultButtonAndCancel) {
    testing::ScriptedBoxes boxes;
    testing::ScriptedPicker picker;
    testing::MemorySettingsStore store;
    bool clickAreas = false;
    std::vector<codes::Remote> library(1);
    library[0].name = "tv";
    library[0].keys.push_back(codes::Key{.name = "KEY_POWER"});
    struct Row {
        std::function<std::unique_ptr<QDialog>()> open;
        QString title, enter, cancel;
    };
    const Row rows[] = {
        {[] { return std::make_unique<CAboutDlg>(); }, "About Orvalinder remote control emulator", "OK", "Cancel"},
        {[&] { return std::make_unique<CComSettingsDlg>(boxes, store, std::vector<FoundDevice>{}); }, "Dialog", "&OK",
         "&Cancel"},
        {[&] { return std::make_unique<CDialogAreas>(clickAreas); }, "Click areas", "OK", "Cancel"},
        {[&] { return std::make_unique<CDialogConvert>(boxes, picker); }, "Swap bits", "OK", "Cancel"},
        {[] { return std::make_unique<CFlashDlg>("/dev/ttyACM0", "IrBridge.hex"); }, "Put the firmware on the board",
         "&Start", "&Close"},
        {[&] { return std::make_unique<CHomeAssistantDlg>(boxes, mqtt::MqttSettings{}, "orvalinder/board", ""); },
         "Home Assistant (MQTT)", "&OK", "Cancel"},
        {[&] { return std::make_unique<CLinkKeyDlg>(library, std::nullopt); }, "Link to a key", "Link", "Cancel"},
        {[] { return std::make_unique<CNameDlg>("Vol+"); }, "Name a button", "OK", "Cancel"},
        {[] { return std::make_unique<CSaveKeyDlg>(QStringList{}, "NEC:20DF10EF", "Panasonic"); }, "Save as key",
         "Save", "Cancel"},
    };
    for (const Row& row : rows) {
        const std::unique_ptr<QDialog> dialog = row.open();
        dialog->show();
        EXPECT_EQ(dialog->windowTitle(), row.title);
        EXPECT_EQ(defaultButton(*dialog), row.enter) << row.title.toStdString();
        QAbstractButton* cancel = buttonReading(*dialog, row.cancel);
        if (!cancel) continue;
        QTest::mouseClick(cancel, Qt::LeftButton);
        EXPECT_TRUE(testing::closedWith(*dialog, QDialog::Rejected)) << row.title.toStdString();
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(clickAreas);
}

}  // namespace
}  // namespace orvalinder
