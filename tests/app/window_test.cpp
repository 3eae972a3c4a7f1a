// The window offscreen: clicks at client coordinates, then the status
// lines, the bytes on the wire and the pixels of the grabbed view.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include "app/main_frame.h"
#include "core/commands.h"
#include "core/view_layout.h"
#include "resources/pictures.h"
#include "serial/qt_settings_store.h"
#include "tests/support/window_fixture.h"
#include "view/view_painter.h"

#include <sys/stat.h>

namespace orvalinder {
namespace {

using testing::PtyBoard;

using Window = testing::Scripted<testing::WindowFixture>;

TEST_F(Window, ConnectButtonSquareIncludesBothEnds) {
    ASSERT_TRUE(connectByClick());
    EXPECT_EQ(status(1), L"1. Connect");
    EXPECT_EQ(status(2), L"2. Connected");
    const layout::ClickSquare& square = layout::ConnectSquare;
    for (const QPoint p : {QPoint(square.right + 1, square.bottom), QPoint(square.right, square.bottom + 1),
                           QPoint(square.left - 1, square.top)}) {
        click(p);
        EXPECT_TRUE(connection->connected()) << p.x() << "," << p.y();
        EXPECT_EQ(status(3), L"3. Left click " + std::to_wstring(p.x()) + L" " + std::to_wstring(p.y()) + L" ");
    }
    click(square.left, square.top);
    EXPECT_FALSE(connection->connected());
    EXPECT_EQ(status(1), L"1. Disconnect");
    EXPECT_EQ(status(2), L"2. Disconnected");
    EXPECT_TRUE(testing::deviceIsFree(board.path()));
}

TEST_F(Window, ClickOnAButtonSendsItsKeyCodeOnceConnectedAndHeldHoldsIt) {
    setViewHeight(861);
    clickPicture(0.40f, 0.07f);
    EXPECT_EQ(status(3), L"3. Can't send, the comms port is not open");
    EXPECT_EQ(board.receive(1, std::chrono::milliseconds(200)), "");

    ASSERT_TRUE(connectByClick());
    clickPicture(0.40f, 0.07f);  // Panasonic button 1 alone
    EXPECT_EQ(board.receive(4), "A101");
    EXPECT_EQ(status(1), L"1. Button 1");
    EXPECT_EQ(status(3), L"3.  4 bytes sent - A101 - 4 confirmed");

    clickPicture(0.503f, 0.07f);  // where buttons 1 and 2 overlap
    EXPECT_EQ(board.receive(8), "A101A102");
    EXPECT_EQ(status(1), L"1. Button 2");
    EXPECT_EQ(status(3), L"3.  4 bytes sent - A102 - 4 confirmed");

    clickPicture(0.5f, 0.02f);  // on the picture, above every button: nothing sent
    EXPECT_EQ(status(1), L"...");

    // A button held down holds its key on the board: its key code at once, from
    // 300 ms on "!K" every 100 ms, "!U" when it comes up. A click stays a click.
    const QPoint button1 = onPicture(0.40f, 0.07f);
    QTest::mousePress(view(), Qt::LeftButton, {}, button1);
    EXPECT_EQ(board.receive(4), "A101");
    QTest::qWait(650);
    QTest::mouseRelease(view(), Qt::LeftButton, {}, button1);
    const std::string held = board.receive(100, std::chrono::milliseconds(300));
    EXPECT_TRUE(held == "!K!K!K!U" || held == "!K!K!K!K!U") << held;  // at 300, 400, 500 and 600 ms

    QTest::mouseClick(view(), Qt::LeftButton, {}, button1);
    QTest::qWait(500);
    EXPECT_EQ(board.receive(100, std::chrono::milliseconds(200)), "A101");

    frame->action(command::SelectTechnika)->trigger();
    view()->repaint();
    clickPicture(0.77f, 0.79f);
    EXPECT_EQ(board.receive(4), "D145");

    // Held while the connection ends: nothing more goes out.
    showRemote(Panasonic);
    QTest::mousePress(view(), Qt::LeftButton, {}, button1);
    QTest::qWait(350);
    clickConnectButtonMiddle();
    QTest::qWait(300);
    EXPECT_EQ(board.receive(100, std::chrono::milliseconds(200)), "A101!K!U");
}

// Counts the paints the view receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(Window, IrMonitorShowsWhatTheBoardSendsEveryLineAndTheClicks) {
    ASSERT_TRUE(connectByClick());
    frame->action(command::SelectIrMonitor)->trigger();
    QTest::qWait(100);  // the IR Monitor drawn
    PaintCounter counter;
    view()->installEventFilter(&counter);
    board.send("9000\t4500\t560\t1690xCODE:A25DY");
    // The two lines may come in two reads.
    ASSERT_TRUE(QTest::qWaitFor([&] { return status(1) == L"1... CODE:A25D"; }, 3000)) << status(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 1000));  // the window shows them by itself
    QTest::qWait(50);
    counter.paints = 0;
    QTest::qWait(200);
    EXPECT_EQ(counter.paints, 0);    // and then rests
    board.send("9000\t4500\t560x");  // a frame of no code is drawn too
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 2000));

    counter.paints = 0;
    click(500, 300);  // no buttons here: the click is shown, nothing sent
    EXPECT_EQ(board.receive(1, std::chrono::milliseconds(200)), "");
    EXPECT_EQ(status(3), L"3. Left click 500 300 ");
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 1000));

    frame->action(command::SelectIrMonitor)->trigger();  // chosen again: a clean screen
    EXPECT_TRUE(view()->state().monitorLines.empty());
    board.send("-1200\t600x");  // a faulty board's negative duration: a bar drawn leftwards
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view()->state().monitorLines.empty(); }, 2000));
    const QImage drawn = view()->grab().toImage();
    EXPECT_NE(drawn.pixelColor(5, 75), drawn.pixelColor(5, 40));
    frame->action(command::SelectIrMonitor)->trigger();
    clickConnectButtonMiddle();  // the connect button works here too
    EXPECT_FALSE(connection->connected());
    ASSERT_TRUE(connectByClick());

    // Every line of a fast board reaches the monitor.
    std::string burst;
    for (int i = 1; i <= 2001; ++i) burst += std::to_string(i * 60) + "x";
    board.send(burst);
    (void)QTest::qWaitFor([&] { return view()->state().monitorLines.line(1) == "120060x"; }, 5000);
    // 2001 lines make 500 full pages and one line on the last.
    EXPECT_EQ(view()->state().monitorLines.line(1), "120060x");
    EXPECT_EQ(view()->state().monitorLines.line(2), "");
}

