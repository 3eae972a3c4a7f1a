#include "serial/serial_link.h"

namespace orvalinder {

SerialLink::SerialLink(SettingsStore& store, SerialDeviceOpener& opener, Sleeper& sleeper)
    : store_(store), opener_(opener), sleeper_(sleeper) {}

std::string SerialLink::openFailureText(const std::string& path, PathStyle style) {
    std::string text = "Can't open com port " + path + "\nPlease check the com port settings in the Options menu.";
    if (style == PathStyle::Windows) {
        text += "\n\nThis program uses the //./COM3 format when opening the port"
                "\nbecause this format is needed for ports higher than COM9.";
    } else {
        text += "\n\nThe port may be unplugged, in use by another program,"
                "\nor not open to your user (the dialout group)."
                "\nIf you are not in that group, run"
                "\n    sudo adduser $USER dialout"
                "\nthen log out and in again.";
    }
    return text.substr(0, 499);
}

ConnectOutcome SerialLink::connect() {
    if (!store_.keyExists()) {
        return {false, UserMessage{"Unable read the comm port name from the registry.\nPlease check the port settings ?",
                                   MessageIcon::Default}};
    }
    const std::string path = devicePath(readSetting(store_, setting::Port));

    bool openTried = false;
    if (!portOpen_) {
        port_ = opener_.open(path);
        openTried = true;
        if (!port_) return {false, UserMessage{openFailureText(path), MessageIcon::Stop}, openTried};
    }
    portOpen_ = true;

    LineSettings settings;
    if (!port_->readLineSettings(settings)) return {false, std::nullopt, openTried};
    if (store_.keyExists()) {
        settings.baudRate = baudRate(readSetting(store_, setting::Speed));
        settings.stopBits = stopBitsCode(readSetting(store_, setting::StopBits));
        settings.parity = parityCode(readSetting(store_, setting::Parity), settings.parity);
        settings.dataBits = dataBitsCount(readSetting(store_, setting::DataBits));
    } else {
        // The key went away during the connect: the board's own 115200 8N1.
        settings.baudRate = 115200;
        settings.parity = 0;
        settings.stopBits = 0;
        settings.dataBits = 8;
    }
    settings.dtrRaised = true;
    settings.rtsRaised = true;
    settings.flowControl = false;

    sleeper_.sleep(1000);
    if (!port_->applyLineSettings(settings)) {
        return {false,
                UserMessage{"SetCommState\nCould not set communication state \n openport aborted", MessageIcon::Stop},
                openTried};
    }
    sleeper_.sleep(2000);
    if (!port_->setReadTimeout(kReadTimeoutMs)) {
        return {false,
                UserMessage{"SetCommTimeouts\nCould not set communication timeouts\n openport aborted",
                            MessageIcon::Stop},
                openTried};
    }
    sleeper_.sleep(500);
    port_->clearErrors();
    sleeper_.sleep(500);
    port_->setQueueSizes(kQueueBytes, kQueueBytes);
    sleeper_.sleep(1000);
    return {true, std::nullopt, openTried};
}

std::optional<UserMessage> SerialLink::disconnect() {
    if (!portOpen_) return std::nullopt;
    portOpen_ = false;
    if (!port_->close()) return UserMessage{"Can't close port.", MessageIcon::Default};
    port_.reset();
    return std::nullopt;
}

}  // namespace orvalinder
