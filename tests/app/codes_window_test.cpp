// The user's codes in the window: importing a file through the menu and the
// real dialogs, buttons that send their linked codes (clicked, held, or
// pressed on the keyboard), exporting, and a file handed over by a second
// `orvalinder --import`.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QComboBox>
#include <QProcess>
#include <QMenu>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QToolTip>
#include <atomic>
#include <thread>

#include "app/dialogs/import_codes_dlg.h"
#include "app/dialogs/learn_dlg.h"
#include "app/dialogs/link_key_dlg.h"
#include "app/dialogs/name_dlg.h"
#include "app/import_handover.h"
#include "app/lircd_target.h"
#include "codes/board_message.h"
#include "codes/encoder.h"
#include "codes/formats.h"
#include "core/commands.h"
#include "core/remote_catalogue.h"
#include "lircd/lircd_server.h"
#include "serial/key_sender.h"
#include "send/key_hold.h"
#include "sim/receiver_model.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/modal.h"
#include "tests/support/window_fixture.h"

namespace orvalinder {
namespace {

using testing::answerNextBox;
using testing::buttonNamed;
using testing::onNextModal;

const QString kRemotes = QStringLiteral(ORVALINDER_REMOTES_DIR);

std::string keyCodeOf(RemoteKind kind, int index) { return keyCodeMessage(*keyCodeFor(kind, index)); }

// Opens a row's button chooser with a click, as the user does, and picks
// the entry; returns the entry it opened on.
// `shown` and `whole` take the entry as the list shows it and its tooltip.
int chooseButton(QTableView* table, int row, int entry, QString* shown = nullptr, QString* whole = nullptr,
                 int* entries = nullptr) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the last chooser, closed
    const QRect cell = table->visualRect(table->model()->index(row, 2));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    auto* chooser = table->viewport()->findChild<QComboBox*>();
    if (!chooser) {
        ADD_FAILURE() << "no chooser on row " << row;
        return -1;
    }
    const int openedOn = chooser->currentIndex();
    if (shown) *shown = chooser->itemText(entry);
    if (whole) *whole = chooser->itemData(entry, Qt::ToolTipRole).toString();
    if (entries) *entries = chooser->count();
    chooser->setCurrentIndex(entry);
    emit chooser->activated(entry);
    return openedOn;
}

QAction* itemNamed(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    ADD_FAILURE() << "no item " << text.toStdString();
    return nullptr;
}

using ButtonKeys = std::vector<std::pair<int, std::string>>;

class CodesWindow : public testing::Real<testing::WindowFixture> {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        setViewHeight(861);
    }

    // The file's remotes in the library, as an import stores them.
    void addToLibrary(const QString& file) {
        ASSERT_EQ(codes().addRemotes(codes::readCodesFile((kRemotes + "/" + file).toStdString())), std::nullopt);
    }
    void link(RemoteKind kind, int index, LinkedKey key) {
        ASSERT_EQ(codes().changeLinks([&](ButtonLinks& links) { links.setLink(kind, index, key); }), std::nullopt);
    }
    // The buttons the import dialog offers to link to the file's keys, with
    // the keys' names, once `picture` is chosen in it; the import is cancelled.
    ButtonKeys linksOffered(const QString& file, std::optional<RemoteKind> picture = std::nullopt) {
        ButtonKeys names;
        onNextModal<CImportCodesDlg>([&](CImportCodesDlg* dialog) {
            if (picture) dialog->pictureBox()->setCurrentIndex(dialog->pictureBox()->findData(int(*picture)));
            const QAbstractItemModel* rows = dialog->table()->model();
            size_t shownLinked = 0;
            for (int row = 0; row < rows->rowCount(); ++row)
                shownLinked += rows->index(row, 2).data().toString() != "(none)";
            EXPECT_EQ(shownLinked, dialog->chosenLinks().size());  // the rows show what is chosen
            for (const auto& [index, key] : dialog->chosenLinks()) names.push_back({index, key.key});
            dialog->reject();
        });
        frame->importCodes(file);
        return names;
    }
    // A Flipper file of NEC keys of these names, in this order.
    QString writeFlipperFile(const QString& name, const std::vector<std::string>& keys) {
        codes::Remote remote = codes::protocolRemote(codes::Protocol::Nec);
        for (size_t k = 0; k < keys.size(); ++k) remote.keys.push_back({keys[k], {0x20DF00FF + k * 0x01FE}, {}});
        return writeFile(name, codes::writeCodes({remote}, codes::Format::Flipper).c_str());
    }
    // Chooses an item of button 5's menu; `answer` operates the dialog it
    // opens and closes it.
    template <class Dialog>
    void answerButton5Item(const QString& item, std::function<void(Dialog*)> answer) {
        onNextModal<Dialog>(std::move(answer));
        itemNamed(view()->contextMenuAt(pictureButton(5)), item)->trigger();
    }
    std::string nothingMore() { return board.receive(1, std::chrono::milliseconds(150)); }

    testing::ModalWatchdog watchdog;
};