TEST_F(Window, AQuietBoardKeepsTheConnection) {
    frame->action(command::SelectIrMonitor)->trigger();  // before the connect: it reads at once
    ASSERT_TRUE(connectByClick());
    QSignalSpy arrived(connection, &SerialConnection::linesArrived);
    board.send("560\t1690x");
    ASSERT_TRUE(arrived.wait(3000));
    QTest::qWait(2500);  // a quiet board is no lost board
    EXPECT_EQ(status(2), L"2. Connected");
    board.send("9000x");
    ASSERT_TRUE(arrived.wait(3000));
    frame->action(command::SelectPanasonic)->trigger();
    clickPicture(0.40f, 0.07f);
    EXPECT_EQ(board.receive(4), "A101");
}

// Key codes go to the port of the latest connect; a pulled cable ends the
// connection and lets the port go, so that another board connects.
TEST_F(Window, KeyCodesGoToThePortOfTheLatestConnectUntilItsCableIsPulled) {
    PtyBoard second, third;
    ASSERT_TRUE(second.ok());
    ASSERT_TRUE(connectByClick());
    click(75, 445);
    usePort(second.path());
    ASSERT_TRUE(connectByClick());
    clickPicture(0.40f, 0.07f);
    EXPECT_EQ(second.receive(4), "A101");
    EXPECT_EQ(board.receive(1, std::chrono::milliseconds(200)), "");

    QSignalSpy lost(connection, &SerialConnection::connectionLost);
    second.hangUp();
    ASSERT_TRUE(lost.wait(2500));
    EXPECT_FALSE(connection->connected());
    EXPECT_EQ(status(2), L"2. Disconnected");
    usePort(third.path());
    EXPECT_TRUE(connectByClick());
}

