// A button's Name and Link dialogs driven through their controls, and their
// flows on a code library in a temporary folder, message boxes scripted.

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/dialogs/link_key_dlg.h"
#include "app/dialogs/name_dlg.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/modal.h"
#include "tests/support/scripted_platform.h"

// Texts in failures as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace orvalinder {
namespace {

using testing::buttonNamed;
using testing::onNextModal;

// Types as the user does: the box's text selected first, so typing replaces it.
void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

QStringList shownNames(const QListWidget* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        if (!list->isRowHidden(row)) names << list->item(row)->text();
    return names;
}

// The keys shown, "remote/key".
// The rows the user sees: each remote shown, then its keys shown.
QStringList shownRows(const QTreeWidget* tree) {
    QStringList rows;
    for (int r = 0; r < tree->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* remote = tree->topLevelItem(r);
        if (remote->isHidden()) continue;
        rows << remote->text(0);
        for (int k = 0; k < remote->childCount(); ++k)
            if (!remote->child(k)->isHidden()) rows << remote->text(0) + "/" + remote->child(k)->text(0);
    }
    return rows;
}

codes::Remote remote(const std::string& name, const std::vector<std::string>& keys) {
    codes::Remote remote;
    remote.name = name;
    remote.bits = 32;
    remote.one = {560, 1690};
    remote.zero = {560, 560};
    for (const std::string& key : keys) remote.keys.push_back({key, {0x20DF10EF}, {}});
    return remote;
}

// Two remotes; the second repeats a name, as Flipper's files do.
const std::vector<codes::Remote> kLibrary = {remote("nec_tv", {"KEY_POWER", "KEY_VOLUMEUP"}),
                                             remote("sky-box", {"KEY_POWER", "KEY_MUTE", "KEY_MUTE"})};

TEST(NameDialog, TypingFindsLircsNamesAndChoosingOneFillsTheBox) {
    CNameDlg dialog("");
    dialog.show();
    EXPECT_LE(dialog.width(), 360);  // its hint wraps rather than widening it
    const struct Row {
        QString typed;
        QStringList shown;
    } rows[] = {
        {"vol+", {"KEY_VOLUMEUP"}},
        {"brl_dot1", {"KEY_BRL_DOT1", "KEY_BRL_DOT10"}},
        {"Netflix", {}},
    };
    for (const Row& row : rows) {
        typeInto(dialog.nameEdit(), row.typed);
        EXPECT_EQ(shownNames(dialog.keyNames()), row.shown) << row.typed.toStdString();
        EXPECT_EQ(dialog.nameEdit()->text(), row.typed);
    }
    typeInto(dialog.nameEdit(), "");
    EXPECT_EQ(shownNames(dialog.keyNames()).size(), dialog.keyNames()->count());
    const CNameDlg named("KEY_MUTE");  // opened on a name of LIRC's, the list shows it
    const QListWidgetItem* current = named.keyNames()->currentItem();
    EXPECT_EQ(current ? current->text() : QString(), "KEY_MUTE");

    // A click fills the box and leaves the list; Enter on the list takes it.
    typeInto(dialog.nameEdit(), "brl_dot1");
    QListWidget* list = dialog.keyNames();
    const QListWidgetItem* dot10 = list->findItems("KEY_BRL_DOT10", Qt::MatchExactly).front();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(dot10).center());
    EXPECT_EQ(dialog.nameEdit()->text(), "KEY_BRL_DOT10");
    EXPECT_EQ(shownNames(list).size(), 2);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(dialog.nameEdit()->text(), "KEY_BRL_DOT1");
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(testing::closedWith(dialog, QDialog::Accepted));
    EXPECT_EQ(dialog.name(), "KEY_BRL_DOT1");
}