TEST_F(CodesWindow, ImportThroughTheMenuLinksMatchingNamesAndTheUsersChoice) {
    ASSERT_TRUE(connectByClick());
    const std::string name = "Volume of the sound bar " + std::string(76, '+');  // 100 characters
    const std::string fits = "Input of the television, all of it...";            // its entry: exactly 40 characters
    ASSERT_EQ(codes().changeLinks([&](ButtonLinks& links) {
        links.setName(Panasonic, 5, name);
        links.setName(Panasonic, 4, fits);
    }),
              std::nullopt);
    onNextModal<QFileDialog>([](QFileDialog* dialog) { testing::typeFileName(dialog, kRemotes + "/nec.lircd.conf"); });
    QStringList keys, chosen;
    answerCommand<CImportCodesDlg>(command::ImportCodes, [&](CImportCodesDlg* dialog) {
        EXPECT_EQ(dialog->pictureBox()->currentText(), "Panasonic");  // the picture shown
        QAbstractItemModelTester consistent(dialog->table()->model(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
        const QAbstractItemModel* rows = dialog->table()->model();
        for (int row = 0; row < rows->rowCount(); ++row) {
            keys << rows->index(row, 1).data().toString();
            chosen << rows->index(row, 2).data().toString();
        }
        // The user puts volume up on button 5, then takes power's button for it.
        const auto summary = [dialog] {
            for (const QLabel* label : dialog->findChildren<QLabel*>())
                if (label->text().endsWith("keys linked to buttons.")) return label->text();
            return QString();
        };
        EXPECT_EQ(summary(), "1 of 3 keys linked to buttons.");
        EXPECT_EQ(chooseButton(dialog->table(), 2, 6), 0);
        EXPECT_EQ(summary(), "2 of 3 keys linked to buttons.");
        chooseButton(dialog->table(), 2, 1);
        EXPECT_EQ(rows->index(0, 2).data().toString(), "(none)");  // a button goes to one key
        QString shown, whole;
        int entries = 0;
        EXPECT_EQ(chooseButton(dialog->table(), 2, 6, &shown, &whole, &entries), 1);  // opens on its button
        EXPECT_EQ(entries, int(clickAreas(Panasonic).size()) + 1);
        // Only an entry of the list, in the buttons' column, as an edit: the rest is refused.
        QAbstractItemModel* model = dialog->table()->model();
        const struct {
            int column, entry, role;
            bool taken;
        } edits[] = {{2, -1, Qt::EditRole, false},   {2, entries, Qt::EditRole, false},    {1, 1, Qt::EditRole, false},
                     {2, 1, Qt::DisplayRole, false}, {2, entries - 1, Qt::EditRole, true}, {2, 0, Qt::EditRole, true}};
        for (const auto& e : edits)
            EXPECT_EQ(model->setData(model->index(1, e.column), e.entry, e.role), e.taken)
                << e.column << " " << e.entry;
        EXPECT_EQ(shown.toStdString(), ("5  " + name).substr(0, 39) + "\u2026");
        EXPECT_EQ(whole.toStdString(), "5  " + name);
        // The long name leaves the keys their column: shortened, whole on hover.
        const QTableView* table = dialog->table();
        EXPECT_GE(table->columnWidth(1), table->viewport()->width() / 3);
        EXPECT_LE(table->columnWidth(2), table->viewport()->width() * 2 / 3);
        const QPoint at = table->visualRect(rows->index(2, 2)).center();
        QHelpEvent hover(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table->viewport(), &hover);
        EXPECT_EQ(QToolTip::text().toStdString(), "5  " + name);
        chooseButton(dialog->table(), 0, 5, &shown);
        EXPECT_EQ(shown.toStdString(), "4  " + fits);
        QTest::mouseClick(buttonNamed(*dialog, "Import"), Qt::LeftButton);
    });
    EXPECT_EQ(keys, QStringList({"KEY_POWER", "KEY_1", "KEY_VOLUMEUP"}));
    EXPECT_EQ(chosen, QStringList({"0  KEY_POWER", "(none)", "(none)"}));

    click(pictureButton(5));
    EXPECT_EQ(board.receive(15), "!SNEC:20DF40BF\n");
    EXPECT_EQ(status(3), L"3.  15 bytes sent - !SNEC:20DF40BF - 15 confirmed");
    click(pictureButton(0));  // no longer linked: its key code, as before
    EXPECT_EQ(board.receive(4), keyCodeOf(Panasonic, 0));

    // The library is LIRC's format in the data folder, and both outlive the program.
    ButtonCodes again(config.path() + "/data");
    EXPECT_EQ(again.load(), QStringList());
    EXPECT_EQ(again.remotes(), codes().remotes());
    EXPECT_EQ(again.links().link(Panasonic, 5), (LinkedKey{"nec_tv", "KEY_VOLUMEUP"}));
    EXPECT_TRUE(QFile::exists(config.path() + "/data/remotes/nec_tv.lircd.conf"));
}

TEST_F(CodesWindow, WhatCannotBeImportedIsExplainedAndNothingStored) {
    const QString broken = writeFile("broken.conf", "begin remote\n  name x\n  flags XMP\n");
    const QString empty = writeFile("empty.ir", "Filetype: IR signals file\nVersion: 1\n");
    const QString huge = writeFile("huge.conf", "begin remote\n");
    ASSERT_TRUE(QFile(huge).resize(9'000'000));
    const struct Row {
        QString path;
        QString box;
    } rows[] = {
        {broken, "Can't import codes from " + broken + ":\n" + broken + ":3: unknown flag 'XMP'"},
        {empty, empty + " holds no codes."},
        {huge, "Can't import codes from " + huge + ":\n" + huge +
                   ": the file is 9.0 MB, more than the 8 MB a file of "
                   "codes may be"},
        {config.filePath("gone.conf"), "Can't import codes from " + config.filePath("gone.conf") + ":\n"},
    };
    for (const Row& row : rows) {
        QString shown;
        answerNextBox(QMessageBox::Ok, &shown);
        frame->importCodes(row.path);
        EXPECT_TRUE(shown.startsWith(row.box)) << shown.toStdString();
    }
    // Keys the board cannot send are marked in red, and say why; cancelled in the
    // dialog, nothing is stored either.
    const QString longMark = writeFile("long_mark.conf",
                                       "begin remote\n  name lm\n  flags RAW_CODES\n  gap 30000\n  begin raw_codes\n"
                                       "    name K_LONG\n      70000 500 600\n    name K_FINE\n      600 500 600\n"
                                       "  end raw_codes\nend remote\n");
    onNextModal<CImportCodesDlg>([](CImportCodesDlg* dialog) {
        const QAbstractItemModel* keys = dialog->table()->model();
        EXPECT_EQ(keys->index(0, 1).data().toString(), "K_LONG (can't be sent)");
        EXPECT_EQ(keys->index(0, 1).data(Qt::ToolTipRole).toString(),
                  "K_LONG\nThe board can't send it: a duration of 70000 us, the board's longest is 65535");
        EXPECT_EQ(keys->index(1, 1).data().toString(), "K_FINE");
        EXPECT_EQ(keys->index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(170, 0, 0));  // dark red
        EXPECT_FALSE(keys->index(1, 1).data(Qt::ForegroundRole).isValid());
        dialog->reject();
    });
    frame->importCodes(longMark);
    EXPECT_FALSE(QDir(config.path() + "/data").exists());
    EXPECT_TRUE(codes().remotes().empty());
}

// Held, a linked key repeats the board's way; a raw key whose repeats
// differ holds its repeat frame.
TEST_F(CodesWindow, ALinkedButtonHeldHoldsItsCode) {
    addToLibrary("nec.lircd.conf");
    addToLibrary("repeat_header.lircd.conf");
    link(Panasonic, 0, {"nec_tv", "KEY_POWER"});
    link(Panasonic, 3, {"repeat_header", "K_9"});
    link(Panasonic, 4, {"nec_tv", "KEY_MUTE"});
    ASSERT_TRUE(connectByClick());

    QTest::mousePress(view(), Qt::LeftButton, {}, pictureButton(0));
    EXPECT_EQ(board.receive(15), "!SNEC:20DF10EF\n");
    QTest::qWait(450);
    QTest::mouseRelease(view(), Qt::LeftButton, {}, pictureButton(0));
    const std::string held = board.receive(100, std::chrono::milliseconds(300));
    EXPECT_TRUE(held == "!K!K!U" || held == "!K!U") << held;

    QTest::mousePress(view(), Qt::LeftButton, {}, pictureButton(3));
    const std::string press = "!SRAW 38000:3000 1000 600 1500 500 500 500 500 500 1500 700 5000 4000 50000\n";
    EXPECT_EQ(board.receive(press.size()), press);
    QTest::qWait(350);
    QTest::mouseRelease(view(), Qt::LeftButton, {}, pictureButton(3));
    EXPECT_EQ(board.receive(100, std::chrono::milliseconds(300)), "!HRAW 38000:3000 1000 8100 2000 700 30000\n!U");

    // Another button pressed while one is held lets the first one go.
    view()->pressButton(0);
    QTest::qWait(450);
    view()->pressButton(3);
    QTest::qWait(350);
    parts->sender.release();
    const std::string both = board.receive(400, std::chrono::milliseconds(300));
    EXPECT_TRUE(both.ends_with(press + "!U!HRAW 38000:3000 1000 8100 2000 700 30000\n!U")) << both;

    click(pictureButton(4));  // linked to a key the remote lacks: nothing else goes out instead
    EXPECT_EQ(status(3), L"3. Can't send KEY_MUTE: the code library has no such key in nec_tv");
    codes::Remote fast;  // a carrier the board cannot make
    fast.name = "fast_tv";
    fast.encoding = codes::Encoding::Raw;
    fast.frequency = 70000;
    fast.keys = {{"KEY_MUTE", {}, {9000, 4500, 560}}};
    ASSERT_EQ(codes().addRemotes({fast}), std::nullopt);
    link(Panasonic, 5, {"fast_tv", "KEY_MUTE"});
    click(pictureButton(5));
    EXPECT_EQ(status(3),
              L"3. Can't send KEY_MUTE: key 'KEY_MUTE': a carrier of 70000 Hz, the board sends 30000 to 60000");
    EXPECT_EQ(nothingMore(), "");
}

TEST_F(CodesWindow, TheKeyboardPressesNamedButtonsLinkedOrNotAndTheTooltipNamesThem) {
    addToLibrary("nec.lircd.conf");
    link(Panasonic, 7, {"nec_tv", "KEY_VOLUMEUP"});
    link(Panasonic, 0, {"nec_tv", "KEY_1"});
    // The picture's first button, named by the user after a digit.
    ASSERT_EQ(codes().changeLinks([](ButtonLinks& links) { links.setName(Panasonic, 0, "KEY_1"); }), std::nullopt);
    ASSERT_TRUE(connectByClick());
    view()->setFocus();
    const struct Row {
        RemoteKind kind;
        Qt::Key key;
        std::string sent;
    } rows[] = {
        {Panasonic, Qt::Key_Plus, "!SNEC:20DF40BF\n"},
        {Panasonic, Qt::Key_Up, keyCodeOf(Panasonic, 34)},
        {Panasonic, Qt::Key_Return, keyCodeOf(Panasonic, 37)},
        {Panasonic, Qt::Key_1, "!SNEC:20DF8877\n"},
        {Panasonic, Qt::Key_5, ""},  // no button of that name
        {SkyTv, Qt::Key_5, keyCodeOf(SkyTv, 35)},
        {SkyTv, Qt::Key_9, keyCodeOf(SkyTv, 39)},
        {SkySky, Qt::Key_0, keyCodeOf(SkySky, 40)},
        {SkySky, Qt::Key_X, ""},
    };
    for (const Row& row : rows) {
        showRemote(row.kind);
        QTest::keyClick(view(), row.key);
        EXPECT_EQ(board.receive(row.sent.size(), std::chrono::milliseconds(row.sent.empty() ? 150 : 3000)), row.sent)
            << row.kind << " " << row.key;
    }

    // "+" tapped with Shift let go first: its release is "=" on the same
    // physical key, and the tap stays one press.
    showRemote(Panasonic);
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::ShiftModifier, 21, 0x2b, 1, QStringLiteral("+"));
    QKeyEvent equal(QEvent::KeyRelease, Qt::Key_Equal, Qt::NoModifier, 21, 0x3d, 0, QStringLiteral("="));
    QApplication::sendEvent(view(), &plus);
    EXPECT_EQ(board.receive(15), "!SNEC:20DF40BF\n");
    QApplication::sendEvent(view(), &equal);
    EXPECT_EQ(board.receive(100, std::chrono::milliseconds(KeyHold::kHoldAfterMs + 200)), "");

    // A key held down whose release goes to another window: let go once it
    // stops repeating.
    QTest::keyPress(view(), Qt::Key_Plus);
    EXPECT_EQ(board.receive(15), "!SNEC:20DF40BF\n");
    QTest::qWait(1300);
    const std::string held = board.receive(100, std::chrono::milliseconds(200));
    EXPECT_TRUE(held.starts_with("!K!K!K!K!K") && held.ends_with("!K!U")) << held;

    for (const auto& [index, tip] :
         {std::pair{7, "KEY_VOLUMEUP (nec_tv)"}, std::pair{0, "KEY_1 (nec_tv)"}, std::pair{34, "KEY_UP"}}) {
        EXPECT_EQ(tipAt(pictureButton(index)), tip);
    }

    // A link changes what a button sends, not what it is: the picture's arrows
    // and OK linked to keys of other names keep their keyboard keys, and a
    // later import still finds them by the picture's names.
    const std::string file = writeFlipperFile("flipper.ir", {"Up_arrow", "Enter", "Guide"}).toStdString();
    ASSERT_EQ(codes().addRemotes(codes::readCodesFile(file)), std::nullopt);
    const struct Linked {
        RemoteKind kind;
        int index;
        std::string key;
        Qt::Key pressed;
        std::string tip;
    } linked[] = {
        {Panasonic, 34, "Up_arrow", Qt::Key_Up, "KEY_UP (Up_arrow in flipper)"},
        {SkySky, 22, "Enter", Qt::Key_Return, "KEY_OK (Enter in flipper)"},
        {SkySky, 19, "Guide", Qt::Key_Up, "KEY_UP (Guide in flipper)"},
    };
    for (const Linked& row : linked) {
        link(row.kind, row.index, {"flipper", row.key});
        showRemote(row.kind);
        QTest::keyClick(view(), row.pressed);
        const auto [remote, key] = codes().find({"flipper", row.key});
        const std::string sent = codes::boardMessages(*remote, *key).press;
        EXPECT_EQ(board.receive(sent.size()), sent) << row.key;
        EXPECT_EQ(tipAt(pictureButton(row.index)).toStdString(), row.tip);
    }

    // On Sky's picture.
    EXPECT_EQ(linksOffered(writeFlipperFile("later.ir", {"KEY_UP", "KEY_OK"})),
              (ButtonKeys{{19, "KEY_UP"}, {22, "KEY_OK"}}));
}

// The names the big collections give their keys (LIRC's namespace,
// Flipper's files) link to the buttons of their meaning; a sign is never an
// arrow, and a key of the button's own name beats one standing in for it.
TEST_F(CodesWindow, ImportLinksTheCollectionsNamesByTheirMeaning) {
    const struct Row {
        RemoteKind picture;
        std::vector<std::string> keys;  // as the file has them
        ButtonKeys linked;
    } rows[] = {
        {SkySky,  // an LG file of Flipper's
         {"Power", "-", "Down", "Up", "Enter", "Vol_up", "Vol_dn", "Ch_next", "Ch_prev", "Mute", "1"},
         {{2, "Power"}, {19, "Up"}, {22, "Enter"}, {24, "Down"}, {31, "1"}}},
        {Panasonic,  // Sony's
         {"+", "Enter", "Up_arrow", "Down_arrow", "Left_arrow", "Right_arrow", "Ok"},
         {{34, "Up_arrow"}, {36, "Left_arrow"}, {37, "Ok"}, {38, "Right_arrow"}, {40, "Down_arrow"}}},
        {SkyTv,
         {"KEY_MINUS", "CH-", "KEY_SELECT", "KEY_NUMERIC_5", "KEY_RED", "P+", "<"},
         {{22, "KEY_SELECT"}, {27, "KEY_RED"}, {35, "KEY_NUMERIC_5"}}},
        {Panasonic, {"KEY_POWER", "Power"}, {{0, "KEY_POWER"}}},  // of two alike, the first
    };
    // The window shows Sky's picture; the dialog's choice counts.
    view()->selectRemote(SkySky);
    for (const Row& row : rows)
        EXPECT_EQ(linksOffered(writeFlipperFile("remote.ir", row.keys), row.picture), row.linked) << row.keys[0];
}

TEST_F(CodesWindow, ExportOneRemoteInTheFormatItsNameAsksFor) {
    QString shown;
    answerNextBox(QMessageBox::Ok, &shown);
    frame->action(command::ExportCodes)->trigger();
    EXPECT_EQ(shown, "You have no codes to export yet: import a file of codes first.");

    addToLibrary("nec.lircd.conf");
    QTemporaryDir out;
    // The only remote goes without a question.
    answerCommand<QFileDialog>(command::ExportCodes,
                               [&](QFileDialog* dialog) { testing::typeFileName(dialog, out.filePath("one.ir")); });
    EXPECT_TRUE(QFile::exists(out.filePath("one.ir")));
    addToLibrary("rc5.lircd.conf");
    for (const QString name : {"tv.ir", "tv.txt", "tv.lircd.conf"}) {
        onNextModal<QInputDialog>([](QInputDialog* dialog) {
            EXPECT_EQ(
                dialog->comboBoxItems(),
                QStringList({"All remotes", "nec_tv",
                             codes::readCodesFile((kRemotes + "/rc5.lircd.conf").toStdString())[0].name.c_str()}));
            dialog->setTextValue("nec_tv");
            dialog->accept();
        });
        answerCommand<QFileDialog>(command::ExportCodes,
                                   [&](QFileDialog* dialog) { testing::typeFileName(dialog, out.filePath(name)); });

        // Read back, every key sends what it sent before. Pronto counts in
        // carrier periods, and a raw key read from it sends its
        // repeat frame after its press, as LIRC's pronto2lirc makes it.
        const auto written = codes::readCodesFile(out.filePath(name).toStdString());
        const codes::Remote& nec = codes().remotes()[0];
        ASSERT_EQ(written.size(), 1u) << name.toStdString();
        ASSERT_EQ(written[0].keys.size(), nec.keys.size()) << name.toStdString();
        for (size_t k = 0; k < nec.keys.size(); ++k) {
            const auto back = codes::encode(written[0], written[0].keys[k]).press;
            const auto sent = codes::encode(nec, nec.keys[k]).press;
            ASSERT_EQ(back.size(), sent.size() + (name == "tv.txt" ? 4 : 0)) << name.toStdString();
            for (size_t i = 0; i < sent.size(); ++i)
                EXPECT_NEAR(back[i], sent[i], std::max(sent[i] / 100.0, 14.0))  // half a period at 38 kHz
                    << name.toStdString() << " " << nec.keys[k].name;
        }
    }

    // A folder that takes no files: the file is named, then why.
    onNextModal<QInputDialog>([](QInputDialog* dialog) { dialog->accept(); });
    answerNextBox(QMessageBox::Ok, &shown);
    answerCommand<QFileDialog>(command::ExportCodes,
                               [&](QFileDialog* dialog) { testing::typeFileName(dialog, "/proc/tv.ir"); });
    EXPECT_TRUE(shown.startsWith("Can't write /proc/tv.ir:\n")) << shown.toStdString();
}

// The board's monitor line for a frame, and its value line when it decodes.
std::string boardLines(const std::vector<uint32_t>& durations, const std::string& code = {}) {
    std::string line;
    for (uint32_t d : durations) line += (line.empty() ? "" : "\t") + std::to_string(d);
    return line + "x" + (code.empty() ? "" : code + "Y");
}

const std::vector<uint32_t> kNecPower =
    codes::encode(codes::protocolRemote(codes::Protocol::Nec), codes::Key{"K", {0x20DF10EF}, {}}).press;

TEST_F(CodesWindow, LearnAButtonFromItsMenuUntilTheBoardIsPulled) {
    // Without the board, a box says what to do and no learning starts.
    QString shown;
    bool opened = false;
    answerNextBox(QMessageBox::Ok, &shown);
    const QPointer<QTimer> learning = onNextModal<CLearnDlg>([&](CLearnDlg* dialog) {
        opened = true;
        dialog->reject();
    });
    itemNamed(view()->contextMenuAt(pictureButton(5)), "&Learn from a remote...")->trigger();
    delete learning;
    EXPECT_EQ(shown, "Connect to the board first: keys are learned through its receiver.");
    EXPECT_FALSE(opened);

    ASSERT_TRUE(connectByClick());
    board.send(boardLines(kNecPower, "NEC:20DF10EF"));  // heard before the learn: not learned
    QTest::qWait(300);
    const QStringList edit{"Cu&t\tCtrl+X (off)", "&Copy\tCtrl+C (off)", "&Paste\tCtrl+V (off)"};
    EXPECT_EQ(itemsOf(view()->contextMenuAt(QPoint(10, 10))), edit);  // off the buttons
    QMenu* menu = view()->contextMenuAt(pictureButton(5));
    EXPECT_EQ(itemsOf(menu), QStringList({"&Learn from a remote...", "&Name...", "Lin&k to a key...",
                                          "Copy as &Pronto (off)", "&Forget (off)", "-"}) +
                                 edit);

    // Two presses with NEC's repeat frame and a fragment between them.
    QStringList said;
    answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
        said << dialog->prompt();
        // It waits as long as it says.
        QTest::qWait(300);
        EXPECT_EQ(dialog->heard(), "Waiting for the remote, for up to 20 seconds.");
        EXPECT_EQ(dialog->findChild<QTimer*>("wait")->interval(), 20 * 1000);
        board.send(boardLines(kNecPower, "NEC:20DF10EF"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->heard().startsWith("Heard"); }, 3000));
        said << dialog->heard();
        board.send(boardLines({9000, 2250, 560}, "NEC repeat") + boardLines({420, 380}) +
                   boardLines(kNecPower, "NEC:20DF10EF"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->heard().startsWith("Learned"); }, 3000));
        said << dialog->heard();
        // Learned, the key no longer runs out of time: the dialog waits for Done.
        dialog->findChild<QTimer*>("wait")->setInterval(1);  // a wait still running ends now
        QTest::qWait(50);
        EXPECT_TRUE(dialog->isVisible());
        QTest::mouseClick(buttonNamed(*dialog, "&Done"), Qt::LeftButton);
    });
    EXPECT_EQ(said, QStringList({"Point the remote at the board and press the key for button 5.",
                                 "Heard NEC:20DF10EF. Press the key again.", "Learned NEC:20DF10EF for button 5."}));
    EXPECT_FALSE(connection->learning());
    EXPECT_FALSE(QFile::exists(config.path() + "/keycodes.txt"));  // nothing learned is logged

    EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"panasonic-learned-nec", "BUTTON_5"}));
    EXPECT_TRUE(QFile::exists(config.path() + "/data/remotes/panasonic-learned.lircd.conf"));
    click(pictureButton(5));
    EXPECT_EQ(board.receive(15), "!SNEC:20DF10EF\n");

    // Cancelled, a second learn leaves the first as it was.
    answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
        board.send(boardLines({3000, 1000, 600, 1500, 500}));
        QTest::qWait(100);
        dialog->reject();
    });
    EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"panasonic-learned-nec", "BUTTON_5"}));
    EXPECT_EQ(codes().remotes().size(), 1u);
    EXPECT_FALSE(connection->learning());
    // Left waiting, a learn ends when its time is up, and says so.
    answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
        answerNextBox(QMessageBox::Ok, &shown);
        dialog->findChild<QTimer*>("wait")->setInterval(1);
    });
    EXPECT_EQ(shown, "No key came from the remote within 20 seconds. Nothing was learned.");
    EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"panasonic-learned-nec", "BUTTON_5"}));

    // Learned again as a frame of no protocol, then as NEC again: the key
    // keeps its name, in the remote its form names, so LIRC's clients can
    // rely on both.
    const std::vector<uint32_t> raw{3000, 1000, 600, 1500, 500, 500, 500, 500, 500, 1500, 700};
    const struct Relearn {
        std::vector<uint32_t> frame;
        const char* remote;
    } relearns[] = {{raw, "panasonic-learned-raw"}, {kNecPower, "panasonic-learned-nec"}};
    for (const Relearn& relearn : relearns) {
        answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
            board.send(boardLines(relearn.frame));
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->heard().startsWith("Heard"); }, 3000));
            board.send(boardLines(relearn.frame));
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->heard().startsWith("Learned"); }, 3000));
            QTest::mouseClick(buttonNamed(*dialog, "&Done"), Qt::LeftButton);
        });
        EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{relearn.remote, "BUTTON_5"}));
        EXPECT_EQ(codes().remotes().size(), 1u);  // the other form's remote is gone with its only key
    }

    // A file that cannot be written keeps the key as it was, and a box says why.
    const QString file = config.path() + "/data/remotes/panasonic-learned.lircd.conf";
    ASSERT_TRUE(QFile::rename(file, file + ".kept") && QDir().mkdir(file));
    // The window at the screen's right edge: the dialog stands left of the picture.
    const QRect screen = frame->screen()->availableGeometry();
    frame->resize(screen.width() / 2, frame->height());
    frame->move(screen.right() - frame->frameGeometry().width(), frame->y());
    answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
        const QPoint pictureLeft = view()->mapToGlobal(QPoint(view()->state().geometry.xOffset, 0));
        const int gap = pictureLeft.x() - dialog->frameGeometry().right();
        EXPECT_TRUE(gap > 0 && gap < 20) << gap;
        answerNextBox(QMessageBox::Ok, &shown);
        board.send(boardLines(kNecPower) + boardLines(kNecPower));
    });
    EXPECT_TRUE(shown.startsWith("Can't write ")) << shown.toStdString();
    EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"panasonic-learned-nec", "BUTTON_5"}));
    ASSERT_TRUE(QDir().rmdir(file) && QFile::rename(file + ".kept", file));

    // A board pulled out while a key is learned ends the learning: nothing is
    // left waiting for a remote the board can no longer hear.
    bool closed = false;
    answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
        board.hangUp();
        closed = QTest::qWaitFor([&] { return !dialog->isVisible(); }, 3000);
        if (!closed) dialog->reject();
    });
    EXPECT_TRUE(closed);
    EXPECT_FALSE(connection->connected());
    EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"panasonic-learned-nec", "BUTTON_5"}));
}

