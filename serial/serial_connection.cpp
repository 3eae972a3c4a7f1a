#include "serial/serial_connection.h"

#include <QMetaObject>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <type_traits>

#include "serial/board_search.h"
#include "serial/line_receiver.h"
#include "serial/qt_ports.h"
#include "serial/qt_serial_device.h"
#include "serial/version_probe.h"

namespace orvalinder {

// Lives on the port thread and does everything there: the connect's steps,
// reading, writing and closing.
class PortEngine : public QObject, private SerialDeviceOpener {
public:
    using Readers = SerialConnection::Readers;
    static constexpr qint64 kBatchBytes = 4096;

    PortEngine(SettingsStore& store, BoardWaits& waits, KeyCodeLogger logger, SerialConnection& owner)
        : port_(new QSerialPort(this)),
          stepTimer_(new QTimer(this)),
          probe_(new VersionProbe(
              waits, [this](const auto& version) { endListening(version); }, this)),
          store_(store),
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

    void lookAfterBoard(PortLister& lister) { lister_ = &lister; }

    void connectPort(int attempt) {
        attempt_ = attempt;
        if (lister_ && portMissing()) {
            search(-1);
            return;
        }
        step(link_.startConnect());
    }

    // `number` -1: for the connect under way.
    void search(int number) {
        stopSearch();
        const bool forConnect = number < 0;
        if (connected_ && !forConnect) {
            // The board the window is connected to is the one: its port is
            // ours, so it could not be asked anyway.
            const QString path = QString::fromStdString(openedPath_);
            const QString version = version_ ? QString::fromStdString(version_->text()) : QString();
            report([number, path, version](SerialConnection& owner) { owner.finishSearch(number, path, version, {}); });
            return;
        }
        // A port set but missing (typed wrong) is named before the search.
        const std::string missing = forConnect ? storedPort() : std::string();
        search_ = new BoardSearch(
            waits_, lister_->ports(),
            [this, missing](const PortDescription& port, int index, int total) {
                const std::string asking = askingText(port, index, total);
                const QString text = QString::fromStdString(missing.empty() ? asking : "no " + missing + "; " + asking);
                report(
                    [text, index, total](SerialConnection& owner) { emit owner.searchProgress(text, index, total); });
            },
            [this, number, forConnect, missing](const BoardSearch::Outcome& outcome) {
                // Deleted later: this runs inside it.
                search_->deleteLater();
                search_ = nullptr;
                if (forConnect) {
                    searchedForConnect(outcome, missing);
                    return;
                }
                const QString path = outcome.found ? QString::fromStdString(outcome.found->path) : QString();
                const QString version = outcome.found ? QString::fromStdString(outcome.version.text()) : QString();
                const QString message = outcome.found ? QString() : QString::fromStdString(noBoardText(outcome.tried));
                report([number, path, version, message](SerialConnection& owner) {
                    owner.finishSearch(number, path, version, message);
                });
            },
            this);
        search_->start();
    }

    void stopSearch() {
        if (!search_) return;
        delete search_;
        search_ = nullptr;
    }

    std::optional<UserMessage> disconnectPort() {
        stepTimer_->stop();
        stopSearch();
        probe_->stop();
        connected_ = false;
        return link_.disconnect();
    }

    long write(std::string_view bytes) {
        SerialDevice* port = link_.port();
        return connected_ && port ? port->write(bytes) : 0;
    }

    // Learning reads the board without logging, and from now on: a frame
    // that waited from before is no key the user pressed for it. Codes are
    // logged only for the IR Monitor.
    void setReading(Readers readers) {
        if (readers.learning && !readers_.learning) held_.clear();
        readers_ = readers;
        lines_.setLogging(readers.monitor && !readers.learning);
        reading_ = readers.monitor || readers.learning || readers.listening;
        if (connected_ && reading_ && !held_.empty()) {
            deliver(held_);
            held_.clear();
        }
    }

private:
    std::shared_ptr<SerialDevice> open(const std::string& devicePath) override {
        port_->setPortName(QString::fromStdString(devicePath));
        // QSerialPort locks the device and asks the driver for exclusive use.
        if (!port_->open(QIODevice::ReadWrite)) {
            openFailure_ = openFailureOf(*port_, devicePath);
            return nullptr;
        }
        held_.clear();
        openedPath_ = devicePath;
        version_.reset();
        return std::make_shared<QtSerialDevice>(*port_);
    }
    OpenFailure lastFailure() const override { return openFailure_; }

