// The real message boxes, file pickers and folder opener, operated through
// their Qt widgets as a user would.

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QUrl>

#include "app/qt_platform.h"
#include "tests/support/modal.h"

namespace orvalinder {
namespace {

// Each button, Escape, or the box closed with none (as when the program
// quits under it) gives its answer; the box shows the text, the caption and
// the icon it was asked for.
TEST(RealMessageBoxes, AnswersCaptionsAndIcons) {
    const QMessageBox::StandardButton escape = QMessageBox::NoButton, closed = QMessageBox::Abort;
    const QString own = "Orvalinder";
    struct Row {
        Buttons buttons;
        QMessageBox::StandardButton pressed;
        Answer expected;
        MessageIcon icon;
        QString caption;
        QMessageBox::Icon shownIcon;
        QString shownCaption;
    } const rows[] = {
        {Buttons::Ok, QMessageBox::Ok, Answer::Ok, MessageIcon::Stop, "", QMessageBox::Critical, own},
        {Buttons::OkCancel, QMessageBox::Ok, Answer::Ok, MessageIcon::Default, "", QMessageBox::Warning, own},
        {Buttons::OkCancel, QMessageBox::Cancel, Answer::Cancel, MessageIcon::Information, "", QMessageBox::Information,
         own},
        {Buttons::YesNo, QMessageBox::Yes, Answer::Yes, MessageIcon::None, "File status check", QMessageBox::NoIcon,
         "File status check"},
        {Buttons::YesNo, QMessageBox::No, Answer::No, MessageIcon::None, "", QMessageBox::NoIcon, own},
        {Buttons::OkCancel, escape, Answer::Cancel, MessageIcon::Default, "", QMessageBox::Warning, own},
        {Buttons::YesNo, escape, Answer::No, MessageIcon::Default, "", QMessageBox::Warning, own},
        {Buttons::Ok, escape, Answer::Ok, MessageIcon::Default, "", QMessageBox::Warning, own},
        {Buttons::YesNo, closed, Answer::No, MessageIcon::Default, "", QMessageBox::Warning, own},
        {Buttons::OkCancel, closed, Answer::Cancel, MessageIcon::Default, "", QMessageBox::Warning, own},
        {Buttons::Ok, closed, Answer::Ok, MessageIcon::Default, "", QMessageBox::Warning, own},
    };
    QtMessageBoxes real;
    MessageBoxes& boxes = real;
    for (const Row& row : rows) {
        QString text, caption;
        QMessageBox::Icon icon{};
        testing::onNextModal<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            if (row.pressed == escape) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else if (row.pressed == closed) {
                box->reject();
            } else {
                QTest::mouseClick(box->button(row.pressed), Qt::LeftButton);
            }
        });
        const auto at = &row - rows;
        EXPECT_EQ(boxes.show(nullptr, "Overwrite?", row.icon, row.buttons, row.caption), row.expected) << at;
        EXPECT_EQ(text, "Overwrite?") << at;
        EXPECT_EQ(icon, row.shownIcon) << at;
        EXPECT_EQ(caption, row.shownCaption) << at;
    }
}

// Qt's own file dialog, which a test can operate on any platform.
class RealFilePicker : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QFile existing(path("old.txt"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    }
    QString path(const QString& name) const { return folder.filePath(name); }

    // Types `name` into the next file dialog and presses Enter; a message box
    // that shows on the way is answered Yes (or OK) and its text kept.
    void typeIntoNextDialog(const QString& name) {
        question.clear();
        questionWatch = testing::onNextModal<QMessageBox>([this](QMessageBox* box) {
            question = box->text();
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            QTest::mouseClick(yes ? yes : box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        testing::onNextModal<QFileDialog>([name](QFileDialog* dialog) {
            testing::typeFileName(dialog, name);
            if (dialog->isVisible()) dialog->reject();  // it refused the name: the user gives up
        });
    }
    void TearDown() override { delete questionWatch; }

    QTemporaryDir folder;
    QtFilePicker real{QFileDialog::DontUseNativeDialog};
    FilePicker& picker = real;
    QString question;
    QPointer<QTimer> questionWatch;
};

// The save-style picker takes a new or an existing name, the open-style one
// an existing file only: a new name is refused with a message, and the user
// can only cancel.
TEST_F(RealFilePicker, SaveStyleTakesANewOrExistingNameOpenStyleAnExistingFile) {
    struct Row {
        QString name;
        std::optional<ReplaceQuestion> save;  // nothing: the open-style picker
        bool asked, taken;
    } const rows[] = {
        {"new.txt", ReplaceQuestion::DontAsk, false, true},
        {"old.txt", ReplaceQuestion::DontAsk, false, true},  // the caller asks on its own
        {"new.txt", ReplaceQuestion::Ask, false, true},
        {"old.txt", ReplaceQuestion::Ask, true, true},
        {"old.txt", std::nullopt, false, true},
        {"new.txt", std::nullopt, true, false},
    };
    for (const Row& row : rows) {
        typeIntoNextDialog(path(row.name));
        const QString picked = row.save ? picker.saveFile(nullptr, "Browse", "All files *.* (*)", *row.save)
                                        : picker.openFile(nullptr, "Browse", "All files *.* (*)");
        EXPECT_EQ(picked.toStdString(), row.taken ? path(row.name).toStdString() : "") << row.name.toStdString();
        EXPECT_EQ(!question.isEmpty(), row.asked) << row.name.toStdString() << ": " << question.toStdString();
        EXPECT_TRUE(question.isEmpty() || question.contains(row.name)) << question.toStdString();
        delete questionWatch;
    }
}

TEST_F(RealFilePicker, CancelGivesAnEmptyText) {
    for (const bool save : {false, true}) {
        testing::onNextModal<QFileDialog>([](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        const QString picked =
            save ? picker.saveFile(nullptr, "Browse", "*.txt") : picker.openFile(nullptr, "Browse", "*.txt");
        EXPECT_EQ(picked, "") << save;
    }
}

// Sees the address the real opener hands to the desktop, so no file manager starts.
class UrlReceiver : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl& url) { urls << url; }
};

TEST(RealFolderOpener, AsksTheDesktopToOpenTheFolder) {
    UrlReceiver receiver;
    QDesktopServices::setUrlHandler("file", &receiver, "openUrl");
    QtFolderOpener real;
    FolderOpener& folders = real;
    folders.openFolder("/tmp/a folder");
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(receiver.urls.size(), 1);
    EXPECT_EQ(receiver.urls[0].toString().toStdString(), "file:///tmp/a folder");
}

}  // namespace
}  // namespace orvalinder

#include "platform_test.moc"