// Of a flood the window takes at once, only the last 200 frames go to the
// capture log; frames of other lengths in turn, so that none folds into
// the row before.
TEST_F(CodesWindow, OfAFloodTheLast200FramesOfATakeAreLogged) {
    ASSERT_TRUE(connectByClick());
    frame->action(command::SelectIrMonitor)->trigger();
    std::string flood;
    for (uint32_t i = 0; i < 300; ++i)
        flood += boardLines(i % 2 ? std::vector<uint32_t>{1000 + i, 500, 600} : std::vector<uint32_t>{1000 + i, 500},
                            i == 150 ? "NEC:20DF10EF" : "");
    const long before = connection->linesReceived();
    board.send(flood);
    // The window does not take lines meanwhile: they wait for one take.
    QElapsedTimer waited;
    waited.start();
    while (connection->linesReceived() < before + 301 && waited.elapsed() < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(connection->linesReceived(), before + 301);
    // The reader counts the lines before it tells the window, so wait for the take.
    const codes::CaptureLog& log = view()->capturePanel()->log();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.size() > 0; }, 3000));
    ASSERT_EQ(log.size(), 200u);
    EXPECT_EQ(log.row(0).frame.durations.front(), 1299u);
    EXPECT_EQ(log.row(199).frame.durations.front(), 1100u);
}

