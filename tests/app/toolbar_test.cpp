// The toolbars as the user arranges them: the Customize dialog operated
// through its own controls, the pane context menu, and the layout found
// again after a restart, even from a damaged state.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QCursor>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include "app/dialogs/toolbars_customize_dlg.h"
#include "app/main_frame.h"
#include "core/commands.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/window_fixture.h"

// Sizes in the failures as 16x15, not as bytes.
inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << 'x' << size.height(); }

namespace orvalinder {
namespace {

using testing::buttonNamed;
using Ids = std::vector<int>;

class ToolBarLayout : public testing::Scripted<testing::ProgramWindow> {
protected:
    void SetUp() override { build(noWait); }

    CToolBarsCustomizeDlg* customize() {
        frame->action(command::Customize)->trigger();
        auto* dialog = frame->findChild<CToolBarsCustomizeDlg*>();
        EXPECT_TRUE(dialog && dialog->isVisible() && !dialog->isModal());
        EXPECT_EQ(dialog ? dialog->windowTitle() : QString(), "Customize");
        return dialog;
    }
    static QListWidget* list(QDialog* dialog, const char* name) { return dialog->findChild<QListWidget*>(name); }
    static void select(QListWidget* list, const QString& text) {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        list->setCurrentItem(found.first());
    }
    QToolBar* toolBarTitled(const QString& title) {
        for (QToolBar* bar : frame->toolBars()->all())
            if (bar->windowTitle() == title) return bar;
        return nullptr;
    }
    Ids standardButtons() { return frame->toolBars()->commands(frame->toolBar()); }
};

TEST_F(ToolBarLayout, UserToolBarsMadeInTheDialogComeBackAfterARestart) {
    CToolBarsCustomizeDlg* dialog = customize();
    QListWidget* buttons = list(dialog, "buttons");
    EXPECT_TRUE(list(dialog, "commands")->findItems("Recent File", Qt::MatchExactly).isEmpty());  // not a command
    const auto add = [&](const char* command) {
        select(list(dialog, "commands"), command);
        QTest::mouseClick(buttonNamed(*dialog, "&Add >"), Qt::LeftButton);
    };
    const auto makeToolBar = [&](const char* name) {
        auto* field = dialog->findChild<QLineEdit*>("toolBarName");
        QTest::keyClicks(field, name);
        QTest::mouseClick(buttonNamed(*dialog, "&New"), Qt::LeftButton);
        EXPECT_TRUE(field->text().isEmpty());  // ready for the next one's name
    };
    makeToolBar("Living room");
    add("Sky (TV)");
    add("IR Monitor");
    EXPECT_EQ(buttons->currentRow(), 1);  // the button just added
    buttons->setCurrentRow(0);
    add("Technika");  // goes after the selected button, and is selected
    EXPECT_EQ(buttons->currentRow(), 1);
    makeToolBar("Kitchen");
    add("Panasonic");
    using namespace command;
    const std::pair<QString, Ids> made[] = {{"Living room", {SelectSkyTv, SelectTechnika, SelectIrMonitor}},
                                            {"Kitchen", {SelectPanasonic}}};
    for (const auto& [name, ids] : made) {
        ASSERT_TRUE(toolBarTitled(name)) << name.toStdString();
        EXPECT_EQ(frame->toolBars()->commands(toolBarTitled(name)), ids) << name.toStdString();
    }
    dialog->close();
    restart(noWait);
    EXPECT_TRUE(frame->toolBar()->isVisible());
    for (const auto& [name, ids] : made) {
        QToolBar* again = toolBarTitled(name);
        ASSERT_TRUE(again) << name.toStdString();
        EXPECT_TRUE(again->isVisible()) << name.toStdString();
        EXPECT_EQ(frame->toolBars()->commands(again), ids) << name.toStdString();
    }
    QToolBar* again = toolBarTitled("Living room");
    // Its buttons work, and it carries its own Customize... button.
    QTest::mouseClick(again->widgetForAction(frame->action(command::SelectSkyTv)), Qt::LeftButton);
    EXPECT_EQ(frame->view()->state().remoteKind, SkyTv);
    EXPECT_EQ(again->actions().last(), frame->action(command::Customize));
    QTest::mouseClick(again->widgetForAction(frame->action(command::Customize)), Qt::LeftButton);
    EXPECT_TRUE(frame->findChild<CToolBarsCustomizeDlg*>());
}

TEST_F(ToolBarLayout, RenameDeleteAndOnlyTheUsersOwn) {
    CToolBarsCustomizeDlg* dialog = customize();
    EXPECT_FALSE(buttonNamed(*dialog, "&Delete")->isEnabled());  // Standard is selected
    EXPECT_FALSE(buttonNamed(*dialog, "Re&name")->isEnabled());
    QTest::mouseClick(buttonNamed(*dialog, "&New"), Qt::LeftButton);
    auto* name = dialog->findChild<QLineEdit*>("toolBarName");
    QTest::keyClicks(name, "Kitchen");
    QTest::mouseClick(buttonNamed(*dialog, "Re&name"), Qt::LeftButton);
    ASSERT_TRUE(toolBarTitled("Kitchen"));
    EXPECT_EQ(toolBarTitled("Kitchen")->toggleViewAction()->text(), "Kitchen");
    QTest::mouseClick(buttonNamed(*dialog, "&Delete"), Qt::LeftButton);
    EXPECT_FALSE(toolBarTitled("Kitchen"));
    EXPECT_EQ(list(dialog, "toolBars")->count(), 1);
    EXPECT_EQ(list(dialog, "toolBars")->currentRow(), 0);  // the one before it
}

TEST_F(ToolBarLayout, ButtonsRemovedMovedAndResetInTheDialog) {
    CToolBarsCustomizeDlg* dialog = customize();
    QListWidget* buttons = list(dialog, "buttons");
    buttons->setCurrentRow(0);
    QTest::mouseClick(buttonNamed(*dialog, "< Re&move"), Qt::LeftButton);  // New
    EXPECT_EQ(buttons->currentRow(), 0);                                   // the next button is chosen
    QTest::mouseClick(buttonNamed(*dialog, "Do&wn"), Qt::LeftButton);      // Open after Save
    using namespace command;
    EXPECT_EQ(standardButtons(), (Ids{FileSave, FileOpen, 0, Cut, Copy, Paste, 0, FilePrint, About}));
    QTest::mouseClick(buttonNamed(*dialog, "&Up"), Qt::LeftButton);  // and back to the top
    EXPECT_EQ(standardButtons(), (Ids{FileOpen, FileSave, 0, Cut, Copy, Paste, 0, FilePrint, About}));
    QTest::mouseClick(buttonNamed(*dialog, "&Up"), Qt::LeftButton);  // no further
    QTest::mouseClick(buttonNamed(*dialog, "Do&wn"), Qt::LeftButton);
    EXPECT_EQ(standardButtons(), (Ids{FileSave, FileOpen, 0, Cut, Copy, Paste, 0, FilePrint, About}));
    // Commands keep their state wherever they stand.
    EXPECT_FALSE(frame->toolBar()->widgetForAction(frame->action(Cut))->isEnabled());
    // A drag within the list moves the button on the toolbar too.
    buttons->model()->moveRow(QModelIndex(), 0, QModelIndex(), 3);
    QTest::qWait(20);
    EXPECT_EQ(standardButtons(), (Ids{FileOpen, 0, FileSave, Cut, Copy, Paste, 0, FilePrint, About}));
    QTest::mouseClick(buttonNamed(*dialog, "&Reset"), Qt::LeftButton);
    buttons->setCurrentRow(buttons->count() - 1);
    QTest::mouseClick(buttonNamed(*dialog, "Do&wn"), Qt::LeftButton);  // the last goes no further
    EXPECT_EQ(standardButtons(), ToolBars::standardLayout());
    EXPECT_EQ(standardButtons(), (Ids{FileNew, FileOpen, FileSave, 0, Cut, Copy, Paste, 0, FilePrint, About}));
}

TEST_F(ToolBarLayout, HiddenStandardToolBarStaysHidden) {
    CToolBarsCustomizeDlg* dialog = customize();
    list(dialog, "toolBars")->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(frame->toolBar()->isHidden());
    dialog->close();
    restart(noWait);
    EXPECT_TRUE(frame->toolBar()->isHidden());
    QMenu* menu = frame->createPopupMenu();
    EXPECT_FALSE(menu->actions().first()->isChecked());
    menu->actions().first()->trigger();  // shown again from the pane menu
    EXPECT_FALSE(frame->toolBar()->isHidden());
    delete menu;
}

TEST_F(ToolBarLayout, DamagedOrOutdatedStateIsRepaired) {
    using namespace command;
    frame->close();
    parts.reset();
    state.setValue("Workspace/State", QByteArray("\x01\xff garbage \x00\x13", 14));
    state.setValue("Workspace/Geometry", QByteArray("junk"));
    state.setValue("Toolbars/size", 3);
    state.setValue("Toolbars/1/Name", "Standard");
    state.setValue("Toolbars/1/Commands", "57600,424242,x,57664");
    state.setValue("Toolbars/2/Name", "UserToolbar7");
    state.setValue("Toolbars/2/Title", "Mine");
    state.setValue("Toolbars/2/Commands", "32776,99999,abc,0,57664");
    state.setValue("Toolbars/3/Name", "Intruder");
    state.setValue("Toolbars/3/Title", "Not ours");
    state.setValue("Toolbars/4/Name", "UserToolbar9");  // past the size
    state.setValue("Toolbars/4/Title", "Beyond");
    build(noWait);
    EXPECT_EQ(standardButtons(), (Ids{FileNew, About}));
    ASSERT_TRUE(toolBarTitled("Mine"));
    EXPECT_EQ(frame->toolBars()->commands(toolBarTitled("Mine")), (Ids{SelectSkyTv, 0, About}));
    EXPECT_FALSE(toolBarTitled("Not ours"));
    EXPECT_FALSE(toolBarTitled("Beyond"));

    state.setValue("Toolbars/size", "many");
    restart(noWait);
    EXPECT_TRUE(frame->isVisible());
}

// A toolbar as an earlier version saved it, its commands by number: each
// number still means the same command.
TEST_F(ToolBarLayout, SavedCommandNumbersKeepTheirMeaning) {
    frame->close();
    parts.reset();
    state.setValue("Toolbars/size", 1);
    state.setValue("Toolbars/1/Name", "UserToolbar1");
    state.setValue("Toolbars/1/Title", "All");
    state.setValue("Toolbars/1/Commands", "32771,57607,126");  // the menus' numbers are in the window test
    build(noWait);
    ASSERT_TRUE(toolBarTitled("All"));
    EXPECT_EQ(itemsOf(toolBarTitled("All")), QStringList({"&Com settings", "Print (off)", "Customize..."}));
}

TEST_F(ToolBarLayout, PaneContextMenuListsTheToolBarsThenCustomize) {
    frame->toolBars()->create("Bedroom");
    for (QWidget* target : {static_cast<QWidget*>(frame->menuBar()), static_cast<QWidget*>(frame->toolBar())}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(target, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu) << target->metaObject()->className();
        EXPECT_EQ(itemsOf(menu), QStringList({"Standard", "Bedroom", "-", "Customize..."}));
        EXPECT_TRUE(menu->actions().first()->isChecked());
        menu->close();
    }
}

TEST_F(ToolBarLayout, QuickCustomizationMovesAndRemovesButtons) {
    using namespace command;
    ToolBars& bars = *frame->toolBars();
    QToolBar* mine = bars.create("Mine");
    bars.moveButton(frame->toolBar(), 0, frame->toolBar(), 3);  // New after Save
    EXPECT_EQ(standardButtons(), (Ids{FileOpen, FileSave, FileNew, 0, Cut, Copy, Paste, 0, FilePrint, About}));
    bars.moveButton(frame->toolBar(), 9, mine, 0);  // About to another toolbar
    EXPECT_EQ(bars.commands(mine), (Ids{About}));
    bars.moveButton(frame->toolBar(), 0, nullptr, 0);  // dropped off every toolbar
    EXPECT_EQ(standardButtons(), (Ids{FileSave, FileNew, 0, Cut, Copy, Paste, 0, FilePrint}));
}

// Alt and a drag, as the user does it. The test's platform runs no drag,
// so the button goes by where the pointer is let go: over its own toolbar
// it stays, off every toolbar it is removed. The first button too.
TEST_F(ToolBarLayout, AltDragOffEveryToolBarRemovesTheButton) {
    QToolBar* standard = frame->toolBar();
    const Ids before = standardButtons();
    const std::pair<QPoint, Ids> rows[] = {{standard->mapToGlobal(standard->rect().center()), before},
                                           {QPoint(-100, -100), Ids(before.begin() + 1, before.end())}};
    for (const auto& [letGo, after] : rows) {
        QWidget* first = standard->widgetForAction(standard->actions().front());
        QCursor::setPos(letGo);
        QTest::mousePress(first, Qt::LeftButton, Qt::AltModifier, first->rect().center());
        QApplication::processEvents();
        EXPECT_EQ(standardButtons(), after);
    }
}

}  // namespace
}  // namespace orvalinder
