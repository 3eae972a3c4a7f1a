#include "serial/board_search.h"

#include <QSerialPort>
#include <QTimer>

#include "serial/qt_ports.h"
#include "serial/version_probe.h"

namespace orvalinder {

BoardSearch::BoardSearch(BoardWaits& waits, std::vector<PortDescription> candidates, Progress progress, Done done,
                         QObject* parent)
    : QObject(parent),
      candidates_(rankCandidates(std::move(candidates))),
      progress_(std::move(progress)),
      done_(std::move(done)),
      port_(new QSerialPort(this)),
      probe_(new VersionProbe(
          waits, [this](const auto& version) { answered(version); }, this)) {
    connect(port_, &QSerialPort::readyRead, this, [this] {
        const QByteArray bytes = port_->readAll();
        // Only the answer matters here.
        probe_->feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), [](std::string_view) {});
    });
}

void BoardSearch::next() {
    if (port_->isOpen()) port_->close();
    probe_->stop();
    ++index_;
    if (index_ >= static_cast<int>(candidates_.size())) {
        finish();
        return;
    }
    const PortDescription& candidate = candidates_[static_cast<size_t>(index_)];
    progress_(candidate, index_, static_cast<int>(candidates_.size()));
    port_->setPortName(QString::fromStdString(candidate.path));
    if (!port_->open(QIODevice::ReadWrite)) {
        outcome_.tried.push_back({candidate, false, openFailureOf(*port_, candidate.path)});
        // Not at once: a long list of ports that fail must not hold the thread.
        QTimer::singleShot(0, this, &BoardSearch::next);
        return;
    }
    outcome_.tried.push_back({candidate, true, {}});
    port_->setBaudRate(static_cast<qint32>(wire::kBaud));  // the board's own speed, whatever is stored
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    port_->setDataTerminalReady(true);  // refused by devices without modem lines
    port_->clearError();
    probe_->ask(*port_, kSearchAnswerMs);
}

void BoardSearch::answered(const std::optional<FirmwareVersion>& version) {
    if (!version) {
        next();
        return;
    }
    outcome_.found = candidates_[static_cast<size_t>(index_)];
    outcome_.version = *version;
    finish();
}

void BoardSearch::finish() {
    if (port_->isOpen()) port_->close();
    index_ = static_cast<int>(candidates_.size());
    done_(outcome_);
}

}  // namespace orvalinder
