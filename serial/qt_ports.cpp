#include "serial/qt_ports.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace orvalinder {
namespace {

// Where a tty hangs on the USB tree, as Linux names it.
std::string usbLocation([[maybe_unused]] const QString& portName) {
#ifdef Q_OS_LINUX
    return usbLocationOf(QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath());
#else
    return {};
#endif
}

}  // namespace

std::string usbLocationOf(const QString& device) {
    const QStringList parts = device.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        const QString& part = parts[i];
        const qsizetype dash = part.indexOf(QLatin1Char('-'));
        if (dash > 0 && !part.contains(QLatin1Char(':')) && part.left(dash).toUInt() > 0) return part.toStdString();
    }
    return {};
}

std::string knownHolderRunning(const QString& processes) {
    for (const QString& pid : QDir(processes).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.toUInt() == 0) continue;
        QFile comm(processes + QStringLiteral("/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "brltty") return "brltty";
    }
    return {};
}

std::vector<PortDescription> QtPortLister::ports() const {
    std::vector<PortDescription> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortDescription port;
        port.path = info.systemLocation().toStdString();
        if (info.hasVendorIdentifier()) port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) port.productId = info.productIdentifier();
        port.serialNumber = info.serialNumber().toStdString();
        port.location = usbLocation(info.portName());
        port.description = (info.description().isEmpty() ? info.manufacturer() : info.description()).toStdString();
        found.push_back(std::move(port));
    }
    return found;
}

bool QtPortLister::exists(const std::string& path) const {
#ifdef Q_OS_WIN
    // COM ports are no files: the list says which exist.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation().toStdString() == path || "//./" + info.portName().toStdString() == path) return true;
    return false;
#else
    return QFileInfo::exists(QString::fromStdString(path));
#endif
}

OpenFailure openFailureOf(const QSerialPort& port, const std::string& path) {
    OpenFailure why;
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: why.kind = OpenFailure::Missing; break;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Qt says "permission" for a port another program holds too; one we
        // may read and write is busy.
        if (::access(path.c_str(), R_OK | W_OK) == 0) {
            why.kind = OpenFailure::Busy;
            why.holder = knownHolderRunning(QStringLiteral("/proc"));
            break;
        }
        why.kind = OpenFailure::NoPermission;
#else
        (void)path;
        why.kind = OpenFailure::Busy;
#endif
        break;
    default: break;
    }
    return why;
}

}  // namespace orvalinder
