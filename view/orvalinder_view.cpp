#include "view/orvalinder_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "codes/encoder.h"
#include "codes/pronto.h"
#include "core/button_names.h"
#include "tools/button_recorder.h"
#include "core/current_directory.h"

namespace orvalinder {

namespace {
// The monitor lines of one take that go to the capture log, at most.
constexpr size_t kLoggedPerTake = 200;
// A key held down repeats at least this often (the usual first repeat comes
// after 500 to 660 ms): silence longer than that is a key let go unseen.
constexpr int kKeyboardSilenceMs = 1000;

// The keyboard presses the buttons of these names.
const char* keyboardKeyName(int key) {
    switch (key) {
    case Qt::Key_Up: return "KEY_UP";
    case Qt::Key_Down: return "KEY_DOWN";
    case Qt::Key_Left: return "KEY_LEFT";
    case Qt::Key_Right: return "KEY_RIGHT";
    case Qt::Key_Return:
    case Qt::Key_Enter: return "KEY_OK";
    case Qt::Key_Plus: return "KEY_VOLUMEUP";
    case Qt::Key_Minus: return "KEY_VOLUMEDOWN";
    default: break;
    }
    static const char* const digits[] = {"KEY_0", "KEY_1", "KEY_2", "KEY_3", "KEY_4",
                                         "KEY_5", "KEY_6", "KEY_7", "KEY_8", "KEY_9"};
    return key >= Qt::Key_0 && key <= Qt::Key_9 ? digits[key - Qt::Key_0] : nullptr;
}
}  // namespace

COrvalinderView::COrvalinderView(Platform& platform, Sender& sender, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      sender_(sender),
      connection_(sender.connection()),
      codes_(sender.codes()),
      status_(sender.status()),
      editMenu_(new QMenu(this)),
      capturePanel_(new CCapturePanel(platform, sender, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    keyboardWatch_.setSingleShot(true);
    keyboardWatch_.setInterval(kKeyboardSilenceMs);
    connect(&keyboardWatch_, &QTimer::timeout, this, &COrvalinderView::keyboardReleased);

    QMenu* edit = editMenu_->addMenu(QStringLiteral("Edit"));
    for (const char* text : {"Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"})
        edit->addAction(QString::fromLatin1(text))->setEnabled(false);

    connect(&connection_, &SerialConnection::linesArrived, this, &COrvalinderView::takeReceivedLines);
    // Connects and losses change the connect button's look as well.
    connect(&connection_, &SerialConnection::connectFinished, this, qOverload<>(&QWidget::update));
    connect(&connection_, &SerialConnection::connectionLost, this, qOverload<>(&QWidget::update));
    connect(&sender_, &Sender::messageRequested, this, qOverload<const QString&, MessageIcon>(&COrvalinderView::show));
    connect(&status_, &StatusModel::changed, this, qOverload<>(&QWidget::update));
    connect(&codes_, &ButtonCodes::changed, this, qOverload<>(&QWidget::update));
    capturePanel_->hide();
    connect(capturePanel_, &CCapturePanel::logChanged, this, &COrvalinderView::placeCapturePanel);
}

COrvalinderView::~COrvalinderView() {
    if (buttonRecordFile_) std::fclose(buttonRecordFile_);
}

void COrvalinderView::show(const UserMessage& message) { show(QString::fromStdString(message.text), message.icon); }

void COrvalinderView::show(const QString& text, MessageIcon icon) { platform_.boxes.show(this, text, icon); }

void COrvalinderView::selectRemote(RemoteKind kind) {
    emit titleRequested(QString::fromUtf8(state_.select(kind)));
    connection_.setMonitorActive(state_.remoteKind == IrMonitor);
    placeCapturePanel();
    update();
}

void COrvalinderView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit titleRequested(QString::fromUtf8(state_.title()));
    placeCapturePanel();
}

// In the IR Monitor's free corner once it has a row: an empty log would only
// take room from the bars' screen.
void COrvalinderView::placeCapturePanel() {
    const QRect area(QPoint(layout::CaptureLogTopLeft.x, layout::CaptureLogTopLeft.y),
                     QPoint(width() - 11, height() - 11));
    capturePanel_->setGeometry(area);
    const bool shown = state_.remoteKind == IrMonitor && capturePanel_->log().size() > 0 && area.width() >= 100 &&
                       area.height() >= 100;
    // The keys go back to the view's buttons when the list they went to goes.
    if (!shown && capturePanel_->isAncestorOf(QApplication::focusWidget())) setFocus();
    capturePanel_->setVisible(shown);
}

void COrvalinderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter_.paint(painter, state_, status_.lines(), connection_.connected(), size(), faces());
    if (!painted_) {
        painted_ = true;
        emit firstPainted();
    }
}

std::vector<ButtonFace> COrvalinderView::faces() const {
    std::vector<ButtonFace> faces;
    const int count = static_cast<int>(clickAreas(state_.remoteKind).size());
    for (int index = 0; index < count; ++index)
        faces.push_back(faceOf(codes_.links().shownName(state_.remoteKind, index)));
    return faces;
}

bool COrvalinderView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    // The full name of a named button, and the key and remote of a linked
    // one; on the connect button, what the board said of its firmware; on a
    // status line drawn shortened, the whole line.
    const QPoint at = static_cast<QHelpEvent*>(event)->pos();
    QString tip;
    const int rowHeight = layout::statusLineTopLeft(2).y - layout::statusLineTopLeft(1).y;
    const int statusLine = (at.y() - layout::statusLineTopLeft(1).y) / rowHeight + 1;
    const bool onStatusLine = at.y() >= layout::statusLineTopLeft(1).y && statusLine <= 4 &&
                              at.x() >= layout::statusLineTopLeft(1).x && at.x() < layout::PictureXOffset;
    if (layout::inConnectSquare(at.x(), at.y()) && connection_.connected()) {
        tip = QString::fromStdString(state_.connectButtonTip);
    } else if (onStatusLine) {
        const std::wstring& text = status_.lines().line(statusLine);
        if (!ViewPainter::statusLineFits(text)) tip = QString::fromStdWString(text);  // drawn shortened
    } else if (state_.remoteKind != IrMonitor) {
        for (int index : hitTest(state_.remoteKind, state_.geometry, at.x(), at.y())) {
            const std::string name = codes_.links().shownName(state_.remoteKind, index);
            if (name.empty()) continue;
            tip = QString::fromStdString(name);
            if (const auto link = codes_.links().link(state_.remoteKind, index))
                tip += link->key == name
                           ? QStringLiteral(" (%1)").arg(QString::fromStdString(link->remote))
                           : QStringLiteral(" (%1 in %2)")
                                 .arg(QString::fromStdString(link->key), QString::fromStdString(link->remote));
        }
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
    }
    return true;
}