TEST_F(Window, WindowKeepsPaintingWhileTheBoardStartsUp) {
    // A fifth of the board's start-up: long enough to act while the connect is under way.
    testing::ShortWaits shortWaits(5, 1);
    build(shortWaits);
    click(75, 445);
    EXPECT_EQ(status(1), L"1. Connecting please wait");
    EXPECT_TRUE(connection->connecting());
    view()->repaint();  // the window is not blocked
    clickPicture(0.40f, 0.07f);
    EXPECT_NE(status(1), L"1. Connecting please wait");
    click(75, 445);  // ignored while the connect is under way
    EXPECT_EQ(status(1), L"1. Connecting please wait");
    QSignalSpy finished(connection, &SerialConnection::connectFinished);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(status(2), L"2. Connected");
    EXPECT_TRUE(connection->connected());
}

TEST_F(Window, FailedConnectExplainsAndTriesAgainNextTime) {
    struct Row {
        PortSettings settings;
        QString message;
    } const rows[] = {
        {{board.path(), "NONE", "0", "1", "8"}, "SetCommState\nCould not set communication state \n openport aborted"},
        {{"/dev/orvalinder-no-such-port", "NONE", "115200", "1", "8"},
         "Can't open com port /dev/orvalinder-no-such-port\nPlease check the com port settings in the Options menu."},
    };
    for (const Row& row : rows) {
        build(noWait);
        boxes.shown.clear();
        writePortSettings(store, row.settings);
        EXPECT_FALSE(connectByClick());
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_TRUE(boxes.shown[0].text.startsWith(row.message)) << boxes.shown[0].text.toStdString();
        EXPECT_EQ(status(2), L"2. Connect failed");
        usePort(board.path());
        EXPECT_TRUE(connectByClick());
    }
}

TEST_F(Window, CheckMarksAndCaptionFollowTheSelection) {
    const int ids[] = {command::SelectPanasonic, command::SelectSkySky, command::SelectSkyTv, command::SelectTechnika,
                       command::SelectIrMonitor};
    const char* titles[] = {"Remote Panasonic Orvalinder", "Remote Sky (Sky)", "Remote Sky (TV)",
                            "Remote Technika Freeview", "IR Monitor"};
    EXPECT_TRUE(frame->action(command::SelectPanasonic)->isChecked());
    EXPECT_EQ(frame->windowTitle(), "Remote Panasonic Orvalinder");
    for (size_t i = 0; i < std::size(ids); ++i) {
        frame->action(ids[i])->trigger();
        for (int id : ids) EXPECT_EQ(frame->action(id)->isChecked(), id == ids[i]) << id;
        EXPECT_EQ(frame->windowTitle(), titles[i]);
    }
    frame->action(command::SelectTechnika)->trigger();
    ASSERT_TRUE(frame->openDocument(writeFile("codes.txt")));
    EXPECT_EQ(frame->windowTitle(), "codes.txt - Orvalinder");
    frame->resize(frame->width() + 10, frame->height());
    QApplication::processEvents();
    EXPECT_EQ(frame->windowTitle(), "Remote Technika Freeview");
}

