#pragma once
// The program's window offscreen over a pseudo-terminal that plays the
// board, with the per-user settings in a temporary folder. Subclasses say
// which message boxes, picker and folder opener the window uses.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app/program_parts.h"
#include "tests/support/program_seams.h"
#include "core/view_layout.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"
#include "tests/support/no_wait.h"
#include "tests/support/pty_board.h"

namespace orvalinder::testing {

// The board takes a fifth of its real start-up time: long enough for a test
// to act while the connect is under way.
class ShortWaits : public BoardWaits {
public:
    int milliseconds(int wanted) override { return wanted / 5; }
};

class WindowFixture : public ::testing::Test {
protected:
    virtual Platform& platform() = 0;

    void SetUp() override {
        ASSERT_TRUE(board.ok());
        writePortSettings(store, PortSettings{board.path(), "NONE", "115200", "1", "8"});
        build(noWait);
    }

    // The window as the program builds it, again when a test restarts it.
    void build(BoardWaits& waits) {
        parts.reset();
        parts = std::make_unique<ProgramParts>(seamsIn(config, platform(), store, waits, state));
        frame = &parts->frame;
        connection = &parts->connection;
        frame->resize(900, 900);
        frame->newDocument();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        frame->view()->repaint();
    }

    // Sets the view's height; the frame keeps its menu and toolbar above it.
    void setViewHeight(int height) {
        frame->resize(900, height + frame->height() - view()->height());
        QApplication::processEvents();
        ASSERT_EQ(view()->height(), height);
        view()->repaint();
    }

    COrvalinderView* view() { return frame->view(); }
    std::wstring status(int n) { return view()->status().lines().line(n); }
    ButtonCodes& codes() { return parts->codes; }

    void click(int x, int y) { QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(x, y)); }

    // A click on the picture at fractions of its width and height.
    void clickPicture(float fx, float fy) {
        const PictureGeometry& g = view()->state().geometry;
        click(g.xOffset + static_cast<int>(fx * static_cast<float>(g.width) * g.scale),
              static_cast<int>(fy * static_cast<float>(g.height) * g.scale));
    }

    // A click on the connect square's far corner, the last pixel that counts.
    bool connectByClick() {
        QSignalSpy finished(connection, &SerialConnection::connectFinished);
        click(layout::ConnectSquare.right, layout::ConnectSquare.bottom);
        return finished.wait(5000) && connection->connected();
    }

    void clickConnectButtonMiddle() {
        click((layout::ConnectSquare.left + layout::ConnectSquare.right) / 2,
              (layout::ConnectSquare.top + layout::ConnectSquare.bottom) / 2);
    }

    // The part of the view where the Stop image belongs.
    QImage shownStopImage() {
        return view()
            ->grab()
            .toImage()
            .convertToFormat(QImage::Format_RGB32)
            .copy(layout::StopImageTopLeft.x, layout::StopImageTopLeft.y, layout::StopImageSize, layout::StopImageSize);
    }

    // The stop square's far corner, the last pixel that stops the recorder.
    void clickStop() { click(layout::StopSquare.right, layout::StopSquare.bottom); }

    QTemporaryDir config;
    PtyBoard board;
    QtSettingsStore store;
    NoWait noWait;
    QSettings state{settingsIn(config), QSettings::IniFormat};
    std::unique_ptr<ProgramParts> parts;
    CMainFrame* frame = nullptr;
    SerialConnection* connection = nullptr;
};

}  // namespace orvalinder::testing