// Through a receiver that stretches marks by 100 µs, a learned frame whose
// own durations cannot tell that loses the excess measured on the frame the
// IR Monitor saw decoded before.
TEST_F(CodesWindow, ALearnedFrameLosesTheExcessOfTheFramesDecodedBefore) {
    ASSERT_TRUE(connectByClick());
    const auto heard = [](const std::vector<uint32_t>& sent) { return sim::Receiver({100, 0}, 1).receive(sent); };
    frame->action(command::SelectIrMonitor)->trigger();
    board.send(boardLines(heard(kNecPower), "NEC:20DF10EF"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(config.path() + "/keycodes.txt"); }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view()->receiverExcess().estimate().has_value(); }, 3000));
    EXPECT_EQ(view()->receiverExcess().estimate(), 100);
    frame->action(command::SelectPanasonic)->trigger();

    const std::vector<uint32_t> irregular = {3000, 1000, 600, 1500, 500, 500, 500, 1500, 700, 700, 1400};
    answerButton5Item<CLearnDlg>("&Learn from a remote...", [&](CLearnDlg* dialog) {
        board.send(boardLines(heard(irregular)) + boardLines(heard(irregular)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->heard().startsWith("Learned"); }, 3000));
        QTest::mouseClick(buttonNamed(*dialog, "&Done"), Qt::LeftButton);
    });
    click(pictureButton(5));
    const std::string sent = "!SRAW 38000:3000 1000 600 1500 500 500 500 1500 700 700 1400";
    EXPECT_EQ(board.receive(sent.size()), sent);
}

