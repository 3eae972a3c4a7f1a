#pragma once
// The connection the window drives. One thread of its own, the port thread,
// owns the QSerialPort and reacts to it: what the board sends becomes lines
// as it arrives, the connect is a sequence of timed steps, and an unplug
// arrives as an error. The connection's state lives here, on the window's
// thread; every outcome comes back by signal.

#include <QObject>
#include <QString>
#include <QThread>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "serial/board_ports.h"
#include "serial/firmware_version.h"
#include "serial/keycode_logger.h"
#include "serial/line_queue.h"
#include "serial/serial_link.h"

namespace orvalinder {

class PortEngine;

enum class ConnectionState { Closed, Connecting, Connected };

class SerialConnection : public QObject {
    Q_OBJECT
public:
    // Bytes that arrive while nobody reads wait up to this many, as in a
    // driver's input queue; what does not fit is dropped.
    static constexpr int kQueueBytes = 16384;

    SerialConnection(SettingsStore& store, BoardWaits& waits, KeyCodeLogger logger = KeyCodeLogger(),
                     QObject* parent = nullptr);
    ~SerialConnection() override;

    ConnectionState state() const { return state_; }
    bool connecting() const { return state_ == ConnectionState::Connecting; }
    bool connected() const { return state_ == ConnectionState::Connected; }

    // From now on a connect whose port is not set or no longer exists looks
    // for the board among the lister's ports and stores the port it answered
    // on, and every connect listens for the version the board says as it
    // starts, writing nothing: boardChecked follows connectFinished. The
    // lister must outlive the connection.
    void lookAfterBoard(PortLister& lister);

    // Starts a connect; connectStarted, then connectFinished follow. False,
    // and nothing happens, while a connect or a search is already under way.
    // `quiet`: the program's own try, whose failure shows no message.
    bool startConnect(bool quiet = false);

    // Asks every port of the lister, best candidates first, whether it is
    // the board: searchProgress as it goes, then searchFinished. False while
    // a connect or a search is under way, or without a lister.
    bool findBoard();
    // Ends a search at once; searchFinished says nothing was found.
    void cancelSearch();
    bool searching() const { return searching_; }
    bool looksAfterBoard() const { return lookingAfterBoard_; }

    // Closes the port, abandoning a connect under way (whose connectFinished
    // then reports not connected, without a message). A message when the
    // close fails.
    std::optional<UserMessage> disconnect();

    // Writes the bytes; how many the port took, 0 when not connected.
    long write(std::string_view bytes);

    // The board is read only while the IR Monitor is shown, while a button
    // is being learned, or while something else listens (Home Assistant's
    // receiver); otherwise its bytes wait. Codes go to keycodes.txt only
    // for the IR Monitor.
    void setMonitorActive(bool active);
    void setLearning(bool learning);
    void setListening(bool listening);
    bool learning() const { return readers_.learning; }

    // Every line received for the window (the IR Monitor or the learner)
    // since the last call, in order.
    std::vector<ReceivedLine> takeLines() { return queue_.takeAll(); }
    // The same for the listener, whatever the window shows.
    std::vector<ReceivedLine> takeHeardLines() { return heard_.takeAll(); }
    // Every line received since the connection was made, taken or not.
    long linesReceived() const { return queue_.linesPushed(); }

signals:
    void connectStarted(bool quiet);
    // The message to show, empty for none, with its icon.
    void connectFinished(bool connected, const QString& message, MessageIcon icon);
    // After a connect: check is a FirmwareCheck, version the board's ("1.1").
    void boardChecked(int check, const QString& version);
    void searchProgress(const QString& text, int done, int total);
    // path: where the board answered, empty when nowhere; message: why not.
    void searchFinished(const QString& path, const QString& version, const QString& message);
    void linesArrived();       // takeLines() has lines
    void heardLinesArrived();  // takeHeardLines() has lines
    void stateChanged();
    void logFailed(const QString& message, const QString& statusLine1);
    void connectionLost();

private:
    friend class PortEngine;

    template <typename Work>
    auto onPortThread(Work work);
    void updateReading();
    void setState(ConnectionState state);
    // Reports from the port thread, about the connect numbered `attempt`.
    void finishConnect(int attempt, const ConnectOutcome& outcome);
    void lost(int attempt);
    void finishSearch(int search, const QString& path, const QString& version, const QString& message);

    QThread thread_;
    PortEngine* engine_;  // lives on thread_
    LineQueue queue_;
    LineQueue heard_;
    ConnectionState state_ = ConnectionState::Closed;
    int attempt_ = 0;  // reports about earlier attempts are stale
    int search_ = 0;   // the same for searches
    bool searching_ = false;
    bool quiet_ = false;
    bool lookingAfterBoard_ = false;
    // Who reads the board.
    struct Readers {
        bool monitor = false;
        bool learning = false;
        bool listening = false;
    };
    Readers readers_;
    std::mutex callMutex_;
    std::condition_variable callDone_;
};

}  // namespace orvalinder
