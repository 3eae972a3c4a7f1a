// The IR Monitor's capture log in the window, against the board's firmware
// run by the simulated microcontroller behind a receiver module: frames
// played into the receiver become rows, a held key's in one; a row goes out
// of the LED again, is kept as a key that a button then sends; two rows are
// compared; the log is exported and opened again.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "app/dialogs/save_key_dlg.h"
#include "core/commands.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/codes/sent_frames.h"
#include "tests/support/board_window.h"
#include "tests/support/modal.h"
#include "view/capture_log_model.h"
#include "view/frame_bars.h"

namespace orvalinder {
namespace {

using namespace std::chrono_literals;

// Each duration within 5 % of the other's.
void expectWithin5Percent(const std::vector<uint32_t>& sent, const std::vector<uint32_t>& heard) {
    ASSERT_EQ(sent.size(), heard.size());
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_NEAR(sent[i], heard[i], heard[i] * 0.05) << i;
}

class CaptureLogWindow : public testing::BoardWindow {
protected:
    void SetUp() override {
        BoardWindow::SetUp();
        if (HasFatalFailure()) return;
        frame->action(command::SelectIrMonitor)->trigger();
        // Any inconsistency of the list's model ends the test.
        modelTester_.emplace(list()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    std::optional<QAbstractItemModelTester> modelTester_;
    CCapturePanel* panel() { return view()->capturePanel(); }
    QTreeView* list() { return panel()->list(); }

    // The rows as shown, newest first: "what was heard|count".
    QStringList rows() {
        QStringList shown;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            shown << list()->model()->index(row, 1).data().toString() + "|" +
                         list()->model()->index(row, 3).data().toString();
        return shown;
    }
    bool showsRows(int count) {
        return QTest::qWaitFor([&] { return list()->model()->rowCount() == count; }, 10000);
    }

    // Clicks a row as the user does, Ctrl held to add it to those chosen.
    void clickRow(int row, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, keys,
                          list()->visualRect(list()->model()->index(row, 1)).center());
    }

    // Right-clicks a row and chooses a command of its menu by its letter.
    void chooseFromRowMenu(int row, char letter) {
        const QPoint at = list()->visualRect(list()->model()->index(row, 1)).center();
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, at);
        // What the window system sends after the click; the offscreen one does not.
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list()->viewport(), &event);
        QMenu* menu = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
        QTest::keyClick(menu, letter);
    }
    // Keeps a row as a key of this name, through the row's menu.
    void keepRowAs(int row, const char* name) {
        testing::onNextModal<CSaveKeyDlg>([name](CSaveKeyDlg* dialog) {
            QAbstractButton* save = testing::buttonNamed(*dialog, "Save");
            EXPECT_FALSE(save->isEnabled());  // until the key has a name
            QTest::keyClicks(dialog->chooser()->nameEdit(), name);
            EXPECT_TRUE(save->isEnabled());
            dialog->remoteBox()->setEditText(" ");  // nor without a remote
            EXPECT_FALSE(save->isEnabled());
            dialog->remoteBox()->setEditText("captured");
            QTest::mouseClick(save, Qt::LeftButton);
        });
        chooseFromRowMenu(row, 'k');
    }
};

// Five frames of three keys, one of them held: three rows. The unknown
// remote's row goes out of the LED as heard; kept as KEY_POWER, it links
// the picture's power button, which then sends it. A decoded row goes out
// as its code.
TEST_F(CaptureLogWindow, HeardFramesAreSentAgainAndKeptAsKeys) {
    const auto canExport = [this](const char* what) {
        for (const QAction* action : panel()->findChildren<QAction*>())
            if (action->text() == what) return action->isEnabled();
        return true;
    };
    EXPECT_FALSE(canExport("Export the &whole log..."));  // nothing heard yet
    std::string raw = "play";
    for (uint32_t d : testing::pulseDistanceFrame(0xA55A)) raw += " " + std::to_string(d);
    play("play NEC:20DF10EF\n");
    ASSERT_TRUE(showsRows(1)) << rows().join(", ").toStdString();
    EXPECT_TRUE(canExport("Export the &whole log..."));  // one row is a log to export
    QSignalSpy redrawn(panel(), &CCapturePanel::logChanged);
    QTest::qWait(400);
    EXPECT_TRUE(redrawn.isEmpty());  // nothing more heard, nothing redrawn
    play("play NEC:20DF40BF\nplay 9000 2250 560\nplay 9000 2250 560\n");
    QTest::qWait(600);
    play(raw + "\n");
    ASSERT_TRUE(showsRows(3)) << rows().join(", ").toStdString();
    EXPECT_EQ(rows(), QStringList({"raw, 35 durations|", "NEC:20DF40BF|\u00D73", "NEC:20DF10EF|"}));
    EXPECT_TRUE(canExport("Export the &whole log..."));
    EXPECT_FALSE(canExport("&Export the chosen rows..."));  // none chosen yet

    clickRow(0);
    EXPECT_TRUE(canExport("&Export the chosen rows..."));
    frame->resize(frame->size() + QSize(10, 10));  // the list placed anew keeps the keys
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), list());
    const std::vector<uint32_t> heard = panel()->chosenRows().at(0)->frame.durations;
    EXPECT_EQ(panel()->bars()->frames(), std::vector<std::vector<uint32_t>>{heard});
    QTest::keySequence(list(), QKeySequence::Copy);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith("0000 006D 0012 0000 "))
        << QApplication::clipboard()->text().toStdString();
    EXPECT_EQ(parts->status.lines().line(3), L"3. raw, 35 durations copied as Pronto");
    QTest::keySequence(list(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(
        QStringLiteral("{\"timings\":[%1,-%2,").arg(heard[0]).arg(heard[1])));
    EXPECT_EQ(parts->status.lines().line(3), L"3. raw, 35 durations copied as HA JSON");
    QTest::keyClick(list(), Qt::Key_Return);
    expectWithin5Percent(nextFrameSent(), heard);
    clickRow(2);
    QTest::keyClick(list(), Qt::Key_Return);
    std::string code;
    nextFrameSent(&code);
    EXPECT_EQ(code, "NEC:20DF10EF");
    EXPECT_TRUE(nextFrameSent(nullptr, 800).empty());  // once, not held

    keepRowAs(0, "KEY_POWER");
    const LinkedKey saved{"captured", "KEY_POWER"};
    ASSERT_TRUE(parts->codes.find(saved).second);
    EXPECT_EQ(parts->codes.find(saved).second->raw, heard);
    const int power = parts->codes.links().buttonNamed(Panasonic, "KEY_POWER");
    EXPECT_EQ(parts->codes.links().link(Panasonic, power), saved);
    EXPECT_EQ(status(3), L"3. KEY_POWER saved in captured, linked to button " + std::to_wstring(power));
    // A code goes into a remote of its timings, not among raw frames.
    keepRowAs(2, "KEY_1");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "captured holds codes of other timings: choose another remote for this nec key.");
    EXPECT_FALSE(parts->codes.find({"captured", "KEY_1"}).second);
    boxes.shown.clear();

    frame->action(command::SelectPanasonic)->trigger();
    click(pictureButton(power));
    expectWithin5Percent(nextFrameSent(), heard);
    EXPECT_TRUE(boxes.shown.empty());
}

