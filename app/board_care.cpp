#include "app/board_care.h"

#include <QFileInfo>
#include <QToolTip>

#include "app/dialogs/flash_dlg.h"
#include "app/main_frame.h"
#include "core/view_layout.h"

namespace orvalinder {

BoardCare::BoardCare(CMainFrame& frame, Sender& sender, PortLister& lister, SettingsStore& store)
    : QObject(&frame),
      frame_(frame),
      connection_(sender.connection()),
      status_(sender.status()),
      lister_(lister),
      store_(store) {
    connection_.lookAfterBoard(lister_);
    watch_.setInterval(kWatchEveryMs);
    connect(&watch_, &QTimer::timeout, this, &BoardCare::lookForTheBoard);
    connect(&connection_, &SerialConnection::connectStarted, this, &BoardCare::connectStarted);
    connect(&connection_, &SerialConnection::boardChecked, this, &BoardCare::boardChecked);
    // Once the sender has said how the connect ended, or that the board is
    // gone: these texts complete its own.
    connect(&sender, &Sender::connectTold, this, &BoardCare::connectFinished);
    connect(&sender, &Sender::lossTold, this, &BoardCare::lost);
    connect(&connection_, &SerialConnection::searchProgress, this, [this](const QString& text) {
        if (connection_.connecting()) status_.say(StatusLine::Action, L"Looking for the board: " + text.toStdWString());
    });
    connect(&frame_, &CMainFrame::flashFirmwareRequested, this, &BoardCare::putFirmwareOnBoard);
}

std::string BoardCare::storedDevice() const { return devicePath(readSetting(store_, setting::Port)); }

void BoardCare::connectStarted(bool quiet) {
    frame_.view()->state().connectButtonTip.clear();  // a new board, perhaps
    if (!quiet) stopWatching();                       // the user's click takes over
}

void BoardCare::connectFinished(bool connected) {
    if (!connected) {
        if (reconnecting_) {
            reconnecting_ = false;
            quietUntilTick_ = kRetryAfterMs / kWatchEveryMs;
            status_.say(status_text::BoardBackNotOpen);
        }
        return;
    }
    stopWatching();
    // Known by what the system says of it, to be known again after an unplug.
    const std::string path = storedDevice();
    const std::string resolved = QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
    device_ = PortDescription{path, std::nullopt, std::nullopt, {}, {}, {}};
    for (const PortDescription& port : lister_.ports()) {
        if (port.path == path || (!resolved.empty() && port.path == resolved)) {
            device_ = port;
            device_.path = path;  // reopened as the user named it
        }
    }
}

void BoardCare::boardChecked(int check, const QString& version) {
    // The status lines stay the connect's own, whatever the board: any board
    // that takes key codes serves.
    const std::string note = firmwareNote(static_cast<FirmwareCheck>(check), version.toStdString());
    frame_.view()->state().connectButtonTip = note;
    if (static_cast<FirmwareCheck>(check) == FirmwareCheck::Older) offerUpdate(note);
}

// Once a run for each board, and never in the way: a box would hold up the
// first click after the connect. The note shows at the connect button, as
// its tooltip would, and goes with the next move of the mouse.
void BoardCare::offerUpdate(const std::string& note) {
    const std::string board = device_.serialNumber.empty() ? device_.path : device_.serialNumber;
    if (!updateOffered_.insert(board).second) return;
    COrvalinderView* view = frame_.view();
    const QPoint button(layout::ConnectButtonTopLeft.x + layout::ConnectButtonSize / 2,
                        layout::ConnectButtonTopLeft.y + layout::ConnectButtonSize / 2);
    QToolTip::showText(view->mapToGlobal(button), QString::fromStdString(note), view);
}

void BoardCare::lost() {
    if (device_.path.empty()) return;
    quietUntilTick_ = 0;
    watch_.start();
    status_.say(status_text::WaitingForBoard);
}

void BoardCare::stopWatching() {
    watch_.stop();
    reconnecting_ = false;
}

void BoardCare::lookForTheBoard() {
    if (quietUntilTick_ > 0) {
        --quietUntilTick_;
        return;
    }
    if (reconnecting_ || connection_.connecting() || connection_.connected() || connection_.searching()) return;
    const std::optional<std::string> back = whereDeviceIsBack(device_, lister_.ports(), lister_.exists(device_.path));
    if (!back) return;
    // Back under another name: the stored one leads nowhere now.
    if (*back != device_.path && !lister_.exists(storedDevice())) store_.setValue(setting::Port, *back);
    status_.say(StatusLine::Action, L"The board is back on " + wide(*back) + L": connecting");
    reconnecting_ = true;
    connection_.startConnect(true);
}

void BoardCare::putFirmwareOnBoard() {
    auto* dialog = new CFlashDlg(QString::fromStdString(storedDevice()), CFlashDlg::installedFirmware(), &frame_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &CFlashDlg::started, this, [this] {
        // avrdude needs the port to itself.
        stopWatching();
        if (connection_.connected() || connection_.connecting()) {
            connectedBeforeUpload_ = true;
            if (const auto failure = connection_.disconnect()) status_.say(StatusLine::Action, wide(failure->text));
            status_.say(status_text::DisconnectedForUpload);
        }
    });
    // Whether the upload worked, failed or was stopped, a board that was
    // connected is connected again: a failed upload leaves the old firmware.
    connect(dialog, &CFlashDlg::finished, this, [this](bool succeeded) {
        if (!succeeded && !connectedBeforeUpload_) return;
        connectedBeforeUpload_ = false;
        status_.say(status_text::ConnectingPleaseWait);
        connection_.startConnect(true);
    });
    dialog->show();
}

}  // namespace orvalinder
