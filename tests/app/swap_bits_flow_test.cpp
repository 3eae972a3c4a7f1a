// Tools > Swap bits from the menu of the real window, through the real
// message boxes and Qt's own file dialog, on files in a temporary folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
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

class SwapBitsFlow : public testing::ProgramWindow {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid() && files.isValid());
        build(noWait);
    }
    Platform& platform() override { return real; }

    // Runs Tools > Swap bits; `act` operates the dialog and must close it.
    void swapBits(std::function<void(CDialogConvert*)> act) {
        testing::onNextModal<CDialogConvert>(act);
        frame->action(command::SwapBits)->trigger();
    }

    QString path(const QString& name) const { return files.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile out(path(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    std::string read(const QString& name) const {
        QFile in(path(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : "(missing)";
    }

    static void typePath(CDialogConvert* dialog, const char* box, const QString& path) {
        auto* edit = dialog->findChild<QLineEdit*>(box);
        edit->clear();
        QTest::keyClicks(edit, path);
    }
    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    QTemporaryDir files;
    QtMessageBoxes boxes;
    QtFilePicker picker{QFileDialog::DontUseNativeDialog};
    testing::ScriptedFolders folders;
    Platform real{boxes, picker, folders};
    testing::ModalWatchdog watchdog;
};

TEST_F(SwapBitsFlow, ConvertsIntoANewFilePickedWithBrowse) {
    write("codes.txt", "Key codes\n0x00000001\n\ne0e040bf\n0\n12345678\n");
    const QString output = path("reversed.txt");
    QString outputBox, question;
    std::string firstRun;
    swapBits([&](CDialogConvert* dialog) {
        typePath(dialog, "inputFile", path("codes.txt"));
        testing::onNextModal<QFileDialog>([&](QFileDialog* fileDialog) { testing::typeFileName(fileDialog, output); });
        click(dialog->findChild<QAbstractButton*>("browseOutput"));
        outputBox = dialog->findChild<QLineEdit*>("outputFile")->text();
        click(buttonNamed(*dialog, "Convert"));
        firstRun = read("reversed.txt");

        // Again: now the output exists, and Convert asks before replacing it.
        testing::answerNextBox(QMessageBox::Yes, &question);
        click(buttonNamed(*dialog, "Convert"));
        click(buttonNamed(*dialog, "OK"));
    });
    EXPECT_EQ(outputBox.toStdString(), output.toStdString());
    EXPECT_EQ(firstRun, "0x80000000\n0xFD020707\n0x1E6A2C48\n");
    EXPECT_EQ(question.toStdString(), "The output file all ready exists.\n\nOverwrite Yes/No ?");
    EXPECT_EQ(read("reversed.txt"), firstRun);
}

TEST_F(SwapBitsFlow, CancelledConversionLeavesNoOutput) {
    // Sparse: large to read, nothing on the disk. Long enough to be cancelled.
    {
        QFile big(path("big.txt"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(qint64{8} << 30));
    }
    write("codes.txt", "1\n");
    qint64 shownAfterMs = -1;
    bool leftOutput = true;
    bool stayedOpen = false;
    swapBits([&](CDialogConvert* dialog) {
        typePath(dialog, "inputFile", path("big.txt"));
        typePath(dialog, "outputFile", path("out.txt"));
        QElapsedTimer clock;
        clock.start();
        testing::onNextModal<QProgressDialog>([&](QProgressDialog* progress) {
            shownAfterMs = clock.elapsed();
            dialog->reject();  // Escape waits until the conversion has ended
            stayedOpen = dialog->isVisible();
            click(buttonNamed(*progress, "Cancel"));
        });
        click(buttonNamed(*dialog, "Convert"));
        leftOutput = QFile::exists(path("out.txt"));

        // The dialog is still there for another run.
        typePath(dialog, "inputFile", path("codes.txt"));
        click(buttonNamed(*dialog, "Convert"));
        click(buttonNamed(*dialog, "OK"));
    });
    EXPECT_GE(shownAfterMs, 450);  // no window for work that ends within half a second
    EXPECT_FALSE(leftOutput);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(read("out.txt"), "0x80000000\n");
}

}  // namespace
}  // namespace orvalinder
