// The real message boxes, file pickers and folder opener, operated through
// their Qt widgets as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include "app/platform.h"
#include "tests/support/modal.h"

namespace orvalinder {
namespace {

using testing::answerNextBox;

TEST(RealMessageBoxes, EachButtonGivesItsAnswer) {
    struct Row {
        Buttons buttons;
        QMessageBox::StandardButton clicked;
        Answer expected;
    } const rows[] = {
        {Buttons::Ok, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Ok, Answer::Ok},
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::YesNo, QMessageBox::Yes, Answer::Yes},
        {Buttons::YesNo, QMessageBox::No, Answer::No},
    };
    QtMessageBoxes real;
    MessageBoxes& boxes = real;
    for (const Row& row : rows) {
        QString shown;
        answerNextBox(row.clicked, &shown);
        EXPECT_EQ(boxes.show(nullptr, "Overwrite?", MessageIcon::None, row.buttons), row.expected)
            << static_cast<int>(row.clicked);
        EXPECT_EQ(shown, "Overwrite?");
    }
}

TEST(RealMessageBoxes, EscapeCancels) {
    struct Row {
        Buttons buttons;
        Answer expected;
    } const rows[] = {{Buttons::OkCancel, Answer::Cancel}, {Buttons::YesNo, Answer::No}, {Buttons::Ok, Answer::Ok}};
    QtMessageBoxes real;
    MessageBoxes& boxes = real;
    for (const Row& row : rows) {
        testing::onNextModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        EXPECT_EQ(boxes.show(nullptr, "Go on?", MessageIcon::Default, row.buttons), row.expected);
    }
}

TEST(RealMessageBoxes, CaptionAndIcon) {
    struct Row {
        MessageIcon icon;
        QString caption;
        QMessageBox::Icon shownIcon;
        QString shownCaption;
    } const rows[] = {
        {MessageIcon::Stop, "", QMessageBox::Critical, "Orvalinder"},
        {MessageIcon::Default, "", QMessageBox::Warning, "Orvalinder"},
        {MessageIcon::Information, "", QMessageBox::Information, "Orvalinder"},
        {MessageIcon::None, "File status check", QMessageBox::NoIcon, "File status check"},
    };
    QtMessageBoxes real;
    MessageBoxes& boxes = real;
    for (const Row& row : rows) {
        QMessageBox::Icon icon{};
        QString caption;
        testing::onNextModal<QMessageBox>([&](QMessageBox* box) {
            icon = box->icon();
            caption = box->windowTitle();
            box->accept();
        });
        boxes.show(nullptr, "text", row.icon, Buttons::Ok, row.caption);
        EXPECT_EQ(icon, row.shownIcon);
        EXPECT_EQ(caption, row.shownCaption);
    }
}

}  // namespace
}  // namespace orvalinder

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
