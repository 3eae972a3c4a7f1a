// The Swap bits dialog on real files in a temporary folder, its message
// boxes and picker scripted.

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs/dialog_convert.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/dialogs/scripted_platform.h"

namespace orvalinder {
namespace {

using testing::buttonNamed;
using testing::closedWith;

const QString kCannotOpen = "Error: Unable to open the file.";

class SwapBitsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        dialog.show();
    }

    QString path(const QString& name) const { return folder.filePath(name); }
    QLineEdit* edit(const char* name) const { return dialog.findChild<QLineEdit*>(name); }

    static void write(const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    }

    void convert(const QString& input, const QString& output) {
        edit("inputFile")->setText(input);
        edit("outputFile")->setText(output);
        buttonNamed(dialog, "Convert")->click();
    }

    QTemporaryDir folder;
    testing::ScriptedBoxes boxes;
    testing::ScriptedPicker picker;
    CDialogConvert dialog{boxes, picker};
};

TEST_F(SwapBitsDialog, OpensEmptyAndConvertsSilently) {
    EXPECT_EQ(dialog.windowTitle(), "Swap bits");
    EXPECT_EQ(edit("inputFile")->text(), "");
    EXPECT_EQ(edit("outputFile")->text(), "");

    write(path("codes.txt"), "Key codes\n0x00000001\n\ne0e040bf\n0\n");
    convert(path("codes.txt"), path("reversed.txt"));
    EXPECT_EQ(read(path("reversed.txt")), "0x80000000\n0xFD020707\n");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SwapBitsDialog, AsksBeforeOverwriting) {
    struct Row {
        Answer answer;
        QByteArray output;
    };
    const Row rows[] = {{Answer::Yes, "0x80000000\n"}, {Answer::No, "kept\n"}};
    write(path("in.txt"), "1\n");
    for (const Row& row : rows) {
        write(path("out.txt"), "kept\n");
        boxes.shown.clear();
        boxes.answers = {row.answer};
        convert(path("in.txt"), path("out.txt"));

        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "The output file all ready exists.\n\nOverwrite Yes/No ?");
        EXPECT_EQ(boxes.shown[0].caption, "File status check");
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::None);
        EXPECT_EQ(boxes.shown[0].buttons, Buttons::YesNo);
        EXPECT_EQ(read(path("out.txt")), row.output);
    }
}

TEST_F(SwapBitsDialog, FilesThatCannotBeOpenedAreReported) {
    write(path("in.txt"), "1\n");
    struct Row {
        QString input, output;
    };
    const Row rows[] = {
        {path("missing.txt"), path("new.txt")},
        {path("in.txt"), path("no folder/out.txt")},
        {path("in.txt"), ""},
        {path("in.txt"), path("in.txt")},  // would empty its own input
    };
    for (const Row& row : rows) {
        boxes.shown.clear();
        boxes.answers = {Answer::Yes};
        convert(row.input, row.output);
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_EQ(boxes.shown.back().text, kCannotOpen) << row.output.toStdString();
        EXPECT_EQ(boxes.shown.back().icon, MessageIcon::Default);
        EXPECT_EQ(boxes.shown.back().caption, "");
    }
    EXPECT_EQ(read(path("in.txt")), "1\n");
}

TEST_F(SwapBitsDialog, EnterInAPathClosesWithoutConverting) {
    write(path("in.txt"), "1\n");
    for (const char* box : {"inputFile", "outputFile"}) {
        dialog.show();
        edit("inputFile")->setText(path("in.txt"));
        edit("outputFile")->setText(path("out.txt"));
        QTest::keyClick(edit(box), Qt::Key_Return);
        EXPECT_TRUE(closedWith(dialog, QDialog::Accepted)) << box;
        EXPECT_FALSE(QFile::exists(path("out.txt")));
    }
}

TEST_F(SwapBitsDialog, BrowseFillsItsOwnBoxUnlessCancelled) {
    picker.picks = {path("a.txt"), path("b.txt"), "", ""};
    dialog.findChild<QAbstractButton*>("browseInput")->click();
    dialog.findChild<QAbstractButton*>("browseOutput")->click();
    EXPECT_EQ(edit("inputFile")->text(), path("a.txt"));
    EXPECT_EQ(edit("outputFile")->text(), path("b.txt"));

    dialog.findChild<QAbstractButton*>("browseInput")->click();
    dialog.findChild<QAbstractButton*>("browseOutput")->click();
    EXPECT_EQ(edit("inputFile")->text(), path("a.txt"));
    EXPECT_EQ(edit("outputFile")->text(), path("b.txt"));
    EXPECT_EQ(picker.filters, std::vector<QString>(4, "All files *.* (*)"));
}

}  // namespace
}  // namespace orvalinder
