#pragma once
// The connection the window drives: the opener runs off the window's thread
// (it waits five seconds for the board), the receiver hands its lines over
// through a queue, and every outcome comes back as a signal on the window's
// thread.

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

#include "serial/csio.h"
#include "serial/line_queue.h"
#include "serial/receiver.h"
#include "serial/serial_link.h"

namespace orvalinder {

class ThreadSleeper : public Sleeper {
public:
    void sleep(int milliseconds) override;
};

class SerialConnection : public QObject, public ReceiverSink {
    Q_OBJECT
public:
    SerialConnection(SettingsStore& store, SerialDeviceOpener& opener, Sleeper& sleeper,
                     KeyCodeLogger logger = KeyCodeLogger(), QObject* parent = nullptr);
    ~SerialConnection() override;

    CSio& sio() { return sio_; }
    const SerialLink& link() const { return link_; }

    // Starts a connect; connectFinished follows. Until then the link and its
    // port belong to the opener thread, and sio() keeps the earlier handle. False, and nothing happens,
    // while a connect is already under way.
    bool startConnect();
    bool connecting() const { return connecting_; }

    // Stops the receiver (waiting for it) and closes the port. A message
    // when the close fails. During a connect it abandons the connect: the
    // port is closed once the opener is done with it, and connectFinished
    // reports not connected, without a message.
    std::optional<UserMessage> disconnect();

    void setMonitorActive(bool active);
    bool receiving() const { return receiver_ != nullptr; }

    // Every line received since the last call, in order.
    std::vector<ReceivedLine> takeLines() { return queue_.takeAll(); }

signals:
    void connectFinished(bool connected, const QString& message, int icon);  // icon: MessageIcon; empty: none
    void linesArrived();                                                        // takeLines() has lines
    void logFailed(const QString& message, const QString& statusLine1);
    void connectionLost();

private:
    void received(ChunkResult result) override;
    void lost() override;
    void finishConnect(ConnectOutcome outcome);

    SettingsStore& store_;
    KeyCodeLogger logger_;
    CSio sio_;
    SerialLink link_;
    LineQueue queue_;
    std::unique_ptr<Receiver> receiver_;
    std::thread opener_;
    bool connecting_ = false;
    bool abandoned_ = false;  // disconnected while connecting
    bool monitorActive_ = false;
};

}  // namespace orvalinder