// Every menu item as users know it: its text, its command number (toolbars
// are saved by number), its keys and its tip; "-" is a separator.
TEST_F(Window, MenusAsUsersKnowThem) {
    QStringList menus, items;
    for (QAction* top : frame->menuBar()->actions()) {
        menus << top->text();
        for (QAction* a : top->menu()->actions()) {
            QStringList keys;
            for (const QKeySequence& k : a->shortcuts()) keys << k.toString();
            items << (a->isSeparator() ? QString("-")
                                       : QStringLiteral("%1|%2|%3|%4")
                                             .arg(a->text(), a->data().toString(), keys.join(','), a->statusTip()));
        }
    }
    EXPECT_EQ(menus, QStringList({"&File", "&Edit", "Remote", "Tools", "Options", "&Help"}));
    EXPECT_EQ(items, QStringList({"&New\tCtrl+N|57600|Ctrl+N|",
                                  "&Open...\tCtrl+O|57601|Ctrl+O|",
                                  "&Save\tCtrl+S|57603|Ctrl+S|",
                                  "Save &As...|57604||",
                                  "-",
                                  "&Import codes...|32781||Adds the remotes of a LIRC, Flipper or Pronto file to your "
                                  "codes and links their keys to buttons.",
                                  "&Export codes...|32782||Writes your codes as a LIRC, Flipper or Pronto file.",
                                  "Open &capture...|32790||Adds the frames of a mode2 capture, such as LIRC's mode2 "
                                  "writes, to the IR Monitor's log.",
                                  "-",
                                  "Recent File|57616||",
                                  "-",
                                  "E&xit|57665||",
                                  "&Undo\tCtrl+Z|57643|Ctrl+Z,Alt+Backspace|",
                                  "-",
                                  "Cu&t\tCtrl+X|57635|Ctrl+X,Shift+Del|",
                                  "&Copy\tCtrl+C|57634|Ctrl+C,Ctrl+Ins|",
                                  "&Paste\tCtrl+V|57637|Ctrl+V,Shift+Ins|",
                                  "&Panasonic|32774||",
                                  "&Sky (Sky)|32775||",
                                  "S&ky (TV)|32776||",
                                  "&Technika|32778||",
                                  "&IR Monitor|32777||",
                                  "&Record button locations|32772||",
                                  "&Open current directory|32773||",
                                  "&Swap bits|32780||Reverses the order of bits in remote codes.",
                                  "&Learn a remote...|32783||Learns the picture's buttons one by one from your remote, "
                                  "through the board's receiver.",
                                  "&Find a code...|32791||Tries the codes of the common brands one by one until your "
                                  "device reacts, for a lost remote.",
                                  "&Put the firmware on the board...|32784||Writes the IrBridge firmware that came "
                                  "with the program into the board, with avrdude.",
                                  "&Com settings|32771||",
                                  "&Home Assistant (MQTT)...|32785||The MQTT broker through which Home Assistant "
                                  "and scripts send and hear infrared.",
                                  "&Show click areas|32779||Enable or disable the display of click areas.",
                                  "&About Orvalinder...|57664||"}));
    for (int id : {command::Undo, command::Cut, command::Copy, command::Paste, command::FilePrint})
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    QStringList tools;
    for (QAction* a : frame->toolBar()->actions()) tools << (a->isSeparator() ? QString("|") : a->toolTip());
    EXPECT_EQ(tools,
              QStringList({"New", "Open", "Save", "|", "Cut", "Copy", "Paste", "|", "Print", "About", "Customize..."}));
    EXPECT_EQ(frame->toolBar()->windowTitle(), "Standard");
    EXPECT_EQ(frame->toolBar()->allowedAreas(), Qt::AllToolBarAreas);
}

TEST_F(Window, AtMostEightRecentFiles) {
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(frame->openDocument(writeFile(QString("doc%1.txt").arg(i))));
    }
    const QStringList shown = frame->recentFiles();
    EXPECT_EQ(shown.size(), 8);
    EXPECT_TRUE(shown.first().endsWith("doc9.txt"));
    EXPECT_TRUE(shown.last().endsWith("doc2.txt"));
    EXPECT_FALSE(frame->action(command::FirstRecentFile)->isVisible());
    build(noWait);  // a restart keeps all eight, in order, in the File menu
    EXPECT_EQ(frame->recentFiles(), shown);
    QStringList listed;
    for (const QAction* entry : frame->menuBar()->actions().first()->menu()->actions())
        if (entry->text().contains("doc")) listed << entry->text();
    ASSERT_EQ(listed.size(), 8);
    EXPECT_EQ(listed.first(), "&1 " + QDir::toNativeSeparators(shown.first()));
    // Opened again, a file moves to the top and is listed once.
    ASSERT_TRUE(frame->openDocument(shown[3]));
    EXPECT_EQ(frame->recentFiles(),
              QStringList({shown[3], shown[0], shown[1], shown[2], shown[4], shown[5], shown[6], shown[7]}));
}