// Tools > Learn a remote: button by button, framed on the picture, with
// Skip and Back; what is learned goes into one file, each key under a name
// of its own though two buttons share one.
TEST_F(CodesWindow, LearnAWholeRemoteWithSkipAndBack) {
    ASSERT_TRUE(connectByClick());
    const auto oneName = [](ButtonLinks& links) {
        for (int index : {1, 2}) links.setName(Panasonic, index, "KEY_MUTE");
    };
    ASSERT_EQ(codes().changeLinks(oneName), std::nullopt);
    const auto press = [](uint64_t code) {
        return boardLines(
            codes::encode(codes::protocolRemote(codes::Protocol::Nec), codes::Key{"K", {code}, {}}).press);
    };
    std::vector<int> framed;
    answerCommand<CLearnDlg>(command::LearnRemote, [&](CLearnDlg* dialog) {
        auto learn = [&](uint64_t code) {
            const int before = dialog->learnedCount();
            board.send(press(code) + press(code));
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->learnedCount() > before; }, 3000)) << std::hex << code;
        };
        framed.push_back(view()->state().highlightedButton);
        EXPECT_TRUE(dialog->prompt().startsWith("Button 1 of 54. ")) << dialog->prompt().toStdString();
        // Beside the picture, not over the framed button.
        const PictureGeometry& picture = view()->state().geometry;
        const QRect shown(view()->mapToGlobal(QPoint(picture.xOffset, 0)),
                          QSize(picture.drawnWidth(), picture.drawnHeight()));
        EXPECT_FALSE(dialog->frameGeometry().intersects(shown));
        QAbstractButton* back = buttonNamed(*dialog, "&Back");
        EXPECT_FALSE(back->isEnabled());  // nothing before the first button
        learn(0x20DF10EF);                // button 0, then on to 1
        framed.push_back(view()->state().highlightedButton);
        EXPECT_TRUE(back->isEnabled());
        // No key for a while: the pass says so and waits on.
        dialog->findChild<QTimer*>("wait")->setInterval(1);
        QTest::qWait(50);
        EXPECT_TRUE(dialog->prompt().endsWith(" (KEY_MUTE).\nNo key came for 20 seconds."))
            << dialog->prompt().toStdString();
        EXPECT_TRUE(dialog->isVisible());
        dialog->findChild<QTimer*>("wait")->setInterval(20000);
        QTest::mouseClick(buttonNamed(*dialog, "&Skip"), Qt::LeftButton);  // 1 skipped
        framed.push_back(view()->state().highlightedButton);
        QTest::mouseClick(buttonNamed(*dialog, "&Back"), Qt::LeftButton);  // back to 1
        framed.push_back(view()->state().highlightedButton);
        learn(0x20DF8877);  // button 1
        learn(0x20DF48B7);  // button 2
        framed.push_back(view()->state().highlightedButton);
        // The rest skipped: past the last button the pass ends as Finish ends it.
        size_t skipped = 0;
        for (; skipped < 60 && dialog->isVisible(); ++skipped)
            QTest::mouseClick(buttonNamed(*dialog, "&Skip"), Qt::LeftButton);
        EXPECT_EQ(skipped, clickAreas(Panasonic).size() - 3);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    });
    EXPECT_EQ(framed, std::vector<int>({0, 1, 2, 1, 3}));
    EXPECT_EQ(view()->state().highlightedButton, -1);
    const std::pair<int, std::string> learned[] = {{0, "KEY_POWER"}, {1, "KEY_MUTE"}, {2, "KEY_MUTE_2"}};
    for (const auto& [index, key] : learned)
        EXPECT_EQ(codes().links().link(Panasonic, index), (LinkedKey{"panasonic-learned-nec", key})) << index;
    EXPECT_EQ(codes().links().link(Panasonic, 3), std::nullopt);
    EXPECT_EQ(QDir(config.path() + "/data/remotes").entryList(QDir::Files),
              QStringList({"panasonic-learned.lircd.conf"}));
}

