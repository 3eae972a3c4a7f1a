#include "app/dialogs/learn_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace orvalinder {

CLearnDlg::CLearnDlg(SerialConnection& connection, COrvalinderView& view, std::vector<int> buttons, QWidget* parent)
    : QDialog(parent),
      connection_(connection),
      view_(view),
      kind_(view.state().remoteKind),
      buttons_(std::move(buttons)),
      prompt_(new QLabel(this)),
      heard_(new QLabel(this)),
      bars_(new FrameBars(this)) {
    setWindowTitle(buttons_.size() > 1 ? QStringLiteral("Learn a remote") : QStringLiteral("Learn from a remote"));
    prompt_->setWordWrap(true);
    heard_->setWordWrap(true);
    // Room for the longest texts from the start: a dialog that is already
    // shown does not grow, and the text would run over the bars.
    prompt_->setMinimumHeight(fontMetrics().lineSpacing() * 3);
    heard_->setMinimumHeight(fontMetrics().lineSpacing() * 3);
    auto* box = new QDialogButtonBox(this);
    if (buttons_.size() > 1) {
        back_ = box->addButton(QStringLiteral("&Back"), QDialogButtonBox::ActionRole);
        skip_ = box->addButton(QStringLiteral("&Skip"), QDialogButtonBox::ActionRole);
        connect(back_, &QPushButton::clicked, this, [this] { move(-1); });
        connect(skip_, &QPushButton::clicked, this, [this] { move(+1); });
    }
    done_ = box->addButton(buttons_.size() > 1 ? QStringLiteral("&Finish") : QStringLiteral("&Done"),
                           QDialogButtonBox::AcceptRole);
    cancel_ = box->addButton(QDialogButtonBox::Cancel);
    done_->setVisible(buttons_.size() > 1);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(bars_);
    layout->addWidget(heard_);
    layout->addWidget(box);

    // The dialog's child, found by its name: tests shorten it rather than wait 20 s.
    wait_.setParent(this);
    wait_.setObjectName(QStringLiteral("wait"));
    wait_.setSingleShot(true);
    wait_.setInterval(kWaitMs);
    connect(&wait_, &QTimer::timeout, this, &CLearnDlg::waitedTooLong);
    connection_.setLearning(true);
    connect(&connection_, &SerialConnection::linesArrived, this, &CLearnDlg::takeLines);
    connect(&connection_, &SerialConnection::connectionLost, this, &QDialog::reject);
    showButton();
    placeBesidePicture();
}

// Beside the picture, where it hides neither the button's orange frame nor
// the button: right of it where the screen has room, else left of it.
void CLearnDlg::placeBesidePicture() {
    adjustSize();
    const PictureGeometry& picture = view_.state().geometry;
    const QPoint left = view_.mapToGlobal(QPoint(picture.xOffset, 0));
    const QPoint right = view_.mapToGlobal(QPoint(picture.xOffset + picture.drawnWidth(), 0));
    const QRect screen = (view_.screen() ? view_.screen()->availableGeometry() : QRect());
    constexpr int kGap = 12;
    const int width = frameGeometry().width();
    int x = right.x() + kGap;
    if (screen.isValid() && x + width > screen.right()) x = std::max(screen.left(), left.x() - kGap - width);
    QWidget::move(x, std::max(screen.isValid() ? screen.top() : 0, left.y()));
}

CLearnDlg::~CLearnDlg() {
    connection_.setLearning(false);
    view_.state().highlightedButton = -1;
    view_.update();
}

QString CLearnDlg::prompt() const { return prompt_->text(); }
QString CLearnDlg::heard() const { return heard_->text(); }

void CLearnDlg::showButton() {
    learner_ = Learner(&view_.receiverExcess());
    const int index = buttons_[at_];
    const std::string name = view_.codes().links().shownName(kind_, index);
    const QString button = name.empty() ? QStringLiteral("button %1").arg(index)
                                        : QStringLiteral("button %1 (%2)").arg(index).arg(QString::fromStdString(name));
    QString text = QStringLiteral("Point the remote at the board and press the key for %1.").arg(button);
    if (buttons_.size() > 1) {
        text = QStringLiteral("Button %1 of %2. ").arg(at_ + 1).arg(buttons_.size()) + text;
        view_.state().highlightedButton = index;
        view_.update();
        back_->setEnabled(at_ > 0);
    }
    prompt_->setText(text);
    heard_->setText(QStringLiteral("Waiting for the remote, for up to 20 seconds."));
    bars_->draw({});
    wait_.start();
}

void CLearnDlg::takeLines() {
    for (const ReceivedLine& line : connection_.takeLines())
        if (line.kind == ReceivedLine::Monitor) hear(monitorDurations(line.text));
}

void CLearnDlg::hear(std::vector<uint32_t> durations) {
    const std::vector<uint32_t> shown = durations;
    switch (learner_.hear(std::move(durations))) {
    case Learner::Heard::Ignored: return;
    case Learner::Heard::FirstPress:
        bars_->draw({shown});
        heard_->setText(QStringLiteral("Heard %1. %2")
                            .arg(QString::fromStdString(learner_.press()->text()),
                                 learner_.differed()
                                     ? QStringLiteral("That differs from the press before: press the key again.")
                                     : QStringLiteral("Press the key again.")));
        wait_.start();
        return;
    case Learner::Heard::Learned: break;
    }
    const int index = buttons_[at_];
    const auto [form, key] = learner_.key({});
    if (const auto failure = view_.codes().learnKey(kind_, index, form, key)) {
        failure_ = *failure;
        reject();
        return;
    }
    ++learned_;
    heard_->setText(
        QStringLiteral("Learned %1 for button %2.").arg(QString::fromStdString(learner_.press()->text())).arg(index));
    if (buttons_.size() > 1) {
        move(+1);
        return;
    }
    wait_.stop();
    prompt_->setText(QStringLiteral("The button now sends the key you pressed."));
    done_->setVisible(true);
    done_->setDefault(true);
    cancel_->setVisible(false);
}

void CLearnDlg::move(int by) {
    if (by < 0 && at_ == 0) return;
    at_ += static_cast<size_t>(static_cast<long>(by));
    if (at_ >= buttons_.size()) {
        accept();
        return;
    }
    showButton();
}

void CLearnDlg::waitedTooLong() {
    if (buttons_.size() > 1) {
        // The pass waits for the user's Skip, Back or Finish.
        prompt_->setText(prompt_->text() + QStringLiteral("\nNo key came for 20 seconds."));
        return;
    }
    timedOut_ = true;
    reject();
}

void learnButtons(QWidget* parent, Platform& platform, SerialConnection& connection, COrvalinderView& view,
                  std::vector<int> buttons) {
    if (view.state().remoteKind == IrMonitor || buttons.empty()) return;
    if (!connection.connected()) {
        platform.boxes.show(parent,
                            QStringLiteral("Connect to the board first: keys are learned through its receiver."),
                            MessageIcon::Information);
        return;
    }
    CLearnDlg dialog(connection, view, std::move(buttons), parent);
    dialog.exec();
    if (dialog.timedOut())
        platform.boxes.show(parent,
                            QStringLiteral("No key came from the remote within 20 seconds. Nothing was learned."),
                            MessageIcon::Information);
    else if (!dialog.failure().isEmpty())
        platform.boxes.show(parent, dialog.failure(), MessageIcon::Stop);
}

}  // namespace orvalinder
