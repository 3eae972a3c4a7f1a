// The user's flows from the menu command through the real dialogs and
// message boxes, installed as the program installs them: nothing scripted
// between the window and what the user sees.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QSet>
#include <QToolBar>
#include <QToolButton>

#include "app/dialogs/about_dlg.h"
#include "app/dialogs/dialog_areas.h"
#include "core/commands.h"
#include "resources/pictures.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/modal.h"
#include "tests/support/window_fixture.h"

namespace orvalinder {
namespace {

using testing::answerNextBox;
using testing::buttonNamed;
using testing::onNextModal;

class RealWindow : public testing::Real<testing::WindowFixture> {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        // The recorder writes into the current folder, as for a user.
        previous = QDir::currentPath();
        QDir::setCurrent(config.path());
    }
    void TearDown() override {
        WindowFixture::TearDown();
        QDir::setCurrent(previous);
    }

    int darkBluePixels() {
        const QImage shown = view()->grab().toImage();
        int count = 0;
        for (int y = 0; y < shown.height(); y += 2)
            for (int x = layout::PictureXOffset; x < shown.width(); x += 2)
                count += shown.pixelColor(x, y) == QColor(0, 0, 136);
        return count;
    }

    QString previous;
};

TEST_F(RealWindow, RecordButtonLocationsOkThenClicksThenStop) {
    setViewHeight(700);
    answerNextBox(QMessageBox::Cancel);
    frame->action(command::RecordButtonLocations)->trigger();
    EXPECT_FALSE(view()->state().recording);
    EXPECT_FALSE(QFile::exists(config.path() + "/buttons.txt"));

    QString welcome;
    answerNextBox(QMessageBox::Ok, &welcome);
    frame->action(command::RecordButtonLocations)->trigger();
    EXPECT_TRUE(welcome.startsWith("Save click positions to the file buttons.txt."));
    ASSERT_TRUE(view()->state().recording);
    EXPECT_EQ(status(1), L"Start clicking");
    click(layout::PictureXOffset + 50, 100);
    EXPECT_EQ(status(1), L"1. Pixel x 61 y 123");
    EXPECT_EQ(shownStopImage(), picture(StopImage).convertToFormat(QImage::Format_RGB32));
    clickStop();
    EXPECT_FALSE(view()->state().recording);
    EXPECT_EQ(readFile("buttons.txt"), "0.246000, 0.142857, 61.500000, 123.000000\n");
}

TEST_F(RealWindow, ComSettingsOkThenConnect) {
    writePortSettings(store, PortSettings{"Com30", "EVEN", "9600", "2", "7"});
    typePortInComSettings(board.path(), true);
    EXPECT_EQ(*store.value("Port"), board.path());
    EXPECT_EQ(*store.value("Parity"), "NONE");
    EXPECT_EQ(*store.value("Speed"), "115200");
    ASSERT_TRUE(connectByClick());
    setViewHeight(861);
    clickPicture(0.40f, 0.07f);
    EXPECT_EQ(board.receive(4), "A101");
}

TEST_F(RealWindow, ShowClickAreasFromTheOptionsMenu) {
    frame->action(command::SelectSkyTv)->trigger();
    EXPECT_EQ(darkBluePixels(), 0);
    answerCommand<CDialogAreas>(command::ShowClickAreas, [](CDialogAreas* dialog) {
        QTest::mouseClick(dialog->findChild<QCheckBox*>(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(buttonNamed(*dialog, "OK"), Qt::LeftButton);
    });
    EXPECT_TRUE(view()->state().clickAreasShown);
    EXPECT_GT(darkBluePixels(), 1000);
}

// File > Save As asks in the system's file dialog, named for what it does
// and showing the program's files; File > Exit then closes the window.
TEST_F(RealWindow, SaveAsThroughTheFileDialog) {
    QString title;
    QStringList filters;
    answerCommand<QFileDialog>(command::FileSaveAs, [&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        testing::typeFileName(dialog, config.filePath("saved"));
    });
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(filters, QStringList{"Orvalinder Files (*.txt)"});
    EXPECT_TRUE(QFile::exists(config.filePath("saved.txt")));
    // File > Exit closes the window.
    ASSERT_TRUE(frame->isVisible());
    frame->action(command::Exit)->trigger();
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(RealWindow, AboutFromTheToolbarButton) {
    auto* button = qobject_cast<QToolButton*>(frame->toolBar()->widgetForAction(frame->action(command::About)));
    ASSERT_TRUE(button);
    frame->listeningAt = "/run/user/1000/orvalinder/lircd";  // as the program sets it once it serves LIRC's clients
    QString title, texts;
    onNextModal<CAboutDlg>([&](CAboutDlg* dialog) {
        title = dialog->windowTitle();
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts += label->text() + "\n";
        QTest::mouseClick(buttonNamed(*dialog, "OK"), Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(title, "About Orvalinder remote control emulator");
    EXPECT_TRUE(texts.contains("LIRC's clients, such as irsend, reach it at /run/user/1000/orvalinder/lircd."))
        << texts.toStdString();
}

// keycodes.txt cannot be written while the board keeps talking: one box,
// the reading goes on, and every line still reaches the monitor.
TEST_F(RealWindow, UnwritableKeyCodesShowOneBoxAtATime) {
    ASSERT_TRUE(QDir(config.path()).mkdir("keycodes.txt"));
    ASSERT_TRUE(connectByClick());
    frame->action(command::SelectIrMonitor)->trigger();

    int sent = 0, mostOpen = 0;
    QMessageBox* answering = nullptr;
    QSet<QMessageBox*> shown;
    constexpr int kLines = 150;
    QTimer board_;
    QObject::connect(&board_, &QTimer::timeout, [&] {
        if (sent == kLines) return board_.stop();
        ++sent;
        board.send(std::to_string(sent * 60) + "\t60xCODE:" + std::to_string(sent) + "Y");
    });
    // Counts the boxes open at once; closes any but the one being answered,
    // so a window that opens more fails this test instead of hanging it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QList<QMessageBox*> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) open << box, shown << box;
        mostOpen = std::max(mostOpen, static_cast<int>(open.size()));
        if (!answering && !open.isEmpty()) return;  // the first box, not yet answered
        for (QMessageBox* box : open)
            if (box != answering) box->reject();
    });
    QString text;
    std::wstring statusWhileOpen;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        answering = box;
        text = box->text();
        QTest::qWait(600);  // the board goes on meanwhile
        statusWhileOpen = status(1);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    board_.start(4);
    watch.start(2);
    const std::string last = std::to_string(kLines * 60) + "\t60x";
    const int lastSlot = (kLines - 1) % 4 + 1;
    (void)QTest::qWaitFor([&] { return view()->state().monitorLines.line(lastSlot) == last; }, 10000);
    watch.stop();

    EXPECT_EQ(mostOpen, 1);
    EXPECT_EQ(shown.size(), 1);  // not one after another either
    EXPECT_TRUE(text.startsWith("Error\n Unable to open a stream to the local hard drive for the output file\n"));
    EXPECT_EQ(statusWhileOpen, L"Unable to open a stream to the local hard drive for the output file");
    EXPECT_EQ(view()->state().monitorLines.line(lastSlot), last);  // every line counted in order

    // Connected again, the window tells it once more.
    click(layout::ConnectSquare.right, layout::ConnectSquare.bottom);
    ASSERT_FALSE(connection->connected());
    ASSERT_TRUE(connectByClick());
    QString again;
    answerNextBox(QMessageBox::Ok, &again);
    board.send("60\t60xCODE:1Y");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !again.isEmpty(); }, 5000));
    EXPECT_EQ(again, text);
}

}  // namespace
}  // namespace orvalinder