TEST_F(Window, RecorderWritesClicksUntilStopped) {
    setViewHeight(700);
    view()->directory = [d = config.path().toStdString()] { return std::optional(d); };
    writeFile("buttons.txt", "0.1, 0.1, 1.0, 1.0\n");  // a recording starts the file afresh
    view()->status().sayUnnumbered(StatusLine::Sent, L"3. A101 sent");
    frame->action(command::RecordButtonLocations)->trigger();
    ASSERT_TRUE(view()->state().recording);
    EXPECT_EQ(status(3), L"3...");  // what was sent before is no longer said
    EXPECT_EQ(boxes.shown.at(0).icon, MessageIcon::Information);
    click(layout::PictureXOffset + 50, 100);
    EXPECT_EQ(status(1), L"1. Pixel x 61 y 123");
    frame->action(command::RecordButtonLocations)->trigger();  // again: it goes on, no second welcome
    EXPECT_TRUE(view()->state().recording && boxes.shown.size() == 1u);
    click(layout::PictureXOffset + 81, 81);
    EXPECT_EQ(status(1), L"1. Pixel x 99 y 99");  // 99.63: whole pixels, cut
    clickConnectButtonMiddle();                   // the connect button does not react while recording
    EXPECT_FALSE(connection->connecting());
    EXPECT_EQ(shownStopImage(), picture(StopImage).convertToFormat(QImage::Format_RGB32));
    clickStop();
    EXPECT_FALSE(view()->state().recording);
    click(layout::PictureXOffset + 50, 200);
    EXPECT_EQ(readFile("buttons.txt"),
              "0.246000, 0.142857, 61.500000, 123.000000\n"
              "0.398520, 0.115714, 99.629997, 99.629997\n");
}

// A folder inside the test's own whose path is `length` characters long.
std::string folderOfLength(const QString& base, size_t length) {
    std::string path = base.toStdString();
    while (path.size() < length) path += "/" + std::string(std::min<size_t>(100, length - path.size() - 1), 'd');
    QDir().mkpath(QString::fromStdString(path));
    return path;
}

TEST_F(Window, RecorderAndFolderExplainALongDirectory) {
    struct Row {
        int command;
        size_t length;
        const char* refusal;  // nothing: the directory is used
    } const rows[] = {
        {command::OpenCurrentDirectory, 500, "500 character buffer.\nTry moving the program"},
        {command::OpenCurrentDirectory, 499, nullptr},
        {command::RecordButtonLocations, 480, "480 character buffer."},
        {command::RecordButtonLocations, 479, nullptr},
    };
    for (const Row& row : rows) {
        const std::string folder = folderOfLength(config.path(), row.length);
        ASSERT_EQ(folder.size(), row.length);
        view()->directory = [folder] { return std::optional(folder); };
        boxes.shown.clear();
        view()->status().say(StatusLine::Sent, L"what the last click sent");
        frame->action(row.command)->trigger();
        const bool recorder = row.command == command::RecordButtonLocations;
        if (!recorder) {
            EXPECT_EQ(status(3), StatusLines().line(3)) << "the folder opened afresh";
        }
        // The folder's box, or the recorder's welcome and its box.
        ASSERT_EQ(boxes.shown.size(), (row.refusal ? 1u : 0u) + (recorder ? 1u : 0u)) << row.length;
        if (row.refusal) {
            EXPECT_TRUE(boxes.shown.back().text.contains(row.refusal)) << row.length;
        }
        if (recorder) {
            EXPECT_EQ(view()->state().recording, !row.refusal) << row.length;
            if (!row.refusal) clickStop();
        } else {
            EXPECT_EQ(folders.opened, row.refusal ? QStringList() : QStringList{QString::fromStdString(folder)});
        }
    }
    // A buttons.txt that cannot be opened, here a folder of that name.
    QDir(config.path()).mkdir("buttons.txt");
    view()->directory = [d = config.path().toStdString()] { return std::optional(d); };
    boxes.shown.clear();
    frame->action(command::RecordButtonLocations)->trigger();
    EXPECT_EQ(boxes.shown.back().text, "Error\n Unable to open a stream to the local hard drive for the output file\n" +
                                           config.path() + "/buttons.txt");
    EXPECT_FALSE(view()->state().recording);
}

