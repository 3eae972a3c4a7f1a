#pragma once
// Operating the real modal windows (message boxes, file dialogs) from a
// test: the action runs inside the window's own event loop once it shows.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFileInfo>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace orvalinder::testing {

// Calls `act` with the first modal window of type W that shows; it must
// close that window. A watchdog rejects any modal window still open after
// `deadlineMs`, so a wrong test fails instead of hanging. Deleting the
// returned timer stops the wait for a window that may never show.
template <typename W = QWidget>
QPointer<QTimer> onNextModal(std::function<void(W*)> act, int deadlineMs = 10000) {
    auto* timer = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, started, deadlineMs] {
        *started += 10;
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget()); window && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(window);
        } else if (*started > deadlineMs) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
        }
    });
    timer->start(10);
    return timer;
}

// Closes every modal window still open once `deadlineMs` has passed, so a
// test that meets a window nobody answers fails instead of hanging.
class ModalWatchdog {
public:
    explicit ModalWatchdog(int deadlineMs = 15000) {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
        });
        QTimer::singleShot(deadlineMs, &timer_, [this] { timer_.start(100); });
    }

private:
    QTimer timer_;
};

// Clicks the given button of the next message box, as the user would.
inline QPointer<QTimer> answerNextBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    return onNextModal<QMessageBox>([button, text](QMessageBox* box) {
        if (text) *text = box->text();
        // A box without that button is not the one the test expects: closed.
        if (QAbstractButton* clicked = box->button(button))
            QTest::mouseClick(clicked, Qt::LeftButton);
        else
            box->reject();
    });
}

// Types a name into Qt's own file dialog and presses Enter, as the user
// accepts a file. Keys go astray until the dialog is active, and the
// completer's list, if it shows, is closed first so that Enter reaches the
// dialog.
inline void typeFileName(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit || !QTest::qWaitForWindowActive(dialog)) {
        dialog->reject();
        return;
    }
    // Typing a whole path would send the dialog through each folder on the
    // way, with completions popping up; the user types the name in the folder.
    const QFileInfo target(name);
    dialog->setDirectory(target.absolutePath());
    QTest::keyClicks(edit, target.fileName());
    if (QCompleter* completer = edit->completer(); completer && completer->popup()->isVisible()) {
        completer->popup()->hide();
    }
    QTest::keyClick(edit, Qt::Key_Return);
}

}  // namespace orvalinder::testing