TEST(LinkDialog, ASearchFindsKeysByTheirOrTheirRemotesName) {
    CLinkKeyDlg dialog(kLibrary, LinkedKey{"sky-box", "KEY_MUTE"});
    dialog.show();
    const struct Row {
        QString typed;
        QStringList shown;
        std::optional<LinkedKey> chosen;  // the button's link while it shows, else the first key shown
    } rows[] = {
        {"",
         {"nec_tv", "nec_tv/KEY_POWER", "nec_tv/KEY_VOLUMEUP", "sky-box", "sky-box/KEY_POWER", "sky-box/KEY_MUTE"},
         LinkedKey{"sky-box", "KEY_MUTE"}},
        {"sky box", {"sky-box", "sky-box/KEY_POWER", "sky-box/KEY_MUTE"}, LinkedKey{"sky-box", "KEY_MUTE"}},
        {"power", {"nec_tv", "nec_tv/KEY_POWER", "sky-box", "sky-box/KEY_POWER"}, LinkedKey{"nec_tv", "KEY_POWER"}},
        {"netflix", {}, std::nullopt},
    };
    for (const Row& row : rows) {
        typeInto(dialog.searchEdit(), row.typed);
        EXPECT_EQ(shownRows(dialog.keys()), row.shown) << row.typed.toStdString();
        EXPECT_EQ(dialog.chosenKey(), row.chosen) << row.typed.toStdString();
        EXPECT_EQ(buttonNamed(dialog, "Link")->isEnabled(), row.chosen.has_value()) << row.typed.toStdString();
    }
    // A remote's own row is no key: a click there chooses nothing.
    typeInto(dialog.searchEdit(), "");
    QTreeWidget* tree = dialog.keys();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(0)).center());
    EXPECT_TRUE(tree->selectedItems().isEmpty());
    EXPECT_FALSE(buttonNamed(dialog, "Link")->isEnabled());
    CLinkKeyDlg unlinked(kLibrary, std::nullopt);
    EXPECT_FALSE(buttonNamed(unlinked, "Link")->isEnabled());  // no key chosen yet
    // A key double-clicked is linked.
    unlinked.show();
    const QTreeWidgetItem* volume = unlinked.keys()->topLevelItem(0)->child(1);
    const QPoint at = unlinked.keys()->visualItemRect(volume).center();
    QTest::mouseClick(unlinked.keys()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(unlinked.keys()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(testing::closedWith(unlinked, QDialog::Accepted));
    EXPECT_EQ(unlinked.chosenKey(), (LinkedKey{"nec_tv", "KEY_VOLUMEUP"}));
}

// The flows on a library in a temporary folder, read back by a second
// ButtonCodes as the next start of the program would.
class ButtonMenuFlows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_EQ(codes.addRemotes(kLibrary), std::nullopt);
    }
    ButtonLinks stored() const {
        ButtonCodes again(folder.path());
        EXPECT_EQ(again.load(), QStringList());
        return again.links();
    }

    QTemporaryDir folder;
    ButtonCodes codes{folder.path()};
    testing::ModalWatchdog watchdog;
    testing::ScriptedBoxes boxes;
    testing::ScriptedPicker picker;
    testing::ScriptedFolders folders;
    Platform platform{boxes, picker, folders};
};

// Each remote in a file of its own, named after it as every system allows;
// a key saved to a learned remote joins the keys it had.
TEST_F(ButtonMenuFlows, RemotesAreStoredInFilesNamedAfterThem) {
    ASSERT_EQ(codes.addRemotes(
                  {remote("zulu.tv_aAZ09", {"KEY_1"}), remote("Living room/TV?", {"KEY_1"}), remote(".hidden", {"KEY_1"})}),
              std::nullopt);
    ASSERT_EQ(codes.saveKey("learned", remote("", {}), {"KEY_1", {1}, {}}), std::nullopt);
    ASSERT_EQ(codes.saveKey("learned", remote("", {}), {"KEY_2", {2}, {}}), std::nullopt);
    EXPECT_EQ(QDir(folder.path() + "/remotes").entryList(QDir::Files, QDir::Name),
              (QStringList{"Living_room_TV_.lircd.conf", "learned.lircd.conf", "nec_tv.lircd.conf",
                           "remote.hidden.lircd.conf", "sky-box.lircd.conf", "zulu.tv_aAZ09.lircd.conf"}));
    EXPECT_TRUE(codes.find({"learned", "KEY_1"}).second && codes.find({"learned", "KEY_2"}).second);
}

