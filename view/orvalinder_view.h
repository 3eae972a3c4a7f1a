#pragma once
// The one view: shows the selected remote or the IR Monitor, turns clicks
// and keys into the buttons' codes or key codes (a button held down holds
// its key), and toggles the connection with its connect button.

#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "core/button_names.h"
#include "core/platform.h"
#include "serial/serial_connection.h"
#include "core/current_directory.h"
#include "view/button_codes.h"
#include "view/key_hold.h"
#include "view/learner.h"
#include "view/view_painter.h"
#include "view/view_state.h"

class QMenu;

namespace orvalinder {

class COrvalinderView : public QWidget {
    Q_OBJECT
public:
    COrvalinderView(Platform& platform, SerialConnection& connection, ButtonCodes& codes, QWidget* parent = nullptr);
    ~COrvalinderView() override;

    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }

    // The remote commands.
    void selectRemote(RemoteKind kind);

    // Presses a button of a picture (the one shown, unless told), as a click
    // on it does: its linked code or its key code goes out, held until
    // release(), with the click's status lines. Says why when it could not
    // go out whole.
    std::optional<std::string> pressButton(int index) { return pressButton(state_.remoteKind, index); }
    std::optional<std::string> pressButton(RemoteKind kind, int index);
    // The same for a key of the code library.
    std::optional<std::string> pressKey(const LinkedKey& key);
    void release() { hold_.released(); }

    ButtonCodes& codes() { return codes_; }
    SerialConnection& connection() { return connection_; }
    // The receiver's excess on the frames the board decoded, for learning.
    ReceiverExcess& receiverExcess() { return receiverExcess_; }

    // The tools' commands.
    void startRecording();
    void openCurrentDirectory();

    // The "Edit" popup of a right click, with its three idle items.
    QMenu* editMenu() const { return editMenu_; }
    // The popup of a right click at that point of the view: a button's own
    // items above the Edit items when it is on a button.
    QMenu* contextMenuAt(QPoint at);

    // The button menu's commands whose dialogs live elsewhere.
    std::function<void(int index)> onLearnButton, onNameButton, onLinkButton;

    // Where the recorder writes; the current directory unless a test says.
    std::function<std::optional<std::string>()> directory = currentDirectory;

signals:
    // The frame shows this as its caption.
    void titleRequested(const QString& title);

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
    std::optional<std::string> sendLinked(const LinkedKey& link);
    void keyboardReleased();
    WriteBytes writeToBoard();
    // Why a message did not go out whole, from the bytes the port took.
    std::optional<std::string> sent(std::string_view message, long confirmed) const;
    void copyAsPronto(const LinkedKey& link);
    std::vector<ButtonFace> faces() const;
    void toggleConnection();
    void connectFinished(bool connected, const QString& message, int icon);
    void connectionLost();
    void takeReceivedLines();
    void logFailed(const QString& message, const QString& statusLine1);
    void recordClick(int x, int y);
    void scheduleRepaint();
    void show(const UserMessage& message);
    void show(const QString& text, MessageIcon icon);

    Platform& platform_;
    SerialConnection& connection_;
    ButtonCodes& codes_;
    ViewState state_;
    ViewPainter painter_;
    QTimer repaintTimer_;
    QTimer keyboardWatch_;
    KeyHold hold_;
    QMenu* editMenu_;
    QMenu* buttonMenu_ = nullptr;
    std::FILE* buttonRecordFile_ = nullptr;
    ReceiverExcess receiverExcess_;
    std::string lastHeard_;  // the last monitor line, read once a value line says it decoded
    bool logFailureShown_ = false;  // since the last connect
    int heldKeyboardKey_ = 0;       // the key that pressed a button, while it is down
    quint32 heldScanCode_ = 0;      // its physical key, when the system says
};

}  // namespace orvalinder
