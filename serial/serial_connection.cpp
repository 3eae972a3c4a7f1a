#include "serial/serial_connection.h"

#include <QMetaObject>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <type_traits>

#include "serial/line_receiver.h"
#include "serial/qt_serial_device.h"

namespace orvalinder {

// Lives on the port thread and does everything there: the connect's steps,
// reading, writing and closing.
class PortEngine : public QObject, private SerialDeviceOpener {
public:
    static constexpr qint64 kBatchBytes = 4096;

    PortEngine(SettingsStore& store, BoardWaits& waits, KeyCodeLogger logger, SerialConnection& owner)
        : port_(new QSerialPort(this)),
          stepTimer_(new QTimer(this)),
          link_(store, *this),
          waits_(waits),
          logger_(std::move(logger)),
          owner_(owner) {
        // Bounded from the start: the board talks while the connect waits.
        port_->setReadBufferSize(SerialConnection::kQueueBytes);
        connect(port_, &QSerialPort::readyRead, this, &PortEngine::takeArrivedBytes);
        connect(port_, &QSerialPort::errorOccurred, this, &PortEngine::portError);
        stepTimer_->setSingleShot(true);
        connect(stepTimer_, &QTimer::timeout, this, [this] { step(link_.continueConnect()); });
    }
    ~PortEngine() override {
        port_->disconnect(this);  // closing is no error to report
        link_.disconnect();
    }

    void connectPort(int attempt) {
        attempt_ = attempt;
        step(link_.startConnect());
    }

    std::optional<UserMessage> disconnectPort() {
        stepTimer_->stop();
        connected_ = false;
        return link_.disconnect();
    }

    long write(std::string_view bytes) {
        SerialDevice* port = link_.port();
        return connected_ && port ? port->write(bytes) : 0;
    }

    // Learning reads the board without logging, and from now on: a frame
    // that waited from before is no key the user pressed for it.
    void setReading(bool reading, bool learning) {
        if (learning && !learning_) held_.clear();
        learning_ = learning;
        lines_.setLogging(!learning);
        reading_ = reading;
        if (connected_ && reading_ && !held_.empty()) {
            deliver(held_);
            held_.clear();
        }
    }

private:
    std::shared_ptr<SerialDevice> open(const std::string& devicePath) override {
        port_->setPortName(QString::fromStdString(devicePath));
        // QSerialPort locks the device and asks the driver for exclusive use.
        if (!port_->open(QIODevice::ReadWrite)) return nullptr;
        held_.clear();
        return std::make_shared<QtSerialDevice>(*port_);
    }

    void step(const SerialLink::Step& next) {
        if (!next.outcome) {
            stepTimer_->start(waits_.milliseconds(next.waitMs));
            return;
        }
        connected_ = next.outcome->connected;
        if (connected_) {
            lines_ = LineReceiver(logger_);  // a new connection starts with no partial line
            setReading(reading_, learning_);
            takeArrivedBytes();  // what waited in the port
        }
        report([attempt = attempt_, outcome = *next.outcome](SerialConnection& owner) {
            owner.finishConnect(attempt, outcome);
        });
    }

