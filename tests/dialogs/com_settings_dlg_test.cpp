// The Com settings dialog driven through its boxes and buttons, on a store
// held in memory.

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs/com_settings_dlg.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/memory_settings_store.h"

namespace orvalinder {
namespace {

using testing::buttonNamed;
using testing::closedWith;
using testing::MemorySettingsStore;
using Values = std::map<std::string, std::string, std::less<>>;

const char* const kBoxes[] = {"comPort", "parity", "speed", "stopBits", "dataBits"};
const Values kDefaults{{"Port", "Com3"}, {"Parity", "NONE"}, {"Speed", "115200"}, {"StopBits", "1"}, {"DataBits", "8"}};

MemorySettingsStore storeWith(const Values& values) {
    MemorySettingsStore store;
    store.exists = true;
    store.values = values;
    return store;
}

QComboBox* box(const QDialog& dialog, const char* name) { return dialog.findChild<QComboBox*>(name); }

// The five boxes' texts, in the order of kBoxes.
std::vector<std::string> shown(const QDialog& dialog) {
    std::vector<std::string> texts;
    for (const char* name : kBoxes) texts.push_back(box(dialog, name)->currentText().toStdString());
    return texts;
}

void type(QComboBox* combo, const QString& text) {
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), text);
}

TEST(ComSettingsDialog, FirstUseOpensEmptyAndOkStoresTheDefaults) {
    MemorySettingsStore store;
    CComSettingsDlg dialog(store, {});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    EXPECT_EQ(shown(dialog), std::vector<std::string>(5, ""));

    buttonNamed(dialog, "&OK")->click();
    EXPECT_TRUE(closedWith(dialog, QDialog::Accepted));
    EXPECT_EQ(store.values, kDefaults);
}

TEST(ComSettingsDialog, OpensWithTheStoredSettingsSelected) {
    struct Row {
        Values stored;
        std::vector<std::string> devices;
        std::vector<std::string> shown;  // Com Port, Parity, Speed, Stop Bits, Data Bits
    };
    const Row rows[] = {
        {{{"Port", "Com5"}, {"Parity", "odd"}, {"Speed", "9600"}, {"StopBits", "2"}, {"DataBits", "7"}},
         {},
         {"Com5", "ODD", "9600", "2", "7"}},
        // Beyond the list, not a name, missing: default positions or no selection.
        {{{"Port", "Com40"}, {"Parity", "X"}}, {}, {"Com3", "", "", "1", "8"}},
        {{{"Port", "/dev/ttyACM0"}}, {"/dev/ttyUSB0", "/dev/ttyACM0"}, {"/dev/ttyACM0", "NONE", "", "1", "8"}},
        // A device that is not plugged in is still shown.
        {{{"Port", "/dev/ttyUSB3"}}, {"/dev/ttyACM0"}, {"/dev/ttyUSB3", "NONE", "", "1", "8"}},
    };
    for (const Row& row : rows) {
        MemorySettingsStore store = storeWith(row.stored);
        CComSettingsDlg dialog(store, row.devices);
        EXPECT_EQ(shown(dialog), row.shown) << row.stored.begin()->second;
    }
}

TEST(ComSettingsDialog, OkStoresTheTypedTextsNormalised) {
    struct Row {
        std::vector<QString> typed;  // Com Port, Parity, Speed, Stop Bits, Data Bits
        Values stored;
    };
    const Row rows[] = {
        {{"MOC7", "odd", " 9600 ", "1.5", "7"},
         {{"Port", "Com7"}, {"Parity", "ODD"}, {"Speed", "9600"}, {"StopBits", "1.5"}, {"DataBits", "7"}}},
        {{"COM", "x", "300", "1,5", "9"}, kDefaults},
        {{"", "", "12", "", ""}, kDefaults},
    };
    for (const Row& row : rows) {
        MemorySettingsStore store = storeWith(kDefaults);
        CComSettingsDlg dialog(store, {});
        dialog.show();
        for (size_t i = 0; i < row.typed.size(); ++i) type(box(dialog, kBoxes[i]), row.typed[i]);
        buttonNamed(dialog, "&OK")->click();
        EXPECT_EQ(store.values, row.stored) << row.typed[0].toStdString();
    }
}

TEST(ComSettingsDialog, SetDefaultValuesSelectsAndOkStoresThem) {
    MemorySettingsStore store = storeWith(
        {{"Port", "Com9"}, {"Parity", "EVEN"}, {"Speed", "9600"}, {"StopBits", "2"}, {"DataBits", "5"}});
    const Values before = store.values;
    CComSettingsDlg dialog(store, {});
    dialog.show();

    buttonNamed(dialog, "&Set default values")->click();
    EXPECT_EQ(shown(dialog), (std::vector<std::string>{"Com3", "NONE", "115200", "1", "8"}));
    EXPECT_EQ(store.values, before);

    buttonNamed(dialog, "&OK")->click();
    EXPECT_EQ(store.values, kDefaults);
}

TEST(ComSettingsDialog, CancelAndEscapeStoreNothing) {
    for (const bool escape : {false, true}) {
        for (const bool firstUse : {false, true}) {
            MemorySettingsStore store = storeWith({{"Port", "Com9"}});
            if (firstUse) store = MemorySettingsStore{};
            const Values before = store.values;
            CComSettingsDlg dialog(store, {});
            dialog.show();
            type(box(dialog, "comPort"), "Com12");
            buttonNamed(dialog, "&Set default values")->click();

            if (escape) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                buttonNamed(dialog, "&Cancel")->click();
            }
            EXPECT_TRUE(closedWith(dialog, QDialog::Rejected));
            EXPECT_EQ(store.exists, !firstUse);
            EXPECT_EQ(store.values, before);
        }
    }
}

}  // namespace
}  // namespace orvalinder
