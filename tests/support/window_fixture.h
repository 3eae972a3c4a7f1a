#pragma once
// The program's window offscreen, with the per-user settings in a temporary
// folder; WindowFixture adds a pseudo-terminal that plays the board.
// Subclasses say which message boxes, picker and folder opener the window
// uses; Scripted<...> gives it scripted ones.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <memory>
#include <string>

#include "app/dialogs/com_settings_dlg.h"
#include "app/program_parts.h"
#include "app/qt_platform.h"
#include "tests/support/program_seams.h"
#include "core/commands.h"
#include "core/view_layout.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/modal.h"
#include "tests/support/no_wait.h"
#include "tests/support/pty_board.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder::testing {

class ProgramWindow : public ::testing::Test {
protected:
    virtual Platform& platform() = 0;
    // The seams the window is built with; a subclass may change some.
    virtual ProgramSeams seams(BoardWaits& waits) { return seamsIn(config, platform(), store, waits, state); }

    // The window as the program builds it, again when a test restarts it.
    void build(BoardWaits& waits) {
        parts.reset();
        parts = std::make_unique<ProgramParts>(seams(waits));
        frame = &parts->frame;
        connection = &parts->connection;
        frame->resize(900, 900);
        frame->newDocument();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        frame->view()->repaint();
    }

    // The window goes first: it uses the subclasses' platform and board.
    void TearDown() override { parts.reset(); }

    // Closed as the user closes it, which saves its state, and built again.
    void restart(BoardWaits& waits) {
        frame->close();
        build(waits);
    }

    // Sets the view's height; the frame keeps its menu and toolbar above it.
    void setViewHeight(int height) {
        frame->resize(900, height + frame->height() - view()->height());
        QApplication::processEvents();
        ASSERT_EQ(view()->height(), height);
        view()->repaint();
    }

    // A file of the per-user folder with these bytes; its path.
    QString writeFile(const QString& name, const QByteArray& bytes = {}) {
        QFile file(config.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        file.write(bytes);
        return file.fileName();
    }
    QByteArray readFile(const QString& name) {
        QFile file(QDir(config.path()).filePath(name));  // a whole path is taken as it is
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    // The Com settings name this port, the rest as the program starts them.
    void usePort(const std::string& path) { writePortSettings(store, PortSettings{path}); }
    COrvalinderView* view() { return frame->view(); }
    std::wstring status(int n) { return view()->status().lines().line(n); }
    ButtonCodes& codes() { return parts->codes; }
    // Another picture, drawn so that its buttons can be clicked.
    void showRemote(RemoteKind kind) {
        view()->selectRemote(kind);
        view()->repaint();
    }

    // A menu's items or a toolbar's buttons: "-" for a separator, " (off)"
    // after one disabled.
    static QStringList itemsOf(const QWidget* menu) {
        QStringList items;
        for (const QAction* a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
        return items;
    }

    void click(int x, int y) { QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(x, y)); }
    void click(QPoint at) { click(at.x(), at.y()); }

    // Runs a menu command; `answer` operates the dialog it opens and closes it.
    template <class Dialog>
    void answerCommand(int command, std::function<void(Dialog*)> answer) {
        onNextModal<Dialog>(std::move(answer));
        frame->action(command)->trigger();
    }

    // Options > Com settings: the port typed into its box, as the user does,
    // then OK; first the default values, if asked.
    void typePortInComSettings(const std::string& path, bool defaultsFirst = false) {
        answerCommand<CComSettingsDlg>(command::ComSettings, [&](CComSettingsDlg* dialog) {
            if (defaultsFirst) QTest::mouseClick(buttonNamed(*dialog, "&Set default values"), Qt::LeftButton);
            auto* port = dialog->findChild<QComboBox*>("comPort");
            port->setFocus();
            port->lineEdit()->clear();
            QTest::keyClicks(port->lineEdit(), QString::fromStdString(path));
            QTest::mouseClick(buttonNamed(*dialog, "&OK"), Qt::LeftButton);
        });
    }

    // The point of the picture at fractions of its width and height.
    QPoint onPicture(float fx, float fy) {
        const PictureGeometry& g = view()->state().geometry;
        return {g.xOffset + static_cast<int>(fx * static_cast<float>(g.width) * g.scale),
                static_cast<int>(fy * static_cast<float>(g.height) * g.scale)};
    }
    void clickPicture(float fx, float fy) { click(onPicture(fx, fy)); }

    // The middle of a button of the picture shown.
    QPoint pictureButton(int index) {
        const AreaRect area =
            areaRect(clickAreas(view()->state().remoteKind)[static_cast<size_t>(index)], view()->state().geometry);
        return {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    }

    // The tooltip over a point of the view, asked as the mouse would.
    QString tipAt(QPoint at) {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, at, view()->mapToGlobal(at));
        QApplication::sendEvent(view(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    // A click on the connect square's far corner, the last pixel that counts;
    // a board with its real start-up takes five seconds.
    bool connectByClick() {
        QSignalSpy finished(connection, &SerialConnection::connectFinished);
        click(layout::ConnectSquare.right, layout::ConnectSquare.bottom);
        return finished.wait(10000) && connection->connected();
    }

    static QPoint connectButtonMiddle() {
        return {(layout::ConnectSquare.left + layout::ConnectSquare.right) / 2,
                (layout::ConnectSquare.top + layout::ConnectSquare.bottom) / 2};
    }
    void clickConnectButtonMiddle() { click(connectButtonMiddle()); }

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
    QtSettingsStore store;
    NoWait noWait;
    QSettings state{settingsIn(config), QSettings::IniFormat};
    std::unique_ptr<ProgramParts> parts;
    CMainFrame* frame = nullptr;
    SerialConnection* connection = nullptr;
};

// The window over a pseudo-terminal that plays the board.
class WindowFixture : public ProgramWindow {
protected:
    void SetUp() override {
        ASSERT_TRUE(board.ok());
        usePort(board.path());
        build(noWait);
    }

    PtyBoard board;
};

// A window fixture with scripted message boxes, picker and folder opener.
template <class Fixture>
class Scripted : public Fixture {
protected:
    ScriptedBoxes boxes;
    ScriptedPicker files;
    ScriptedFolders folders;
    Platform scripted{boxes, files, folders};
    Platform& platform() override { return scripted; }
};

// A window fixture with the program's own message boxes, file picker (Qt's
// dialog, which a test can operate) and folder opener.
template <class Fixture>
class Real : public Fixture {
protected:
    QtMessageBoxes boxes;
    QtFilePicker files{QFileDialog::DontUseNativeDialog};
    QtFolderOpener folders;
    Platform real{boxes, files, folders};
    Platform& platform() override { return real; }
};

}  // namespace orvalinder::testing
