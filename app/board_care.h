#pragma once
// What the program does for the board beyond the connect button: it tells
// what firmware the board said it runs (the connect button's tooltip and the
// About box) and how to update an old one, puts the firmware on the board
// when asked (Tools), and after an unplug watches for the same device to
// come back and connects it again by itself, saying so in the status lines.

#include <QObject>
#include <QTimer>
#include <set>
#include <string>

#include "send/sender.h"
#include "serial/board_ports.h"
#include "serial/firmware_version.h"

namespace orvalinder {

class CMainFrame;

class BoardCare : public QObject {
    Q_OBJECT
public:
    // How often the ports are looked at while the board is away.
    static constexpr int kWatchEveryMs = 250;
    // A reconnect that failed is tried again after this.
    static constexpr int kRetryAfterMs = 1000;

    // Takes over the frame's Tools command; the lister must outlive it.
    BoardCare(CMainFrame& frame, Sender& sender, PortLister& lister, SettingsStore& store);

    bool watching() const { return watch_.isActive(); }
    // Opens the flashing dialog; nothing is written until the user starts it.
    void putFirmwareOnBoard();

private:
    void connectStarted(bool quiet);
    void offerUpdate(const std::string& note);
    void connectFinished(bool connected);
    void boardChecked(int check, const QString& version);
    void lost();
    void lookForTheBoard();
    void stopWatching();
    std::string storedDevice() const;

    CMainFrame& frame_;
    SerialConnection& connection_;
    StatusModel& status_;
    PortLister& lister_;
    SettingsStore& store_;
    QTimer watch_;
    PortDescription device_;  // the board connected last
    bool reconnecting_ = false;
    int quietUntilTick_ = 0;               // ticks to skip after a failed reconnect
    std::set<std::string> updateOffered_;  // the boards told of their old IrBridge
    bool connectedBeforeUpload_ = false;   // to be connected again after it
};

}  // namespace orvalinder