// Rows the full log lets go at once leave the list together.
TEST(CaptureLogList, RowsTheLogLetsGoLeaveTogether) {
    codes::CaptureLog log;
    CaptureLogModel model(log, QDateTime::currentDateTime());
    QAbstractItemModelTester consistent(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    uint32_t heard = 0;
    const auto hear = [&](size_t frames) {
        for (size_t i = 0; i < frames; ++i, ++heard)
            log.add({{560, 560, 560 + heard % 2 * 400}, 0}, std::chrono::milliseconds(heard * 300));
        model.refresh();
    };
    hear(codes::CaptureLog::kMaxRows);
    hear(3);
    EXPECT_EQ(model.rowCount(), int(codes::CaptureLog::kMaxRows));
    EXPECT_EQ(model.rowAt(0)->id, heard);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);  // a new start: every row's time anew
    model.setStart(QDateTime::currentDateTime().addSecs(-60));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(0, CaptureLogModel::Time));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(model.rowCount() - 1, CaptureLogModel::Time));
    EXPECT_EQ(model.headerData(CaptureLogModel::Count, Qt::Horizontal, Qt::DisplayRole).toString(), "Count");
    EXPECT_FALSE(model.headerData(CaptureLogModel::ColumnCount, Qt::Horizontal, Qt::DisplayRole)
                     .isValid());  // no column past it
}

