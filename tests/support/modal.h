#pragma once
// Operating the real modal windows (message boxes, file dialogs) from a
// test: the action runs inside the window's own event loop once it shows.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace orvalinder::testing {

// Calls `act` with the first modal window of type W that shows; it must
// close that window. A watchdog rejects any modal window still open after
// `deadlineMs`, so a wrong test fails instead of hanging.
template <typename W = QWidget>
void onNextModal(std::function<void(W*)> act, int deadlineMs = 10000) {
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
}

// Clicks the given button of the next message box, as the user would.
inline void answerNextBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    onNextModal<QMessageBox>([button, text](QMessageBox* box) {
        if (text) *text = box->text();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

}  // namespace orvalinder::testing