    void takeArrivedBytes() {
        if (connected_ && reading_) {
            // In small batches: the window takes each batch in one go, and a
            // fast board must not hold it up for long.
            while (port_->bytesAvailable() > 0) {
                const QByteArray bytes = port_->read(kBatchBytes);
                deliver(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
            }
            return;
        }
        // Nobody reads: the bytes wait, as in a driver's queue, up to its size.
        const QByteArray bytes = port_->read(static_cast<qint64>(SerialConnection::kQueueBytes - held_.size()));
        held_.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        // Once connected, what does not fit is dropped, as a full driver
        // queue drops it, so the port keeps reading and an unplug still shows.
        // While the board starts up the rest waits in the port, for the
        // connect to hand it on.
        if (connected_) port_->readAll();
    }

    void deliver(std::string_view bytes) {
        ChunkResult result = lines_.feed(bytes);
        if (owner_.queue_.push(std::move(result.lines))) report([](SerialConnection& owner) { emit owner.linesArrived(); });
        if (const auto& failure = result.logFailure) {
            const QString message = QString::fromStdString(failure->message.text);
            const QString status = failure->statusLine1 ? QString::fromStdWString(*failure->statusLine1) : QString();
            report([message, status](SerialConnection& owner) { emit owner.logFailed(message, status); });
        }
    }

    void portError(QSerialPort::SerialPortError error) {
        // A device that has gone keeps reporting errors; close it at once.
        if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
        if (!link_.portOpen()) return;
        const bool wasConnecting = stepTimer_->isActive();
        disconnectPort();
        if (wasConnecting) {
            report([attempt = attempt_](SerialConnection& owner) { owner.finishConnect(attempt, ConnectOutcome{}); });
        } else {
            report([attempt = attempt_](SerialConnection& owner) { owner.lost(attempt); });
        }
    }

    // Runs `work` on the window's thread, after what is already queued there.
    template <typename Work>
    void report(Work work) {
        QMetaObject::invokeMethod(&owner_, [&owner = owner_, work] { work(owner); }, Qt::QueuedConnection);
    }

    QSerialPort* port_;
    QTimer* stepTimer_;
    SerialLink link_;
    BoardWaits& waits_;
    KeyCodeLogger logger_;
    LineReceiver lines_;
    SerialConnection& owner_;  // reached only through report(), apart from its line queue
    std::string held_;         // bytes that came while nobody read
    int attempt_ = 0;
    bool connected_ = false;
    bool reading_ = false;
    bool learning_ = false;
};

SerialConnection::SerialConnection(SettingsStore& store, BoardWaits& waits, KeyCodeLogger logger, QObject* parent)
    : QObject(parent), engine_(new PortEngine(store, waits, std::move(logger), *this)) {
    thread_.setObjectName(QStringLiteral("serial port"));
    engine_->moveToThread(&thread_);
    // The engine closes the port as it goes, on its own thread.
    connect(&thread_, &QThread::finished, engine_, &QObject::deleteLater);
    thread_.start();
}

SerialConnection::~SerialConnection() {
    thread_.quit();
    thread_.wait();
}

// Runs the work on the port thread and waits for it. Qt's blocking queued
// call would do the same, but it hands over through Qt's own locks, which a
// thread sanitizer cannot see; this hand-over is a mutex of ours.
template <typename Work>
auto SerialConnection::onPortThread(Work work) {
    using Result = decltype(work());
    bool done = false;
    std::conditional_t<std::is_void_v<Result>, bool, Result> result{};
    std::unique_lock lock(callMutex_);
    QMetaObject::invokeMethod(
        engine_,
        [&] {
            std::lock_guard guard(callMutex_);
            if constexpr (std::is_void_v<Result>)
                work();
            else
                result = work();
            done = true;
            callDone_.notify_all();
        },
        Qt::QueuedConnection);
    callDone_.wait(lock, [&] { return done; });
    if constexpr (!std::is_void_v<Result>) return result;
}

bool SerialConnection::startConnect() {
    if (state_ == ConnectionState::Connecting) return false;
    state_ = ConnectionState::Connecting;
    const int attempt = ++attempt_;
    QMetaObject::invokeMethod(engine_, [engine = engine_, attempt] { engine->connectPort(attempt); },
                              Qt::QueuedConnection);
    return true;
}

std::optional<UserMessage> SerialConnection::disconnect() {
    const bool abandoning = state_ == ConnectionState::Connecting;
    ++attempt_;
    state_ = ConnectionState::Closed;
    std::optional<UserMessage> failure = onPortThread([engine = engine_] { return engine->disconnectPort(); });
    if (abandoning)
        QMetaObject::invokeMethod(this, [this] { emit connectFinished(false, QString(), -1); }, Qt::QueuedConnection);
    return failure;
}

long SerialConnection::write(std::string_view bytes) {
    if (state_ != ConnectionState::Connected) return 0;
    return onPortThread([engine = engine_, bytes] { return engine->write(bytes); });
}

void SerialConnection::setMonitorActive(bool active) {
    monitorActive_ = active;
    updateReading();
}

void SerialConnection::setLearning(bool learning) {
    learning_ = learning;
    updateReading();
}

void SerialConnection::updateReading() {
    QMetaObject::invokeMethod(engine_, [engine = engine_, reading = monitorActive_ || learning_, learning = learning_] {
        engine->setReading(reading, learning);
    }, Qt::QueuedConnection);
}

void SerialConnection::finishConnect(int attempt, const ConnectOutcome& outcome) {
    if (attempt != attempt_) return;  // abandoned
    state_ = outcome.connected ? ConnectionState::Connected : ConnectionState::Closed;
    const QString message = outcome.message ? QString::fromStdString(outcome.message->text) : QString();
    const int icon = outcome.message ? static_cast<int>(outcome.message->icon) : -1;
    emit connectFinished(outcome.connected, message, icon);
}

void SerialConnection::lost(int attempt) {
    if (attempt != attempt_ || state_ != ConnectionState::Connected) return;
    state_ = ConnectionState::Closed;
    emit connectionLost();
}

}  // namespace orvalinder