    // The device the stored port names, "" when none is set.
    std::string storedPort() const {
        if (!store_.keyExists()) return {};
        const std::optional<std::string> port = readSetting(store_, setting::Port);
        if (!port || port->find_first_not_of(" \t") == std::string::npos) return {};
        return devicePath(port);
    }
    // No port set, or one that no longer exists: the board is looked for.
    bool portMissing() const {
        const std::string port = storedPort();
        return port.empty() || !lister_->exists(port);
    }

    void searchedForConnect(const BoardSearch::Outcome& outcome, const std::string& missing) {
        if (!outcome.found) {
            const std::string text = missing.empty() ? noBoardText(outcome.tried)
                                                     : "There is no " + missing +
                                                           ": is the board plugged in, and is Com Port in "
                                                           "Options > Com settings typed right?\n\n" +
                                                           noBoardText(outcome.tried);
            step({ConnectOutcome{false, UserMessage{text, MessageIcon::Stop}}});
            return;
        }
        const bool stored = store_.keyExists() ? store_.setValue(setting::Port, outcome.found->path)
                                               : writePortSettings(store_, PortSettings{outcome.found->path});
        if (!stored) {
            step({ConnectOutcome{false, UserMessage{"The board answered on " + outcome.found->path +
                                                        ", but the com port settings could not be saved.",
                                                    MessageIcon::Stop}}});
            return;
        }
        step(link_.startConnect());
    }

    // Looked after, the board counts as connected once it has said its
    // version, which IrBridge does as the open resets it, or once it has had
    // the whole start-up time to say it. The line is taken out of what the
    // board sends; the rest goes on as ever.
    void startListening() {
        probe_->listen(kConnectAnswerMs);
        // What it said while the port was set up.
        std::string said;
        said.swap(held_);
        probe_->feed(said, [this](std::string_view bytes) { forward(bytes); });
        if (probe_->waiting()) takeArrivedBytes();
    }

    void endListening(const std::optional<FirmwareVersion>& version) {
        version_ = version;
        connected(ConnectOutcome{true, std::nullopt});
        forward(probe_->release());
        const int check = static_cast<int>(checkFirmware(version_));
        const QString text = version_ ? QString::fromStdString(version_->text()) : QString();
        report([attempt = attempt_, check, text](SerialConnection& owner) {
            if (attempt == owner.attempt_ && owner.connected()) emit owner.boardChecked(check, text);
        });
    }

    void step(const SerialLink::Step& next) {
        if (!next.outcome) {
            // Looked after, the board is listened to rather than waited for.
            stepTimer_->start(lister_ ? 0 : waits_.milliseconds(next.waitMs));
            return;
        }
        if (lister_ && next.outcome->connected) {
            startListening();
            return;
        }
        connected(*next.outcome);
    }

    void connected(const ConnectOutcome& outcome) {
        connected_ = outcome.connected;
        report([attempt = attempt_, outcome](SerialConnection& owner) { owner.finishConnect(attempt, outcome); });
        if (connected_) {
            lines_ = LineReceiver(logger_);  // a new connection starts with no partial line
            setReading(readers_);
            takeArrivedBytes();  // what waited in the port
        }
    }

