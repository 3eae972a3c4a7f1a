// The real message boxes, file pickers and folder opener, operated through
// their Qt widgets as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QUrl>

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

TEST_F(RealFilePicker, SaveStyleTakesANewOrExistingName) {
    struct Row {
        QString name;
        ReplaceQuestion replace;
        bool asked;
    } const rows[] = {
        {"new.txt", ReplaceQuestion::DontAsk, false},
        {"old.txt", ReplaceQuestion::DontAsk, false},  // the caller asks on its own
        {"new.txt", ReplaceQuestion::Ask, false},
        {"old.txt", ReplaceQuestion::Ask, true},
    };
    for (const Row& row : rows) {
        typeIntoNextDialog(path(row.name));
        EXPECT_EQ(picker.saveFile(nullptr, "Browse", "All files *.* (*)", row.replace).toStdString(),
                  path(row.name).toStdString());
        EXPECT_EQ(!question.isEmpty(), row.asked) << row.name.toStdString() << ": " << question.toStdString();
        delete questionWatch;
    }
}

TEST_F(RealFilePicker, OpenStyleTakesAnExistingFileOnly) {
    typeIntoNextDialog(path("old.txt"));
    EXPECT_EQ(picker.openFile(nullptr, "Browse", "All files *.* (*)").toStdString(), path("old.txt").toStdString());
    EXPECT_TRUE(question.isEmpty());
    delete questionWatch;

    // A new name is refused with a message; the user can only cancel.
    typeIntoNextDialog(path("new.txt"));
    EXPECT_EQ(picker.openFile(nullptr, "Browse", "All files *.* (*)"), "");
    EXPECT_TRUE(question.contains("new.txt")) << question.toStdString();
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
