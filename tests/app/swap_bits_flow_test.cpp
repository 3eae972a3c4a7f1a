// Tools > Swap bits from the menu of the real window, through the real
// message boxes and Qt's own file dialog, on files in a temporary folder.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>

#include "app/dialogs/dialog_convert.h"
#include "app/main_frame.h"
#include "core/commands.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/modal.h"
#include "tests/support/window_fixture.h"

namespace orvalinder {
namespace {

using testing::buttonNamed;

class SwapBitsFlow : public testing::Real<testing::ProgramWindow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        build(noWait);
    }

    static void typePath(CDialogConvert* dialog, const char* box, const QString& path) {
        auto* edit = dialog->findChild<QLineEdit*>(box);
        edit->clear();
        QTest::keyClicks(edit, path);
    }
    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    testing::ModalWatchdog watchdog;
};

TEST_F(SwapBitsFlow, ConvertsIntoANewFilePickedWithBrowse) {
    writeFile("codes.txt", "Key codes\n0x00000001\n\ne0e040bf\n0\n12345678\n");
    const QString output = config.filePath("reversed.txt");
    QString outputBox, question;
    QByteArray firstRun;
    answerCommand<CDialogConvert>(command::SwapBits, [&](CDialogConvert* dialog) {
        typePath(dialog, "inputFile", config.filePath("codes.txt"));
        testing::onNextModal<QFileDialog>([&](QFileDialog* fileDialog) { testing::typeFileName(fileDialog, output); });
        click(dialog->findChild<QAbstractButton*>("browseOutput"));
        outputBox = dialog->findChild<QLineEdit*>("outputFile")->text();
        click(buttonNamed(*dialog, "Convert"));
        firstRun = readFile("reversed.txt");

        // Again: now the output exists, and Convert asks before replacing it.
        testing::answerNextBox(QMessageBox::Yes, &question);
        click(buttonNamed(*dialog, "Convert"));
        click(buttonNamed(*dialog, "OK"));
    });
    EXPECT_EQ(outputBox.toStdString(), output.toStdString());
    EXPECT_EQ(firstRun, "0x80000000\n0xFD020707\n0x1E6A2C48\n");
    EXPECT_EQ(question.toStdString(), "The output file all ready exists.\n\nOverwrite Yes/No ?");
    EXPECT_EQ(readFile("reversed.txt"), firstRun);
}

TEST_F(SwapBitsFlow, CancelledConversionLeavesNoOutput) {
    // Sparse: large to read, nothing on the disk. Long enough to be cancelled.
    ASSERT_TRUE(QFile(writeFile("big.txt")).resize(qint64{8} << 30));
    writeFile("codes.txt", "1\n");
    qint64 shownAfterMs = -1;
    bool leftOutput = true;
    bool stayedOpen = false;
    bool barMoved = false;
    answerCommand<CDialogConvert>(command::SwapBits, [&](CDialogConvert* dialog) {
        typePath(dialog, "inputFile", config.filePath("big.txt"));
        typePath(dialog, "outputFile", config.filePath("out.txt"));
        QElapsedTimer clock;
        clock.start();
        testing::onNextModal<QProgressDialog>([&](QProgressDialog* progress) {
            shownAfterMs = clock.elapsed();
            // It moves by the share read: a little, of 8 GiB.
            barMoved = QTest::qWaitFor([&] { return progress->value() > 0; }, 3000) &&
                       progress->value() < progress->maximum() / 2;
            dialog->reject();  // Escape waits until the conversion has ended
            stayedOpen = dialog->isVisible();
            click(buttonNamed(*progress, "Cancel"));
        });
        click(buttonNamed(*dialog, "Convert"));
        leftOutput = QFile::exists(config.filePath("out.txt"));

        // The dialog is still there for another run.
        typePath(dialog, "inputFile", config.filePath("codes.txt"));
        click(buttonNamed(*dialog, "Convert"));
        click(buttonNamed(*dialog, "OK"));
    });
    EXPECT_GE(shownAfterMs, 450);  // no window for work that ends within half a second
    EXPECT_TRUE(barMoved);
    EXPECT_FALSE(leftOutput);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(readFile("out.txt"), "0x80000000\n");
}

}  // namespace
}  // namespace orvalinder
