// The Swap bits dialog on real files in a temporary folder, its message
// boxes and picker scripted.

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs/dialog_convert.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

class SwapBitsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        write("in.txt", codes);
        dialog.show();
    }

    QString path(const QString& name) const { return folder.filePath(name); }
    QLineEdit* edit(const char* name) const { return dialog.findChild<QLineEdit*>(name); }

    void write(const QString& name, const QByteArray& bytes) const {
        QFile out(path(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile in(path(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    }

    void setPaths(const QString& input, const QString& output) {
        edit("inputFile")->setText(input);
        edit("outputFile")->setText(output);
    }
    void convert(const QString& input, const QString& output) {
        setPaths(input, output);
        testing::buttonNamed(dialog, "Convert")->click();
    }

    const QByteArray codes = "Key codes\n0x00000001\n\ne0e040bf\n0\n";
    const QByteArray reversed = "0x80000000\n0xFD020707\n";
    QTemporaryDir folder;
    testing::ScriptedBoxes boxes;
    testing::ScriptedPicker picker;
    CDialogConvert dialog{boxes, picker};
};

TEST_F(SwapBitsDialog, OpensEmptyAndConvertsSilently) {
    EXPECT_EQ(edit("inputFile")->text() + edit("outputFile")->text(), "");
    convert(path("in.txt"), path("out.txt"));
    EXPECT_EQ(read("out.txt"), reversed);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SwapBitsDialog, AsksBeforeOverwriting) {
    for (const auto& [answer, output] : {std::pair{Answer::Yes, reversed}, std::pair{Answer::No, QByteArray("kept")}}) {
        write("out.txt", "kept");
        boxes.shown.clear();
        boxes.answers = {answer};
        convert(path("in.txt"), path("out.txt"));

        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "The output file all ready exists.\n\nOverwrite Yes/No ?");
        EXPECT_EQ(boxes.shown[0].caption, "File status check");
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::None);
        EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNo);
        EXPECT_EQ(read("out.txt"), output);
    }
}

TEST_F(SwapBitsDialog, FilesThatCannotBeOpenedAreReported) {
    // A folder, a device that never ends: no regular file to read.
    const std::pair<QString, QString> rows[] = {{path("missing.txt"), path("new.txt")},
                                                {path("in.txt"), path("no folder/out.txt")},
                                                {path("in.txt"), ""},
                                                {path("in.txt"), path("in.txt")},
                                                {folder.path(), path("new.txt")},
                                                {"/dev/zero", path("new.txt")}};
    for (const auto& [input, output] : rows) {
        boxes.shown.clear();
        boxes.answers = {Answer::Yes};
        convert(input, output);
        ASSERT_FALSE(boxes.shown.empty()) << input.toStdString() << " " << output.toStdString();
        EXPECT_EQ(boxes.shown.back().text.toStdString(), "Error: Unable to open the file.") << output.toStdString();
        EXPECT_EQ(boxes.shown.back().icon, MessageIcon::Default);
    }
    EXPECT_EQ(read("in.txt"), codes);  // not emptied as its own output
}

#ifndef _WIN32
TEST_F(SwapBitsDialog, AFullDiskIsReported) {
    boxes.answers = {Answer::Yes};                        // it exists
    ASSERT_TRUE(QFile::link("/dev/full", path("full")));  // what a fault removes is the link, not the device
    convert(path("in.txt"), path("full"));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Error: Unable to write the output file. The disk may be full.");
    EXPECT_EQ(boxes.shown[1].icon, MessageIcon::Stop);
    EXPECT_TRUE(dialog.isVisible());
}
#endif

TEST_F(SwapBitsDialog, EnterInAPathOrCancelClosesWithoutConverting) {
    for (const std::string box : {"inputFile", "outputFile", "Cancel"}) {
        dialog.show();
        setPaths(path("in.txt"), path("out.txt"));
        if (box == "Cancel")
            testing::buttonNamed(dialog, "Cancel")->click();
        else
            QTest::keyClick(edit(box.c_str()), Qt::Key_Return);
        EXPECT_TRUE(testing::closedWith(dialog, box == "Cancel" ? QDialog::Rejected : QDialog::Accepted)) << box;
        EXPECT_FALSE(QFile::exists(path("out.txt")));
    }
}

TEST_F(SwapBitsDialog, BrowseFillsItsOwnBoxUnlessCancelled) {
    write("old.txt", "x");
    struct Row {
        QString inputPick, outputPick, input, output;
    } const rows[] = {
        {path("in.txt"), path("new.txt"), path("in.txt"), path("new.txt")},       // the output may be a new file
        {"", "", path("in.txt"), path("new.txt")},                                // cancelled: both kept
        {path("missing.txt"), path("old.txt"), path("in.txt"), path("old.txt")},  // the input must exist
    };
    for (const Row& row : rows) {
        picker.picks = {row.inputPick, row.outputPick};
        dialog.findChild<QAbstractButton*>("browseInput")->click();
        dialog.findChild<QAbstractButton*>("browseOutput")->click();
        EXPECT_EQ(edit("inputFile")->text().toStdString(), row.input.toStdString());
        EXPECT_EQ(edit("outputFile")->text().toStdString(), row.output.toStdString());
    }
    // Convert asks about an existing output; the picker does not ask first.
    EXPECT_TRUE(picker.replaceQuestions.isEmpty());
}

}  // namespace
}  // namespace orvalinder
