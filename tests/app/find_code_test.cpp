// Tools > Find a code through the real window, with the board's firmware run
// by the simulated microcontroller. The test plays a TV whose remote is
// lost: it watches the LED and reacts only to the 17th Ch+ code tried. The user
// pauses a moment late, steps back once and says it worked; the set kept
// then drives the picture's buttons.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <tuple>

#include "app/dialogs/find_code_dlg.h"
#include "codes/board_message.h"
#include "core/commands.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/board_window.h"
#include "tests/support/modal.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/window_fixture.h"

namespace orvalinder {
namespace {

using FindCodeWindow = testing::BoardWindow;

// The code the LED sends for a press the board is told: "NEC:05FAFA05".
std::string ledCode(const std::string& press) { return press.substr(2, press.find('\n') - 2); }

std::string pressOf(const codes::CodeSet& set, const std::string& key) {
    for (const codes::Key& k : set.remote.keys)
        if (k.name == key) return ledCode(codes::boardMessages(set.remote, k).press);
    return "no " + key;
}

TEST_F(FindCodeWindow, TheSeventeenthCodeWorksAndItsWholeSetIsKept) {
    std::vector<std::string> skipped;
    const std::vector<codes::CodeSet> sets =
        codes::readCodeSetFile(codes::commonSetsFile(QCoreApplication::applicationDirPath().toStdString()), skipped);
    codes::CandidateSearch channelUp{"KEY_CHANNELUP", codes::DeviceKind::Tv, ""};
    const std::vector<codes::Candidate> candidates = codes::findCandidates(sets, channelUp, skipped);
    ASSERT_GE(candidates.size(), 18u);
    const codes::CodeSet& tv = sets[candidates[16].sets.front().set];

    // The Sky picture names its digits; the user has named one of its
    // other buttons Vol+.
    frame->action(command::SelectSkySky)->trigger();
    int volume = 0;
    while (!parts->codes.links().shownName(SkySky, volume).empty()) ++volume;
    parts->codes.changeLinks([volume](ButtonLinks& links) { links.setName(SkySky, volume, "Vol+"); });

    // What the LED sent, a press once (some protocols send a frame thrice).
    std::vector<std::string> sent;
    auto ledSends = [&](size_t count, int waitMs = 4000) {
        std::string code;
        while (sent.size() < count && !nextFrameSent(&code, waitMs).empty())
            if (sent.empty() || sent.back() != code) sent.push_back(code);
        return sent.size() == count;
    };
    QString kept, progress;
    testing::ModalWatchdog watchdog(90000);
    testing::onNextModal<CFindCodeDlg>([&](CFindCodeDlg* dialog) {
        dialog->keyBox()->setCurrentIndex(dialog->keyBox()->findText("Ch+"));
        EXPECT_TRUE(dialog->summary().endsWith(" codes to try for Ch+.")) << dialog->summary().toStdString();
        dialog->intervalBox()->setValue(60.0);
        EXPECT_EQ(dialog->intervalBox()->value(), 5.0);  // the longest
        EXPECT_EQ(dialog->search().interval(), 5000);
        dialog->intervalBox()->setValue(1.0);
        EXPECT_EQ(dialog->search().interval(), 1000);
        // Started and stopped: the codes stop and nothing is kept.
        QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
        EXPECT_TRUE(ledSends(2));
        QTest::mouseClick(dialog->stopButton(), Qt::LeftButton);
        EXPECT_TRUE(nextFrameSent(nullptr, 1500).empty());
        EXPECT_TRUE(parts->codes.remotes().empty());

        sent.clear();
        QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
        // The TV reacted to the 17th; the user pauses as the 18th goes out.
        EXPECT_TRUE(ledSends(18));
        QTest::keyClick(dialog, Qt::Key_Space);
        EXPECT_TRUE(dialog->search().paused());
        EXPECT_EQ(dialog->pauseButton()->text(), "&Go on");
        QTest::keyClick(dialog, Qt::Key_Left);
        EXPECT_TRUE(ledSends(19));
        // Which of its sets to keep is asked where the code is in more than one.
        EXPECT_EQ(dialog->keepBox()->isVisible(), candidates[16].sets.size() > 1);
        EXPECT_EQ(dialog->keepBox()->count(), candidates[16].sets.size());
        progress = dialog->progress();
        QTest::mouseClick(dialog->workedButton(), Qt::LeftButton);
        kept = dialog->keptRemote();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    frame->action(command::FindCode)->trigger();

    std::vector<std::string> expected;
    for (size_t i = 0; i < 18; ++i) expected.push_back(ledCode(candidates[i].press));
    expected.push_back(expected[16]);
    EXPECT_EQ(sent, expected);
    const size_t others = candidates[16].sets.size() - 1;
    EXPECT_EQ(progress.toStdString(), "17 of " + std::to_string(candidates.size()) + ": " + codes::describe(tv) + ", " +
                                          expected[16] +
                                          (others > 0 ? ", also in " + std::to_string(others) + " other sets" : ""));

    // The whole set is a remote of the library, the picture's buttons linked
    // by their names.
    EXPECT_EQ(kept.toStdString(), "akai-nec1-1.114");  // named by brand and set, as a file name
    ASSERT_EQ(parts->codes.remotes().size(), 1u);
    EXPECT_EQ(parts->codes.remotes()[0].name, kept.toStdString());
    EXPECT_EQ(parts->codes.remotes()[0].keys.size(), tv.remote.keys.size());
    const int one = parts->codes.links().buttonNamed(SkySky, "KEY_1");
    EXPECT_EQ(parts->codes.links().link(SkySky, volume), (LinkedKey{kept.toStdString(), "KEY_VOLUMEUP"}));
    EXPECT_EQ(parts->codes.links().link(SkySky, one), (LinkedKey{kept.toStdString(), "KEY_1"}));
    std::string code;
    click(pictureButton(volume));
    nextFrameSent(&code);
    EXPECT_EQ(code, pressOf(tv, "KEY_VOLUMEUP"));
    click(pictureButton(one));
    nextFrameSent(&code);
    EXPECT_EQ(code, pressOf(tv, "KEY_1"));
    EXPECT_TRUE(boxes.shown.empty());
}

using FindCodeOverPty = testing::Scripted<testing::WindowFixture>;

// A code that could not go out, the board not connected yet, is the first
// to go out when the search goes on: none is skipped.
TEST_F(FindCodeOverPty, ACodeThatCouldNotGoOutIsSentWhenTheSearchGoesOn) {
    CodeSearch search(parts->sender);
    QSignalSpy failed(&search, &CodeSearch::failed);
    search.start({{"!SNEC:20DF10EF\n", {}, 1}, {"!SRC5:00C\n", {}, 1}});
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), "not connected to the board");
    EXPECT_TRUE(search.paused());
    EXPECT_EQ(search.current(), nullptr);
    ASSERT_TRUE(connectByClick());
    search.setPaused(false);
    EXPECT_EQ(board.receive(15), "!SNEC:20DF10EF\n");
    EXPECT_EQ(search.position(), 0);
}

// A file of IRDB's added to no common sets: its folders name the brand,
// which is then chosen, and its code goes out; its row of a protocol the
// board does not send is left out.
TEST_F(FindCodeOverPty, AnAddedFilesBrandIsSearched) {
    // Two sets of the brand share the code they try first; another brand's
    // set has one of its own. Each row: Power's function, rows not sent.
    ASSERT_TRUE(QDir(config.path()).mkpath("Acme/TV") && QDir(config.path()).mkpath("Zeta/TV"));
    const std::tuple<const char*, const char*, int> sets[] = {{"Acme/TV/1,-1.csv", "8", 1},
                                                              {"Acme/TV/2,-1.csv", "8", 8},
                                                              {"Acme/TV/3,-1.csv", "9", 11},
                                                              {"Zeta/TV/1,-1.csv", "7", 5}};
    for (const auto& [name, power, unsent] : sets)
        files.picks.push_back(writeFile(name, "functionname,protocol,device,subdevice,function\n" +
                                                  QByteArray("POWER,JVC,3,-1,23\n").repeated(unsent) +
                                                  "POWER,NEC1,1,-1," + power + "\n"));
    ASSERT_TRUE(connectByClick());
    CFindCodeDlg dialog(platform(), parts->sender, Panasonic, QString());
    dialog.show();
    EXPECT_FALSE(dialog.startButton()->isEnabled());  // nothing to try yet
    const QAbstractItemModel* kinds = dialog.kindBox()->model();
    EXPECT_FALSE(kinds->flags(kinds->index(dialog.kindBox()->findText("Air conditioner"), 0)) & Qt::ItemIsEnabled);
    EXPECT_EQ(dialog.summary(),
              "The common brands' code sets were not found beside the program. "
              "No codes to try for Power.");
    const auto summaryTip = [&dialog] {
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            if (label->text() == dialog.summary()) return label->toolTip();
        return QString();
    };
    for (int file = 0; file < 4; ++file) {
        QTest::mouseClick(testing::buttonNamed(dialog, "&Add a file of codes..."), Qt::LeftButton);
        if (file == 2) {
            EXPECT_EQ(summaryTip().split('\n').size(), 20);  // twenty, all named
        }
        if (file > 0) continue;
        EXPECT_EQ(dialog.summary(),
                  "The common brands' code sets were not found beside the program. "
                  "1 code to try for Power. 1 key of the files can't be tried.");
        dialog.brandBox()->setCurrentIndex(dialog.brandBox()->findText("Acme"));
    }
    ASSERT_EQ(dialog.brandBox()->currentText(), "Acme");  // kept as files are added
    EXPECT_EQ(dialog.summary(),
              "The common brands' code sets were not found beside the program. "
              "2 codes to try for Power. 25 keys of the files can't be tried.");
    EXPECT_EQ(summaryTip().split('\n').size(), 21);  // the first 20 named
    EXPECT_TRUE(summaryTip().endsWith("\n... and 5 more"));
    EXPECT_LE(dialog.width(), 520);  // a long summary wraps rather than widening the dialog
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(board.receive(15), "!SNEC:807F10EF\n");
    EXPECT_EQ(status(1), L"1. Find a code: 1 of 2");
    QTest::qWait(300);  // the next one only after a second and a half
    EXPECT_EQ(board.receive(1, std::chrono::milliseconds(50)), "");
    EXPECT_EQ(dialog.search().candidates().size(), 2u);
    EXPECT_EQ(dialog.progress().toStdString(), "1 of 2: Acme, NEC1 1, NEC:807F10EF, also in 1 other sets");
    EXPECT_TRUE(dialog.keepBox()->isVisible());
    EXPECT_EQ(dialog.keepBox()->count(), 2);
    ASSERT_FALSE(dialog.search().paused());
    QTest::mouseClick(dialog.pauseButton(), Qt::LeftButton);  // as Space does
    EXPECT_TRUE(dialog.search().paused());
    QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);  // a code of one set: nothing to choose
    EXPECT_EQ(board.receive(15), "!SNEC:807F906F\n");
    EXPECT_FALSE(dialog.keepBox()->isVisible());
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text() == "&Keep the set of:") {
            EXPECT_FALSE(label->isVisible());
        }
    QTest::keyClick(&dialog, Qt::Key_Escape);  // stops the search, not the dialog
    EXPECT_FALSE(dialog.search().running());
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(board.receive(15), "!SNEC:807F10EF\n");
    EXPECT_FALSE(dialog.search().paused());   // a search started again goes on by itself
    QTest::keyClick(&dialog, Qt::Key_Right);  // as Next does
    EXPECT_EQ(board.receive(15), "!SNEC:807F906F\n");
    EXPECT_TRUE(boxes.shown.empty());
    QTest::keyClick(&dialog, Qt::Key_Return);  // as "It worked" does
    EXPECT_EQ(parts->codes.remotes().size(), 1u);
}