TEST_F(CodesWindow, NameLinkCopyAndForgetFromTheButtonsMenu) {
    addToLibrary("nec.lircd.conf");
    answerButton5Item<CNameDlg>("&Name...", [](CNameDlg* dialog) {
        QTest::keyClicks(dialog->nameEdit(), "KEY_MUTE");
        QTest::mouseClick(buttonNamed(*dialog, "OK"), Qt::LeftButton);
    });
    EXPECT_EQ(codes().links().shownName(Panasonic, 5), "KEY_MUTE");

    answerButton5Item<CLinkKeyDlg>("Lin&k to a key...", [](CLinkKeyDlg* dialog) {
        QTest::keyClicks(dialog->searchEdit(), "VOLUMEUP");
        QTest::mouseClick(buttonNamed(*dialog, "Link"), Qt::LeftButton);
    });
    EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"nec_tv", "KEY_VOLUMEUP"}));

    QMenu* menu = view()->contextMenuAt(pictureButton(5));
    itemNamed(menu, "Copy as &Pronto")->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("0000 006D 0022 0002 0156 00AB "))
        << QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(status(3), L"3. KEY_VOLUMEUP copied as Pronto");
    const auto linkTo = [this](const char* key) {
        ASSERT_EQ(codes().changeLinks([&](ButtonLinks& links) {
            links.setLink(Panasonic, 5, {"nec_tv", key});
        }),
                  std::nullopt);
    };
    linkTo("KEY_GONE");  // a key no longer in the library
    itemNamed(view()->contextMenuAt(pictureButton(5)), "Copy as &Pronto")->trigger();
    EXPECT_EQ(status(3), L"3. Can't copy KEY_GONE as Pronto: the code library has no such key in nec_tv");
    linkTo("KEY_VOLUMEUP");
    // Forget asks first: No keeps both.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        answerButton5Item<QMessageBox>("&Forget", [answer](QMessageBox* box) {
            EXPECT_EQ(box->text(), "Forget the name and the link of button 5 (KEY_MUTE)?");
            QTest::mouseClick(box->button(answer), Qt::LeftButton);
        });
        if (answer == QMessageBox::No) {
            EXPECT_EQ(codes().links().link(Panasonic, 5), (LinkedKey{"nec_tv", "KEY_VOLUMEUP"}));
        }
    }
    EXPECT_EQ(codes().links().link(Panasonic, 5), std::nullopt);
    EXPECT_EQ(codes().links().shownName(Panasonic, 5), "");
    EXPECT_EQ(itemsOf(view()->contextMenuAt(pictureButton(5))).mid(3, 2),
              QStringList({"Copy as &Pronto (off)", "&Forget (off)"}));
}

