// The Com settings dialog driven through its boxes and buttons, on a store
// held in memory.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include "app/dialogs/com_settings_dlg.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/no_wait.h"
#include "tests/support/pty_board.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

using testing::buttonNamed;
using testing::MemorySettingsStore;
using Values = std::map<std::string, std::string, std::less<>>;
using Texts = std::vector<std::string>;  // Com Port, Parity, Speed, Stop Bits, Data Bits

const char* const kBoxes[] = {"comPort", "parity", "speed", "stopBits", "dataBits"};
const Values kDefaults{{"Port", "Com3"}, {"Parity", "NONE"}, {"Speed", "115200"}, {"StopBits", "1"}, {"DataBits", "8"}};

// No values: no key, as on first use.
MemorySettingsStore storeWith(const Values& values) {
    MemorySettingsStore store;
    store.exists = !values.empty();
    store.values = values;
    return store;
}

// A settings folder that cannot be written.
class UnwritableStore : public MemorySettingsStore {
public:
    bool setValue(std::string_view, const std::string&) override { return false; }
};

QComboBox* box(const QDialog& dialog, const char* name) { return dialog.findChild<QComboBox*>(name); }

Texts shown(const QDialog& dialog) {
    Texts texts;
    for (const char* name : kBoxes) texts.push_back(box(dialog, name)->currentText().toStdString());
    return texts;
}

testing::ScriptedBoxes boxes;

TEST(ComSettingsDialog, OpensWithTheStoredSettingsSelected) {
    struct Row {
        Values stored;
        std::vector<FoundDevice> devices;
        Texts shown;
    };
    const Row rows[] = {
        {{}, {}, {"", "", "", "", ""}},
        {{{"Port", "Com5"}, {"Parity", "odd"}, {"Speed", "9600"}, {"StopBits", "2"}, {"DataBits", "7"}},
         {},
         {"Com5", "ODD", "9600", "2", "7"}},
        {{{"Port", "/dev/ttyACM0"}},
         {{"/dev/ttyACM0", "Arduino Uno"}},
         {"/dev/ttyACM0 (Arduino Uno)", "NONE", "", "1", "8"}},
        {{{"Port", "/dev/ttyUSB3"}}, {{"/dev/ttyACM0", ""}}, {"/dev/ttyUSB3", "NONE", "", "1", "8"}},  // unplugged
    };
    for (const Row& row : rows) {
        MemorySettingsStore store = storeWith(row.stored);
        CComSettingsDlg dialog(boxes, store, row.devices);
        EXPECT_EQ(dialog.windowTitle(), "Dialog");
        EXPECT_EQ(shown(dialog), row.shown);
    }
}

TEST(ComSettingsDialog, OkStoresTheTypedTextsNormalised) {
    struct Row {
        Values stored;
        std::vector<QString> typed;  // nothing: OK at once
        Values after;
    };
    const Row rows[] = {
        {kDefaults,
         {"MOC7", "odd", " 9600 ", "1.5", "7"},
         {{"Port", "Com7"}, {"Parity", "ODD"}, {"Speed", "9600"}, {"StopBits", "1.5"}, {"DataBits", "7"}}},
        // Never completed from the lists ("COM" is not Com1, "12" not 1200).
        {kDefaults, {"COM", "x", "12", "1,5", "9"}, kDefaults},
    };
    for (const Row& row : rows) {
        MemorySettingsStore store = storeWith(row.stored);
        CComSettingsDlg dialog(boxes, store, {});
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        for (size_t i = 0; i < row.typed.size(); ++i) {
            QComboBox* combo = box(dialog, kBoxes[i]);
            combo->setFocus();
            combo->lineEdit()->clear();
            QTest::keyClicks(combo->lineEdit(), row.typed[i]);
        }
        buttonNamed(dialog, "&OK")->click();
        EXPECT_TRUE(testing::closedWith(dialog, QDialog::Accepted));
        EXPECT_EQ(store.values, row.after);
    }
}

TEST(ComSettingsDialog, SetDefaultValuesSelectsThemOnlyOkStores) {
    const Values stored{{"Port", "Com9"}, {"Parity", "EVEN"}, {"Speed", "9600"}, {"StopBits", "2"}, {"DataBits", "5"}};
    for (const char* close : {"&Cancel", "&OK"}) {
        MemorySettingsStore store = storeWith(stored);
        CComSettingsDlg dialog(boxes, store, {});
        dialog.show();
        buttonNamed(dialog, "&Set default values")->click();
        EXPECT_EQ(shown(dialog), (Texts{"Com3", "NONE", "115200", "1", "8"}));
        EXPECT_EQ(store.values, stored);

        buttonNamed(dialog, close)->click();
        EXPECT_EQ(store.values, close == std::string("&OK") ? kDefaults : stored);
    }
}