void COrvalinderView::contextMenuEvent(QContextMenuEvent* event) {
    contextMenuAt(event->pos())->popup(event->globalPos());
}

QMenu* COrvalinderView::contextMenuAt(QPoint at) {
    QMenu* edit = editMenu_->actions().first()->menu();
    std::vector<int> hits;
    if (state_.remoteKind != IrMonitor && !state_.recording)
        hits = hitTest(state_.remoteKind, state_.geometry, at.x(), at.y());
    if (hits.empty()) return edit;

    const int index = hits.back();
    const RemoteKind kind = state_.remoteKind;
    if (!buttonMenu_) buttonMenu_ = new QMenu(this);
    buttonMenu_->clear();
    buttonMenu_->addAction(QStringLiteral("&Learn from a remote..."), this,
                           [this, index] { emit learnButtonRequested(index); });
    buttonMenu_->addAction(QStringLiteral("&Name..."), this, [this, index] { emit nameButtonRequested(index); });
    buttonMenu_->addAction(QStringLiteral("Lin&k to a key..."), this,
                           [this, index] { emit linkButtonRequested(index); });
    const std::optional<LinkedKey> link = codes_.links().link(kind, index);
    buttonMenu_->addAction(QStringLiteral("Copy as &Pronto"), this, [this, link] { copyAsPronto(*link); })
        ->setEnabled(link.has_value());
    buttonMenu_
        ->addAction(QStringLiteral("&Forget"), this,
                    [this, kind, index] {
                        // There is no undo: a name typed or a link chosen would be lost.
                        const QString shown = QString::fromStdString(codes_.links().shownName(kind, index));
                        const QString question =
                            QStringLiteral("Forget the name and the link of button %1%2?")
                                .arg(index)
                                .arg(shown.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(shown));
                        if (platform_.boxes.show(this, question, MessageIcon::Default, Buttons::YesNo) != Answer::Yes)
                            return;
                        const auto failure = codes_.changeLinks([&](ButtonLinks& links) {
                            links.unlink(kind, index);
                            links.setName(kind, index, {});
                        });
                        if (failure) show(*failure, MessageIcon::Stop);
                    })
        ->setEnabled(link.has_value() || !codes_.links().name(kind, index).empty());
    buttonMenu_->addSeparator();
    buttonMenu_->addActions(edit->actions());
    return buttonMenu_;
}