// irsend, with the event loop going so that the window answers it: its
// exit status and what it printed.
std::pair<int, std::string> irsend(const QString& socket, const QStringList& arguments) {
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start("irsend", QStringList{"-d", socket} + arguments);
    if (!finished.wait(20000)) {
        process.kill();
        process.waitForFinished();
        return {-1, "no answer"};
    }
    return {process.exitCode(), process.readAllStandardOutput().toStdString()};
}

// LIRC's clients send through the window as clicks do, whatever it shows:
// the pictures' buttons by name or key code, linked or not, and the
// library's keys; SEND_START holds a key until SEND_STOP.
TEST_F(CodesWindow, IrsendDrivesTheWindow) {
    addToLibrary("nec.lircd.conf");
    link(Panasonic, 7, {"nec_tv", "KEY_1"});
    QTemporaryDir runtime;
    const QString socket = runtime.filePath("lircd");
    lircd::LircdServer server(parts->lircTarget);
    ASSERT_EQ(server.listenLocal(socket), "");

    EXPECT_EQ(irsend(socket, {"LIST", "", ""}),
              std::pair(0, std::string("panasonic\nsky\nsky-tv\ntechnika\nnec_tv\n\n")));
    const std::string keys = irsend(socket, {"LIST", "panasonic", ""}).second;
    const std::string first = "000000000000a100 KEY_POWER\n000000000000a100 A100\n000000000000a101 A101\n";
    EXPECT_EQ(keys.substr(0, first.size()), first);
    EXPECT_NE(keys.find("000000000000a107 KEY_1\n000000000000a107 A107\n"), std::string::npos) << keys;
    EXPECT_EQ(irsend(socket, {"SEND_ONCE", "panasonic", "A101"}),
              std::pair(1, std::string("not connected to the board\n\n")));

    // Connected with no click on the window, as the board watch connects:
    // the first key is the first thing the sender does.
    QSignalSpy connected(connection, &SerialConnection::connectFinished);
    connection->startConnect();
    ASSERT_TRUE(connected.wait(10000) && connection->connected());
    frame->action(command::SelectIrMonitor)->trigger();
    const struct Row {
        QStringList arguments;
        std::string sent;
    } rows[] = {
        {{"SEND_ONCE", "panasonic", "A101"}, "A101"},
        {{"SEND_ONCE", "panasonic", "KEY_POWER"}, keyCodeOf(Panasonic, 0)},
        {{"SEND_ONCE", "sky-tv", "KEY_5"}, keyCodeOf(SkyTv, 35)},
        {{"SEND_ONCE", "panasonic", "A107"}, "!SNEC:20DF8877\n"},  // linked
        {{"SEND_ONCE", "nec_tv", "KEY_VOLUMEUP"}, "!SNEC:20DF40BF\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(irsend(socket, row.arguments).first, 0) << row.arguments.join(' ').toStdString();
        EXPECT_EQ(board.receive(row.sent.size()), row.sent) << row.arguments.join(' ').toStdString();
    }
    EXPECT_EQ(status(1), L"1. KEY_VOLUMEUP (nec_tv)");
    EXPECT_EQ(nothingMore(), "");

    EXPECT_EQ(irsend(socket, {"SEND_START", "nec_tv", "KEY_POWER"}).first, 0);
    EXPECT_EQ(board.receive(15), "!SNEC:20DF10EF\n");
    // Held until SEND_STOP, or as long as lircd's 600 repeats take.
    EXPECT_GT(parts->lircTarget.findChild<QTimer*>()->remainingTime(), 60000);
    EXPECT_EQ(irsend(socket, {"SEND_ONCE", "nec_tv", "KEY_1"}), std::pair(1, std::string("busy: repeating\n\n")));
    // Only the key held lets go of it: not another key, nor its name on another remote.
    for (const QStringList& other : {QStringList{"nec_tv", "KEY_1"}, QStringList{"panasonic", "KEY_POWER"}})
        EXPECT_EQ(irsend(socket, QStringList{"SEND_STOP"} + other),
                  std::pair(1, std::string("specified code does not match\n\n")));
    QTest::qWait(550);
    EXPECT_EQ(irsend(socket, {"SEND_STOP", "nec_tv", "KEY_POWER"}).first, 0);
    const std::string held = board.receive(100, std::chrono::milliseconds(200));
    EXPECT_TRUE(held.starts_with("!K!K") && held.ends_with("!K!U")) << held;

    // Repeats: the key held for as long as they take.
    EXPECT_EQ(irsend(socket, {"--count=3", "SEND_ONCE", "panasonic", "A101"}).first, 0);
    QTest::qWait(800);
    const std::string repeated = board.receive(100, std::chrono::milliseconds(200));
    EXPECT_TRUE(repeated == "A101!K!K!K!U" || repeated == "A101!K!K!K!K!U") << repeated;  // 630 ms
}

TEST(ImportHandover, TheRunningWindowTakesTheFile) {
    QTemporaryDir runtime;
    const QString address = runtime.filePath("import");
    ImportHandover running;
    ASSERT_TRUE(running.listen(address));
    ImportHandover another;
    EXPECT_FALSE(another.listen(address));  // one window takes them

    QSignalSpy requested(&running, &ImportHandover::importRequested);
    // The second program waits for the answer while the first one's loop runs.
    std::atomic<bool> handed = false;
    std::thread second([&] { handed = ImportHandover::handOver("codes/tv.conf", address); });
    EXPECT_TRUE(requested.wait(5000));
    second.join();
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested[0][0].toString(), QDir::current().absoluteFilePath("codes/tv.conf"));
    EXPECT_TRUE(handed);
    EXPECT_FALSE(ImportHandover::handOver("tv.conf", runtime.filePath("nobody")));
}

}  // namespace
}  // namespace orvalinder