TEST(ComSettingsDialog, DevicesShowWhatTheyAreButStoreTheirPaths) {
    const std::vector<FoundDevice> devices{{"/dev/ttyUSB0", ""}, {"/dev/ttyACM0", "Arduino Uno"}};
    struct Row {
        QString chosen;     // picked from the list when it names an item, else typed
        QString typedOver;  // then typed over the chosen item, unless empty
        std::string stored;
    } const rows[] = {
        {"/dev/ttyACM0 (Arduino Uno)", "", "/dev/ttyACM0"},
        {"ttyACM0", "", "/dev/ttyACM0"},                                 // the bare name of a device found
        {"/dev/ttyACM0 (Arduino Uno)", "/dev/ttyUSB7", "/dev/ttyUSB7"},  // the text typed wins
    };
    for (const Row& row : rows) {
        MemorySettingsStore store = storeWith(kDefaults);
        CComSettingsDlg dialog(boxes, store, devices);
        QComboBox* port = box(dialog, "comPort");
        EXPECT_EQ(port->itemText(port->count() - 2), "/dev/ttyUSB0");  // the devices close the list
        EXPECT_EQ(port->itemText(port->count() - 1), "/dev/ttyACM0 (Arduino Uno)");
        if (const int item = port->findText(row.chosen); item >= 0)
            port->setCurrentIndex(item);
        else
            port->setEditText(row.chosen);
        EXPECT_EQ(port->currentText(), row.chosen);
        if (!row.typedOver.isEmpty()) port->setEditText(row.typedOver);
        buttonNamed(dialog, "&OK")->click();
        EXPECT_EQ(store.values["Port"], row.stored) << row.chosen.toStdString();
    }
}

TEST(ComSettingsDialog, OkThatCannotSaveSaysSoAndStaysOpen) {
    UnwritableStore store;
    testing::ScriptedBoxes said;
    CComSettingsDlg dialog(said, store, {});
    dialog.show();
    buttonNamed(dialog, "&OK")->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(said.shown.size(), 1u);
    EXPECT_TRUE(said.shown[0].text.startsWith("Can't save the com port settings."));
    EXPECT_EQ(said.shown[0].icon, MessageIcon::Stop);
}

// Three ports: a CH340 that is no board of ours and answers nothing, the
// board behind a chip of no known kind, and an Arduino that is not there.
// The CH340 is asked first, USB ids decide nothing, and the board's port
// fills in Com Port.
TEST(ComSettingsDialog, FindBoardAsksThePortsAndFillsInTheBoardsPort) {
    testing::PtyBoard ch340;
    testing::AnsweringBoard board("IrBridge 1.1Y");
    ASSERT_TRUE(board.ok());
    testing::FakePorts ports;
    ports.set({{"/dev/orvalinder-gone", 0x2341, 0x0043, "", "", "Arduino Uno"},
               {board.path(), 0x0483, 0x5740, "", "", "USB serial"},
               {ch340.path(), 0x1A86, 0x7523, "", "", "USB Serial"}});
    MemorySettingsStore store = storeWith(kDefaults);
    testing::ShortWaits waits{0, 5};  // up at once, a silent port given up after a fifth of the real wait
    SerialConnection connection(store, waits);
    connection.lookAfterBoard(ports);
    // Listed first as this machine lists it, though another port is chosen.
    CComSettingsDlg dialog(boxes, store, {{board.path(), "USB serial"}, {ch340.path(), ""}}, nullptr, &connection);
    box(dialog, "comPort")->setCurrentIndex(1);
    dialog.show();

    QSignalSpy progress(&connection, &SerialConnection::searchProgress);
    QSignalSpy finished(&connection, &SerialConnection::searchFinished);
    QProgressBar* searching = dialog.findChild<QProgressBar*>();
    QStringList bars, asked;  // the bar as each step leaves it: "value of maximum from minimum", and its text
    QObject::connect(&connection, &SerialConnection::searchProgress, &dialog, [&] {
        asked << dialog.findChild<QLabel*>("searchState")->text();
        bars << QStringLiteral("%1 of %2 from %3")
                    .arg(searching->value())
                    .arg(searching->maximum())
                    .arg(searching->minimum());
    });
    QTest::mouseClick(buttonNamed(dialog, "&Find board"), Qt::LeftButton);
    EXPECT_EQ(buttonNamed(dialog, "Stop &looking")->isVisible(), true);  // the window is not held up
    EXPECT_TRUE(searching->isVisible());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(searching->isVisible());
    EXPECT_TRUE(buttonNamed(dialog, "&Find board"));
    EXPECT_EQ(finished[0].at(0).toString().toStdString(), board.path());
    EXPECT_EQ(finished[0].at(1).toString(), "1.1");
    ASSERT_EQ(progress.size(), 3);  // the Arduino that fails to open, the CH340, the board
    EXPECT_EQ(bars, QStringList({"0 of 3 from 0", "1 of 3 from 0", "2 of 3 from 0"}));
    EXPECT_EQ(asked[0], "Asking /dev/orvalinder-gone (Arduino Uno), 1 of 3...");
    EXPECT_EQ(ch340.receive(2, std::chrono::milliseconds(100)), "!V");
    // Looking again and stopping at once keeps the port found.
    QTest::mouseClick(buttonNamed(dialog, "&Find board"), Qt::LeftButton);
    QTest::mouseClick(buttonNamed(dialog, "Stop &looking"), Qt::LeftButton);
    EXPECT_FALSE(connection.searching());
    EXPECT_EQ(dialog.findChild<QLabel*>("searchState")->text(), "Stopped looking.");
    EXPECT_EQ(box(dialog, "comPort")->currentText().toStdString(), board.path() + " (USB serial)");
    QTest::mouseClick(buttonNamed(dialog, "&OK"), Qt::LeftButton);
    EXPECT_EQ(store.values["Port"], board.path());
}

}  // namespace
}  // namespace orvalinder