void COrvalinderView::copyAsPronto(const LinkedKey& link) {
    const auto [remote, key] = codes_.find(link);
    try {
        if (!key) throw codes::CodesError("the code library has no such key in " + link.remote);
        QGuiApplication::clipboard()->setText(QString::fromStdString(codes::writePronto(codes::encode(*remote, *key))));
        status_.say(StatusLine::Sent, wide(link.key) + L" copied as Pronto");
    } catch (const codes::CodesError& e) {
        status_.say(StatusLine::Sent, L"Can't copy " + wide(link.key) + L" as Pronto: " + wide(e.what()));
    }
}

// The view's presses are its own: the frame around it has no use for them.
void COrvalinderView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        leftClick(p.x(), p.y());
    }
}

void COrvalinderView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) sender_.release();
}

void COrvalinderView::keyPressEvent(QKeyEvent* event) {
    const char* name = keyboardKeyName(event->key());
    const int index = name && state_.remoteKind != IrMonitor && !state_.recording
                          ? codes_.links().buttonNamed(state_.remoteKind, name)
                          : -1;
    if (index < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The key's own repeats do not press the button again: the hold repeats
    // it. They show that the key is still down, should its release go to
    // another window.
    keyboardWatch_.start();
    if (!event->isAutoRepeat()) {
        heldKeyboardKey_ = event->key();
        heldScanCode_ = event->nativeScanCode();
        pressButton(index);
        update();
    }
}

void COrvalinderView::keyReleaseEvent(QKeyEvent* event) {
    // Known by the physical key where the system says which: "+" let go
    // after Shift comes up as "=", and a key the system remapped meanwhile
    // as no key at all.
    const bool sameKey =
        heldScanCode_ != 0 ? event->nativeScanCode() == heldScanCode_ : event->key() == heldKeyboardKey_;
    if (!event->isAutoRepeat() && heldKeyboardKey_ != 0 && sameKey) keyboardReleased();
    QWidget::keyReleaseEvent(event);
}

void COrvalinderView::keyboardReleased() {
    keyboardWatch_.stop();
    if (heldKeyboardKey_ == 0) return;
    heldKeyboardKey_ = 0;
    sender_.release();
}

void COrvalinderView::focusOutEvent(QFocusEvent* event) {
    sender_.release();
    QWidget::focusOutEvent(event);
}

void COrvalinderView::hideEvent(QHideEvent* event) {
    sender_.release();
    QWidget::hideEvent(event);
}

void COrvalinderView::leftClick(int x, int y) {
    if (state_.recording) {
        recordClick(x, y);
        return;
    }
    status_.change([x, y](StatusLines& lines) {
        lines.sayUnnumbered(StatusLine::Action, L"...");
        lines.say(StatusLine::Sent, L"Left click " + std::to_wstring(x) + L" " + std::to_wstring(y) + L" ");
    });
    if (layout::inConnectSquare(x, y)) sender_.toggleConnection();
    if (state_.remoteKind != IrMonitor) {
        for (int index : hitTest(state_.remoteKind, state_.geometry, x, y)) pressButton(index);
    }
}

std::optional<std::string> COrvalinderView::pressButton(int index) {
    return sender_.pressButton(state_.remoteKind, index);
}

void COrvalinderView::takeReceivedLines() {
    if (connection_.learning()) return;  // the lines are the learner's
    std::vector<ReceivedLine> lines = connection_.takeLines();
    // A board at 115200 baud sends some 40 frames a second. Of a flood, as
    // the line queue drops lines the window would not show, only the last
    // frames of each take go to the capture log: the rest would cost the
    // window more than a frame's worth of time.
    size_t unlogged = static_cast<size_t>(std::count_if(
        lines.begin(), lines.end(), [](const ReceivedLine& line) { return line.kind == ReceivedLine::Monitor; }));
    unlogged -= std::min(unlogged, kLoggedPerTake);
    for (ReceivedLine& line : lines) {
        if (line.kind == ReceivedLine::Monitor) {
            status_.change([&](StatusLines& status) { state_.monitorLines.store(line.text, status); });
            if (unlogged > 0)
                --unlogged;
            else
                capturePanel_->hear(monitorDurations(line.text));
            lastHeard_ = std::move(line.text);
            continue;
        }
        status_.change([&](StatusLines& status) { state_.monitorLines.showValueLine(line.text, status); });
        // A frame the board decoded (its value line names the code, as in
        // NEC:20DF10EF) tells what the receiver adds to marks. Read only
        // then: a fast board's other lines must cost the window little.
        if (!lastHeard_.empty() && line.text.find(':') != std::string::npos) {
            const std::vector<uint32_t> durations = monitorDurations(lastHeard_);
            if (codes::decode(durations)) receiverExcess_.decoded(durations);
        }
        lastHeard_.clear();
    }
}

void COrvalinderView::startRecording() {
    if (buttonRecordFile_) return;  // recording already
    const Answer answer = platform_.boxes.show(
        this,
        QStringLiteral("Save click positions to the file buttons.txt.\n\nClick on the top left and bottom right of "
                       "each remote button.\nThe positions will be saved as a percentage in the file buttons.txt.\n"
                       "Click the Stop button when done."),
        MessageIcon::Information, Buttons::OkCancel);
    // Cancel means the user does not want to record: nothing is emptied.
    if (answer == Answer::Cancel) return;
    status_.change([](StatusLines& lines) {
        lines.rest(StatusLine::Connection);
        lines.rest(StatusLine::Sent);
    });
    const DirectoryFile target = fileInDirectory(directory(), "buttons.txt", 480);
    if (target.failure) {
        show(*target.failure);
        return;
    }
    buttonRecordFile_ = std::fopen(target.path.c_str(), "w+");
    if (!buttonRecordFile_) {
        const char* reason = "Unable to open a stream to the local hard drive for the output file";
        show(QStringLiteral("Error\n %1\n%2").arg(QLatin1String(reason), QString::fromStdString(target.path)),
             MessageIcon::Stop);
        status_.sayUnnumbered(StatusLine::Action, QString::fromLatin1(reason).toStdWString());
        return;
    }
    state_.recording = true;
    status_.sayUnnumbered(StatusLine::Action, L"Start clicking");
}

void COrvalinderView::recordClick(int x, int y) {
    if (isStopClick(x, y)) {
        if (buttonRecordFile_) {
            std::fflush(buttonRecordFile_);
            std::fclose(buttonRecordFile_);
            buttonRecordFile_ = nullptr;
        }
        state_.recording = false;
        status_.change([](StatusLines& lines) {
            lines.rest(StatusLine::Action);
            lines.rest(StatusLine::Connection);
            lines.rest(StatusLine::Sent);
        });
        return;
    }
    if (!buttonRecordFile_) {
        status_.say(StatusLine::Action, L"ButtonRecordFile == NULL ");
        return;
    }
    const auto click = orvalinder::recordClick(state_.geometry, x, y);
    if (!click) return;
    // The recorder's texts carry their numbers: the second line's is "1. Percent".
    status_.change([&](StatusLines& lines) {
        lines.sayUnnumbered(StatusLine::Action, click->status1);
        lines.sayUnnumbered(StatusLine::Connection, click->status2);
    });
    std::fputs(click->line.c_str(), buttonRecordFile_);
    std::fflush(buttonRecordFile_);
}

void COrvalinderView::openCurrentDirectory() {
    status_.reset();
    const std::optional<std::string> folder = directory();
    const DirectoryFile target =
        fileInDirectory(folder, "", 500, "Try moving the program to a shorter path location.\n");
    if (target.failure) {
        show(*target.failure);
        return;
    }
    platform_.folders.openFolder(QString::fromStdString(*folder));
}

}  // namespace orvalinder