TEST_F(Window, RightClickShowsTheIdleEditMenu) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(10, 10), view()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(view(), &event);
    QMenu* edit = view()->editMenu()->actions().first()->menu();
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(itemsOf(edit), QStringList({"Cu&t\tCtrl+X (off)", "&Copy\tCtrl+C (off)", "&Paste\tCtrl+V (off)"}));
    edit->close();
}

// Saving never destroys a file; Save As adds the document's suffix.
TEST_F(Window, SavingNeverDestroysAFileSaveAsAddsTheSuffix) {
    const QString existing = writeFile("keep.txt", "my notes\n");
    const QString fresh = config.path() + "/new.txt";
    files.picks = {fresh, existing};
    frame->action(command::FileSave)->trigger();  // untitled: asks for a name
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_EQ(QFile(fresh).size(), 0);
    frame->action(command::FileSaveAs)->trigger();
    EXPECT_EQ(readFile("keep.txt"), "my notes\n");
    EXPECT_EQ(frame->windowTitle(), "keep.txt - Orvalinder");

    struct Row {
        QString typed, saved;
    } const rows[] = {{"notes", "notes.txt"}, {"codes.txt", "codes.txt"}, {"codes.log", "codes.log"}};
    for (const Row& row : rows) {
        files.picks = {config.path() + "/" + row.typed};
        frame->action(command::FileSaveAs)->trigger();
        EXPECT_TRUE(QFile::exists(config.path() + "/" + row.saved)) << row.typed.toStdString();
        EXPECT_EQ(frame->windowTitle(), row.saved + " - Orvalinder");
    }
    EXPECT_FALSE(QFile::exists(config.path() + "/notes"));
}

TEST_F(Window, RecentFileThatIsGoneLeavesTheList) {
    const QString kept = writeFile("kept.txt"), gone = writeFile("gone.txt");
    for (const QString& path : {kept, gone}) ASSERT_TRUE(frame->openDocument(path));
    QFile::remove(gone);
    QAction* goneEntry = nullptr;
    for (QAction* a : frame->menuBar()->actions().first()->menu()->actions())
        if (a->text().endsWith("gone.txt")) goneEntry = a;
    ASSERT_TRUE(goneEntry);
    goneEntry->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith("Cannot open"));
    EXPECT_EQ(frame->recentFiles(), QStringList{kept});
    EXPECT_EQ(state.value("Recent File List/File1").toString(), kept);
    EXPECT_FALSE(state.contains("Recent File List/File2"));
}

TEST_F(Window, DocumentsMustBeRegularFiles) {
    const QString pipe = config.path() + "/pipe.txt";
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    struct Row {
        QString path, message;
    } const rows[] = {
        {pipe, "Cannot open " + pipe + ".\nIt is not a regular file."},  // would block in open()
        {config.path(), "Cannot open " + config.path() + ".\nIt is not a regular file."},
        {"/dev/zero", "Cannot open /dev/zero.\nIt is not a regular file."},
        {config.path() + "/gone.txt", "Cannot open " + config.path() + "/gone.txt.\nNo such file or directory"},
    };
    for (const Row& row : rows) {
        boxes.shown.clear();
        EXPECT_FALSE(frame->openCommandLine({row.path}));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, row.message);
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Stop);
    }
    boxes.shown.clear();
    files.picks = {config.path() + "/gone.txt"};  // the Open dialog cancelled
    frame->action(command::FileOpen)->trigger();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(frame->recentFiles().isEmpty());
    files.picks = {pipe};
    frame->action(command::FileSaveAs)->trigger();
    EXPECT_TRUE(boxes.shown.back().text.startsWith("Cannot save " + pipe));
    const QString nowhere = config.path() + "/no/such/folder.txt";  // a file that cannot be made
    files.picks = {nowhere};
    frame->action(command::FileSaveAs)->trigger();
    EXPECT_EQ(boxes.shown.back().text, "Cannot save " + nowhere + ".\nNo such file or directory");
    EXPECT_TRUE(parts->document.untitled());
}

