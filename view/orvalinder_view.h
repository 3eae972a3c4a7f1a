#pragma once
// The one view: shows the selected remote or the IR Monitor, turns clicks
// into key codes (a button held down holds its key), and toggles the
// connection with its connect button.

#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/platform.h"
#include "serial/serial_connection.h"
#include "core/current_directory.h"
#include "view/key_hold.h"
#include "view/view_painter.h"
#include "view/view_state.h"

class QMenu;

namespace orvalinder {

class COrvalinderView : public QWidget {
    Q_OBJECT
public:
    COrvalinderView(Platform& platform, SerialConnection& connection, QWidget* parent = nullptr);
    ~COrvalinderView() override;

    ViewState& state() { return state_; }
    const ViewState& state() const { return state_; }

    // The remote commands.
    void selectRemote(RemoteKind kind);

    // The tools' commands.
    void startRecording();
    void openCurrentDirectory();

    // The "Edit" popup of a right click, with its three idle items.
    QMenu* editMenu() const { return editMenu_; }

    // Where the recorder writes; the current directory unless a test says.
    std::function<std::optional<std::string>()> directory = currentDirectory;

signals:
    // The frame shows this as its caption.
    void titleRequested(const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void leftClick(int x, int y);
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
    ViewState state_;
    ViewPainter painter_;
    QTimer repaintTimer_;
    KeyHold hold_;
    QMenu* editMenu_;
    std::FILE* buttonRecordFile_ = nullptr;
    bool logFailureShown_ = false;  // since the last connect
};

}  // namespace orvalinder
