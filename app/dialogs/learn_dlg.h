#pragma once
// Learning keys from the user's remote through the board's receiver: the
// dialog asks for a button's key, draws each frame heard, asks for a second
// press and keeps the key once two presses agree. Given several buttons
// (Tools > Learn a remote) it goes through them one by one, framing each on
// the picture, with Back and Skip. The board is read only while it is open,
// and what it hears goes to no log.

#include <QDialog>
#include <QTimer>
#include <vector>

#include "core/platform.h"
#include "view/frame_bars.h"
#include "view/learner.h"
#include "view/orvalinder_view.h"

class QLabel;
class QPushButton;

namespace orvalinder {

class CLearnDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 20000;

    CLearnDlg(SerialConnection& connection, COrvalinderView& view, std::vector<int> buttons, QWidget* parent = nullptr);
    ~CLearnDlg() override;

    int learnedCount() const { return learned_; }
    bool timedOut() const { return timedOut_; }
    // What the dialog says now.
    QString prompt() const;
    QString heard() const;
    // Why the last key could not be kept, or empty.
    QString failure() const { return failure_; }

    // A frame the board's receiver measured.
    void hear(std::vector<uint32_t> durations);

private:
    void takeLines();
    void showButton();
    void placeBesidePicture();
    void move(int by);
    void waitedTooLong();

    SerialConnection& connection_;
    COrvalinderView& view_;
    RemoteKind kind_;
    std::vector<int> buttons_;
    size_t at_ = 0;
    Learner learner_;
    int learned_ = 0;
    bool timedOut_ = false;
    QString failure_;
    QTimer wait_;
    QLabel* prompt_;
    QLabel* heard_;
    FrameBars* bars_;
    QPushButton* back_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* done_;
    QPushButton* cancel_;
};

// The button's "Learn from a remote..." and Tools > "Learn a remote...":
// explains in a box what stops the learning (no board, a key that cannot
// be kept, 20 seconds without a key).
void learnButtons(QWidget* parent, Platform& platform, SerialConnection& connection, COrvalinderView& view,
                  std::vector<int> buttons);

}  // namespace orvalinder