    void takeArrivedBytes() {
        if ((connected_ && reading_) || probe_->waiting()) {
            // In small batches: the window takes each batch in one go, and a
            // fast board must not hold it up for long.
            while (port_->bytesAvailable() > 0) {
                const QByteArray bytes = port_->read(kBatchBytes);
                const std::string_view chunk(bytes.constData(), static_cast<size_t>(bytes.size()));
                if (probe_->waiting())
                    probe_->feed(chunk, [this](std::string_view passed) { forward(passed); });
                else
                    forward(chunk);
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

    // Bytes past the version check: to the window, or kept while nobody
    // reads, as far as the queue goes.
    void forward(std::string_view bytes) {
        if (connected_ && reading_) {
            deliver(bytes);
            return;
        }
        held_.append(bytes.substr(
            0, SerialConnection::kQueueBytes - std::min(held_.size(), size_t{SerialConnection::kQueueBytes})));
    }

    void deliver(std::string_view bytes) {
        ChunkResult result = lines_.feed(bytes);
        if (readers_.listening && owner_.heard_.push(result.lines))
            report([](SerialConnection& owner) { emit owner.heardLinesArrived(); });
        if ((readers_.monitor || readers_.learning) && owner_.queue_.push(std::move(result.lines)))
            report([](SerialConnection& owner) { emit owner.linesArrived(); });
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
        const bool wasConnecting = stepTimer_->isActive() || probe_->waiting();
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
        QMetaObject::invokeMethod(
            &owner_, [&owner = owner_, work] { work(owner); }, Qt::QueuedConnection);
    }

    QSerialPort* port_;
    QTimer* stepTimer_;
    VersionProbe* probe_;  // listens for the version after a connect
    SettingsStore& store_;
    SerialLink link_;
    BoardWaits& waits_;
    KeyCodeLogger logger_;
    LineReceiver lines_;
    SerialConnection& owner_;  // reached only through report(), apart from its line queue
    std::string held_;         // bytes that came while nobody read
    int attempt_ = 0;
    bool connected_ = false;
    bool reading_ = false;
    Readers readers_;
    PortLister* lister_ = nullptr;  // set when the connection looks after the board
    BoardSearch* search_ = nullptr;
    OpenFailure openFailure_;
    std::string openedPath_;
    std::optional<FirmwareVersion> version_;  // what the board said after the connect
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

void SerialConnection::lookAfterBoard(PortLister& lister) {
    lookingAfterBoard_ = true;
    onPortThread([engine = engine_, &lister] { engine->lookAfterBoard(lister); });
}

bool SerialConnection::startConnect(bool quiet) {
    if (state_ == ConnectionState::Connecting || searching_) return false;
    setState(ConnectionState::Connecting);
    quiet_ = quiet;
    const int attempt = ++attempt_;
    emit connectStarted(quiet);
    QMetaObject::invokeMethod(
        engine_, [engine = engine_, attempt] { engine->connectPort(attempt); }, Qt::QueuedConnection);
    return true;
}

bool SerialConnection::findBoard() {
    if (!lookingAfterBoard_ || state_ == ConnectionState::Connecting || searching_) return false;
    searching_ = true;
    const int number = ++search_;
    QMetaObject::invokeMethod(
        engine_, [engine = engine_, number] { engine->search(number); }, Qt::QueuedConnection);
    return true;
}

void SerialConnection::cancelSearch() {
    if (!searching_) return;
    ++search_;
    searching_ = false;
    onPortThread([engine = engine_] { engine->stopSearch(); });
    emit searchFinished(QString(), QString(), QString());
}

void SerialConnection::finishSearch(int search, const QString& path, const QString& version, const QString& message) {
    if (search != search_) return;  // cancelled
    searching_ = false;
    emit searchFinished(path, version, message);
}

std::optional<UserMessage> SerialConnection::disconnect() {
    const bool abandoning = state_ == ConnectionState::Connecting;
    ++attempt_;
    setState(ConnectionState::Closed);
    std::optional<UserMessage> failure = onPortThread([engine = engine_] { return engine->disconnectPort(); });
    if (abandoning)
        QMetaObject::invokeMethod(
            this, [this] { emit connectFinished(false, QString(), MessageIcon::Default); }, Qt::QueuedConnection);
    return failure;
}

long SerialConnection::write(std::string_view bytes) {
    if (state_ != ConnectionState::Connected) return 0;
    return onPortThread([engine = engine_, bytes] { return engine->write(bytes); });
}

void SerialConnection::setMonitorActive(bool active) {
    readers_.monitor = active;
    updateReading();
}

void SerialConnection::setLearning(bool learning) {
    readers_.learning = learning;
    updateReading();
}

void SerialConnection::setListening(bool listening) {
    readers_.listening = listening;
    updateReading();
}

void SerialConnection::updateReading() {
    QMetaObject::invokeMethod(
        engine_, [engine = engine_, readers = readers_] { engine->setReading(readers); }, Qt::QueuedConnection);
}

void SerialConnection::finishConnect(int attempt, const ConnectOutcome& outcome) {
    if (attempt != attempt_) return;  // abandoned
    setState(outcome.connected ? ConnectionState::Connected : ConnectionState::Closed);
    const bool shown = outcome.message && !quiet_;
    const QString message = shown ? QString::fromStdString(outcome.message->text) : QString();
    const MessageIcon icon = shown ? outcome.message->icon : MessageIcon::Default;
    emit connectFinished(outcome.connected, message, icon);
}

void SerialConnection::setState(ConnectionState state) {
    if (state == state_) return;
    state_ = state;
    emit stateChanged();
}

void SerialConnection::lost(int attempt) {
    if (attempt != attempt_ || state_ != ConnectionState::Connected) return;
    setState(ConnectionState::Closed);
    emit connectionLost();
}

}  // namespace orvalinder