// Two Panasonic frames that differ in one byte: chosen together, both are
// drawn with the differing duration marked and the byte is named. The log
// exported as mode2 text opens again as the same rows; a capture with a
// fault is read up to it, and the box names the file, the line and the word.
TEST_F(CaptureLogWindow, RowsComparedExportedAndOpenedAgain) {
    play("play PANASONIC 4004:01181234\n");
    QTest::qWait(400);
    play("play PANASONIC 4004:01191234\n");
    ASSERT_TRUE(showsRows(2)) << rows().join(", ").toStdString();
    clickRow(0);
    clickRow(1, Qt::ControlModifier);
    const QStringList compared = panel()->comparison()->text().split('\n');
    EXPECT_EQ(compared.filter("bits"), QStringList({"bits 24\u201331: 0x18 vs 0x19"}))
        << compared.join('\n').toStdString();
    EXPECT_EQ(panel()->bars()->frames().size(), 2u);
    // The space of the bit that differs, the 32nd, is marked (and others
    // where the receiver's jitter tells the frames apart).
    const std::vector<size_t>& marked = panel()->bars()->marked();
    EXPECT_NE(std::find(marked.begin(), marked.end(), 2 + 2 * 31 + 1), marked.end());

    const QString exported = config.path() + "/heard.txt";
    files.picks = {exported, exported};
    chooseFromRowMenu(0, 'w');
    EXPECT_EQ(parts->status.lines().line(3), L"3. 2 rows exported to heard.txt");
    frame->action(command::OpenCapture)->trigger();
    ASSERT_TRUE(showsRows(4));
    const QStringList shown = rows();
    EXPECT_EQ(shown.mid(0, 2), shown.mid(2, 2));
    EXPECT_EQ(parts->status.lines().line(3), L"3. 2 rows of heard.txt added to the capture log");

    files.picks = {
        writeFile("faulty.txt", "pulse 9000\nspace 4500\npulse 560\nspace 90000\npulse 9000\nspace -4500\n")};
    frame->action(command::SelectSkyTv)->trigger();  // opened from a picture, shown in the IR Monitor
    frame->action(command::OpenCapture)->trigger();
    EXPECT_EQ(view()->state().remoteKind, IrMonitor);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains("faulty.txt:6")) << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(boxes.shown[0].text.contains("-4500")) << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(boxes.shown[0].text.endsWith("The 2 rows before it are in the capture log."));
    EXPECT_EQ(rows().size(), 6);  // the frames before the fault
}

// A differing duration is framed red, at least 3 pixels wide about its bar
// however short it is: the frame of a 40 us space, a quarter of a pixel
// here, is widened to 3 and stays no wider than that of a 600 us one, 3.9.
TEST(FrameBarsPicture, DifferingDurationsFramedAtLeastThreePixelsWide) {
    FrameBars bars;
    bars.resize(404, 94);
    bars.draw({{60000, 40, 600}, {60000, 600, 600}}, {1});
    const QImage image = bars.grab().toImage();
    const auto redColumns = [&image](int top, int bottom) {
        int left = image.width(), right = -1;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const QColor c = image.pixelColor(x, y); c.red() > 180 && c.green() < 80 && c.blue() < 80) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left + 1;
    };
    const int between = image.height() * 3 / 5;  // the rows are drawn at 25 to 50 and 65 to 90
    const int shortOne = redColumns(0, between), longer = redColumns(between, image.height());
    EXPECT_EQ(shortOne, 3 + 2);  // the box, as wide on either side, and its 2-pixel pen
    EXPECT_LE(shortOne, longer);
}

}  // namespace
}  // namespace orvalinder