TEST_F(Window, DocumentFromTheCommandLineOrDropped) {
    const QString named = writeFile("named.txt"), dropped = writeFile("dropped.txt");

    EXPECT_TRUE(frame->openCommandLine({named}));
    EXPECT_EQ(frame->windowTitle(), "named.txt - Orvalinder");
    EXPECT_TRUE(frame->openCommandLine({}));
    EXPECT_EQ(frame->windowTitle(), "Untitled - Orvalinder");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(frame, &drop);
    EXPECT_EQ(frame->windowTitle(), "dropped.txt - Orvalinder");
    EXPECT_EQ(frame->recentFiles(), QStringList({dropped, named}));
}

TEST_F(Window, PerUserStateApartFromTheSerialSettings) {
    // The program's own places, under the per-user folder of this test.
    const std::unique_ptr<QSettings> frameState = CMainFrame::openState();
    COrvalinderDoc doc;
    CMainFrame window(platform(), parts->sender, doc, *frameState);
    const QString path = writeFile("recent.txt");
    ASSERT_TRUE(window.openDocument(path));
    window.close();
    frameState->sync();

    QSettings framework(config.path() + "/Local AppWizard-Generated Applications/Orvalinder.conf",
                        QSettings::IniFormat);
    EXPECT_EQ(framework.value("Recent File List/File1").toString(), path);
    EXPECT_TRUE(framework.contains("Workspace/Geometry"));
    QSettings serial(config.path() + "/Orvalinder.conf", QSettings::IniFormat);
    EXPECT_EQ(serial.value("Port").toString().toStdString(), board.path());
    EXPECT_FALSE(serial.contains("Recent File List/File1"));
    EXPECT_FALSE(serial.contains("Workspace/Geometry"));
}

// The program's own status texts show whole left of the picture; a line
// with a long name in it is shortened in the middle rather than cut off by
// the picture, and its tooltip shows it whole.
TEST_F(Window, StatusLinesShowWholeOrShortenedNeverCutOff) {
    for (const StatusText fixed : status_text::All) {
        const std::wstring text = StatusLines::numbered(fixed);
        EXPECT_TRUE(ViewPainter::statusLineFits(text)) << QString::fromStdWString(text).toStdString();
    }

    const std::wstring longLine =
        L"3. Can't send KEY_VOLUMEUP: the code library has no such key in samsung_bn59-01178b_smart_tv_remote_2021";
    ASSERT_FALSE(ViewPainter::statusLineFits(longLine));
    view()->status().sayUnnumbered(StatusLine::Sent, longLine);
    view()->repaint();
    const QImage shown = view()->grab().toImage();
    const int top = layout::statusLineTopLeft(3).y;
    int rightmostText = 0;
    for (int y = top; y < top + 15; ++y)
        for (int x = layout::statusLineTopLeft(3).x; x < layout::PictureXOffset; ++x)
            if (shown.pixelColor(x, y) == colours::Text) rightmostText = std::max(rightmostText, x);
    EXPECT_GT(rightmostText, layout::PictureXOffset - 40);  // the space is used
    EXPECT_LE(rightmostText, layout::statusLineTopLeft(3).x + ViewPainter::statusTextWidth());

    EXPECT_EQ(tipAt({100, top + 7}).toStdWString(), longLine);
    view()->status().sayUnnumbered(StatusLine::Fourth, longLine);  // the last line too, and nothing below it
    const auto tipOnceHidden = [this](QPoint at) {                 // the last tip lingers a moment
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        return tipAt(at);
    };
    const int fourth = layout::statusLineTopLeft(4).y;
    EXPECT_EQ(tipOnceHidden({100, fourth + 7}).toStdWString(), longLine);
    EXPECT_EQ(tipOnceHidden({100, fourth + (fourth - top) + 7}), QString());
}

}  // namespace
}  // namespace orvalinder
