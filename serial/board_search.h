#pragma once
// Asks ports one after another whether they are the board, on the port
// thread: each is opened (the board resets), asked its version while the
// board starts, and closed again. Every step is a timer or a read, so the
// thread stays free and the whole search is bounded.

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

#include "serial/board_ports.h"
#include "serial/firmware_version.h"
#include "serial/serial_link.h"

class QSerialPort;

namespace orvalinder {

class VersionProbe;

class BoardSearch : public QObject {
public:
    struct Outcome {
        std::optional<PortDescription> found;
        FirmwareVersion version;
        std::vector<ProbeResult> tried;
    };
    using Progress = std::function<void(const PortDescription&, int index, int total)>;
    using Done = std::function<void(const Outcome&)>;

    BoardSearch(BoardWaits& waits, std::vector<PortDescription> candidates, Progress progress, Done done,
                QObject* parent);

    void start() { next(); }

private:
    void next();
    void answered(const std::optional<FirmwareVersion>& version);
    void finish();

    const std::vector<PortDescription> candidates_;
    Progress progress_;
    Done done_;
    QSerialPort* port_;
    VersionProbe* probe_;
    Outcome outcome_;
    int index_ = -1;
};

}  // namespace orvalinder
