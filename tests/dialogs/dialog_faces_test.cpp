// Every dialog as it opens: its title, the button Enter presses, and Cancel
// (Close where nothing is to be cancelled) closing it with nothing done. Then
// the About, Click areas and Home Assistant dialogs closed each way.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <set>

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
    library[0].keys.push_back(codes::Key{"KEY_POWER", {}, {}});
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

    // The About dialog's OK just closes it too. (Its texts are in the looks
    // test.) Every paragraph spans the box, those the program adds too.
    CAboutDlg about(nullptr, "/run/user/1000/orvalinder/lircd", "The board runs IrBridge 1.1.", "Home Assistant: on");
    about.show();
    std::set<int> widths;
    for (const QLabel* label : about.findChildren<QLabel*>())
        if (label->wordWrap()) widths.insert(label->width());
    EXPECT_EQ(widths.size(), 1u);
    testing::buttonNamed(about, "OK")->click();
    EXPECT_TRUE(testing::closedWith(about, QDialog::Accepted));
}

// The Click areas dialog: what each way of closing it leaves in the option.
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

        if (row.key != Qt::Key_unknown)
            QTest::keyClick(&dialog, row.key);
        else
            testing::buttonNamed(dialog, row.button)->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(showClickAreas, row.after) << "row " << &row - rows;
    }
}

// Options > Home Assistant (MQTT): what the user types is what OK returns,
// and a broker URL the program cannot read keeps the dialog open, saying why.
TEST(HomeAssistantDialog, ReturnsWhatIsTypedOnceTheBrokerCanBeRead) {
    testing::ScriptedBoxes boxes;
    CHomeAssistantDlg dialog(boxes, mqtt::MqttSettings{}, QStringLiteral("orvalinder/pc-ttyACM0"), QString());
    dialog.show();
    const auto field = [&dialog](const char* name) { return dialog.findChild<QLineEdit*>(QLatin1String(name)); };
    EXPECT_EQ(field("password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("protocol"))->currentText(), "MQTT 5");  // a new user's

    testing::buttonNamed(dialog, QStringLiteral("&Connect to the broker"))->click();
    testing::buttonNamed(dialog, QStringLiteral("&OK"))->click();  // ticked, with no broker to connect to
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(field("url"), QStringLiteral("homeassistant.local"));
    testing::buttonNamed(dialog, QStringLiteral("&OK"))->click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].text.startsWith("\"homeassistant.local\" is no broker"));
    EXPECT_TRUE(dialog.isVisible());

    field("url")->setText(QStringLiteral(" mqtts://homeassistant.local "));
    QTest::keyClicks(field("password"), QStringLiteral(" secret "));
    dialog.findChild<QComboBox*>(QStringLiteral("protocol"))->setCurrentIndex(1);
    field("discoveryPrefix")->clear();
    testing::buttonNamed(dialog, QStringLiteral("&OK"))->click();
    EXPECT_TRUE(testing::closedWith(dialog, QDialog::Accepted));
    const mqtt::MqttSettings typed = dialog.settings();  // the discovery prefix back to Home Assistant's
    EXPECT_EQ(typed, (mqtt::MqttSettings{true, "mqtts://homeassistant.local", "", " secret ", "", false, "",
                                         "homeassistant"}));
    // Opened on those settings, OK gives them back as they were.
    CHomeAssistantDlg again(boxes, typed, QStringLiteral("orvalinder/pc-ttyACM0"), QString());
    again.show();
    testing::buttonNamed(again, QStringLiteral("&OK"))->click();
    EXPECT_EQ(again.settings(), typed);
}

}  // namespace
}  // namespace orvalinder