TEST_F(ButtonMenuFlows, NamingStoresTheTrimmedTextAndEmptyGivesTheNameBack) {
    const struct Step {
        QString opensWith, typed, button;
        bool changed;
        std::string shown;  // what the power button is called afterwards
    } steps[] = {
        {"", "  Netflix ", "OK", true, "Netflix"},
        {"Netflix", "Other", "Cancel", false, "Netflix"},
        {"Netflix", "Netflix", "OK", false, "Netflix"},
        {"Netflix", "", "OK", true, "KEY_POWER"},  // the picture's own name again
    };
    for (const Step& step : steps) {
        QString opened;
        onNextModal<CNameDlg>([&](CNameDlg* dialog) {
            opened = dialog->nameEdit()->text();
            EXPECT_EQ(dialog->nameEdit()->selectedText(), opened);  // typing replaces it
            typeInto(dialog->nameEdit(), step.typed);
            QTest::mouseClick(buttonNamed(*dialog, step.button), Qt::LeftButton);
        });
        EXPECT_EQ(nameButton(nullptr, platform, codes, Panasonic, 0), step.changed) << step.typed.toStdString();
        EXPECT_EQ(opened, step.opensWith);
        EXPECT_EQ(codes.links().shownName(Panasonic, 0), step.shown);
        EXPECT_EQ(stored().shownName(Panasonic, 0), step.shown);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ButtonMenuFlows, LinkingStoresTheChosenKeyAndReopensOnIt) {
    const struct Step {
        QString typed, button;
        bool changed;
        std::optional<LinkedKey> opensOn, link;
    } steps[] = {
        {"mute", "Link", true, std::nullopt, LinkedKey{"sky-box", "KEY_MUTE"}},
        {"power", "Cancel", false, LinkedKey{"sky-box", "KEY_MUTE"}, LinkedKey{"sky-box", "KEY_MUTE"}},
        {"", "Link", false, LinkedKey{"sky-box", "KEY_MUTE"}, LinkedKey{"sky-box", "KEY_MUTE"}},
        {"vol", "Link", true, LinkedKey{"sky-box", "KEY_MUTE"}, LinkedKey{"nec_tv", "KEY_VOLUMEUP"}},
    };
    for (const Step& step : steps) {
        std::optional<LinkedKey> opensOn;
        onNextModal<CLinkKeyDlg>([&](CLinkKeyDlg* dialog) {
            opensOn = dialog->chosenKey();
            typeInto(dialog->searchEdit(), step.typed);
            QTest::mouseClick(buttonNamed(*dialog, step.button), Qt::LeftButton);
        });
        EXPECT_EQ(linkButton(nullptr, platform, codes, SkySky, 7), step.changed) << step.typed.toStdString();
        EXPECT_EQ(opensOn, step.opensOn);
        EXPECT_EQ(codes.links().link(SkySky, 7), step.link);
        EXPECT_EQ(stored().link(SkySky, 7), step.link);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ButtonMenuFlows, AnEmptyLibrarySaysHowToFillItAndOffersOnlyClose) {
    ButtonCodes empty(folder.filePath("empty"));
    QStringList texts, buttons;
    onNextModal<CLinkKeyDlg>([&](CLinkKeyDlg* dialog) {
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) buttons << button->text();
        QTest::mouseClick(buttonNamed(*dialog, "Close"), Qt::LeftButton);
    });
    EXPECT_FALSE(linkButton(nullptr, platform, empty, Panasonic, 3));
    EXPECT_EQ(texts, QStringList({"Your code library is empty: import a file of codes (File > Import codes) or learn "
                                  "the key from its remote."}));
    EXPECT_EQ(buttons, QStringList({"Close"}));
    EXPECT_FALSE(QDir(folder.filePath("empty")).exists());
}

TEST_F(ButtonMenuFlows, WhatCannotBeStoredIsShownAndHoldsForNow) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("button-links.txt"));  // a folder where the file goes
    onNextModal<CNameDlg>([](CNameDlg* dialog) {
        typeInto(dialog->nameEdit(), "Netflix");
        QTest::mouseClick(buttonNamed(*dialog, "OK"), Qt::LeftButton);
    });
    EXPECT_TRUE(nameButton(nullptr, platform, codes, Panasonic, 0));
    onNextModal<CLinkKeyDlg>([](CLinkKeyDlg* dialog) {
        typeInto(dialog->searchEdit(), "mute");
        QTest::keyClick(dialog->searchEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(linkButton(nullptr, platform, codes, Panasonic, 0));

    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const testing::ShownBox& box : boxes.shown) {
        EXPECT_TRUE(box.text.startsWith("Can't write ")) << box.text.toStdString();
        EXPECT_EQ(box.icon, MessageIcon::Stop);
    }
    EXPECT_EQ(codes.links().name(Panasonic, 0), "Netflix");
    EXPECT_EQ(codes.links().link(Panasonic, 0), (LinkedKey{"sky-box", "KEY_MUTE"}));
}

}  // namespace
}  // namespace orvalinder
