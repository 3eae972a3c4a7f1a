#pragma once
// The one view: paints the selected remote or the IR Monitor with the status
// lines, and hands clicks and keys to the sender (a button held down holds
// its key) and the connect button's clicks to the connection.

#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "core/button_names.h"
#include "core/platform.h"
#include "core/current_directory.h"
#include "send/sender.h"
#include "view/capture_panel.h"
#include "view/learner.h"
#include "view/view_painter.h"
#include "view/view_state.h"

class QMenu;

namespace orvalinder {

class COrvalinderView : public QWidget {
    Q_OBJECT
public:
    COrvalinderView(Platform& platform, Sender& sender, QWidget* parent = nullptr);
    ~COrvalinderView() override;

    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }

    // The remote commands.
    void selectRemote(RemoteKind kind);

    // Presses a button of the picture shown, as a click on it does.
    std::optional<std::string> pressButton(int index);

    Sender& sender() { return sender_; }
    ButtonCodes& codes() { return sender_.codes(); }
    SerialConnection& connection() { return sender_.connection(); }
    StatusModel& status() const { return sender_.status(); }
    // The receiver's excess on the frames the board decoded, for learning.
    ReceiverExcess& receiverExcess() { return receiverExcess_; }
    // The IR Monitor's log of the frames heard, shown beside the bars.
    CCapturePanel* capturePanel() const { return capturePanel_; }

    // The tools' commands.
    void startRecording();
    void openCurrentDirectory();

    // The "Edit" popup of a right click, with its three idle items.
    QMenu* editMenu() const { return editMenu_; }
    // The popup of a right click at that point of the view: a button's own
    // items above the Edit items when it is on a button.
    QMenu* contextMenuAt(QPoint at);

    // Where the recorder writes; the current directory unless a test says.
    std::function<std::optional<std::string>()> directory = currentDirectory;

signals:
    // The frame shows this as its caption.
    void titleRequested(const QString& title);
    // Once, when the view has been painted for the first time.
    void firstPainted();
    // The button menu's commands whose dialogs live elsewhere.
    void learnButtonRequested(int index);
    void nameButtonRequested(int index);
    void linkButtonRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void leftClick(int x, int y);
    void keyboardReleased();
    void copyAsPronto(const LinkedKey& link);
    std::vector<ButtonFace> faces() const;
    void takeReceivedLines();
    void recordClick(int x, int y);
    void placeCapturePanel();
    void show(const UserMessage& message);
    void show(const QString& text, MessageIcon icon);

    Platform& platform_;
    Sender& sender_;
    SerialConnection& connection_;
    ButtonCodes& codes_;
    StatusModel& status_;
    ViewState state_;
    ViewPainter painter_;
    QTimer keyboardWatch_;
    QMenu* editMenu_;
    QMenu* buttonMenu_ = nullptr;
    std::FILE* buttonRecordFile_ = nullptr;
    ReceiverExcess receiverExcess_;
    CCapturePanel* capturePanel_;
    std::string lastHeard_;    // the last monitor line, read once a value line says it decoded
    int heldKeyboardKey_ = 0;  // the key that pressed a button, while it is down
    bool painted_ = false;
    quint32 heldScanCode_ = 0;  // its physical key, when the system says
};

}  // namespace orvalinder