// Stepping past either end sends the end's code again; the last code
// pauses the search there, and going on from it sends nothing more.
TEST_F(FindCodeOverPty, StepsStopAtBothEnds) {
    ASSERT_TRUE(connectByClick());
    const std::string codes[] = {"!SNEC:20DF10EF\n", "!SNEC:20DF40BF\n", "!SNEC:20DFC03F\n"};
    CodeSearch search(parts->sender);
    QSignalSpy ended(&search, &CodeSearch::reachedEnd);
    search.setInterval(6000);  // five seconds at most
    EXPECT_EQ(search.interval(), 5000);
    search.setInterval(100);  // half a second at least
    EXPECT_EQ(search.interval(), 500);
    search.start({{codes[0], {}, 1}, {codes[1], {}, 1}, {codes[2], {}, 1}});
    search.next();
    search.next();
    EXPECT_EQ(ended.size(), 1);
    search.next();
    search.setPaused(false);
    EXPECT_TRUE(search.paused());
    search.back();
    search.back();
    search.back();
    std::string sent;
    for (int i = 0; i < 7; ++i) sent += board.receive(15);
    EXPECT_EQ(sent, codes[0] + codes[1] + codes[2] + codes[2] + codes[1] + codes[0] + codes[0]);
    EXPECT_EQ(board.receive(1, std::chrono::milliseconds(700)), "");  // paused: nothing more
}

}  // namespace
}  // namespace orvalinder
