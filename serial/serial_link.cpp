#include "serial/serial_link.h"

namespace orvalinder {

SerialLink::SerialLink(SettingsStore& store, SerialDeviceOpener& opener) : store_(store), opener_(opener) {}

std::string SerialLink::openFailureText(const std::string& path, PathStyle style, const OpenFailure& why) {
    std::string text = "Can't open com port " + path + "\nPlease check the com port settings in the Options menu.";
    if (why.kind == OpenFailure::Busy) {
        text += "\n\nAnother program has the port open.";
        if (why.holder == "brltty") {
            // Debian's braille display service takes CH340 and FTDI chips
            // for braille displays and holds their ports.
            text +=
                "\nbrltty, the braille display service, takes CH340 and FTDI ports."
                "\nIf you use no braille display, remove it:"
                "\n    sudo apt remove brltty"
                "\nthen unplug the board and plug it in again.";
        } else {
            text +=
                "\nClose it (a serial terminal, the Arduino IDE's serial monitor)"
                "\nand connect again.";
        }
    } else if (why.kind == OpenFailure::Missing && style == PathStyle::Posix) {
        text +=
            "\n\nThere is no such device: is the board plugged in?"
            "\nOptions > Com settings > Find board looks for it.";
    } else if (style == PathStyle::Windows) {
        text +=
            "\n\nThis program uses the //./COM3 format when opening the port"
            "\nbecause this format is needed for ports higher than COM9.";
    } else {
        text += why.kind == OpenFailure::NoPermission
                    ? "\n\nYour user may not open it: the port belongs to the dialout group."
                    : "\n\nThe port may be unplugged, in use by another program,"
                      "\nor not open to your user (the dialout group).";
        text +=
            "\nIf you are not in that group, run"
            "\n    sudo adduser $USER dialout"
            "\nthen log out and in again.";
    }
    return text.substr(0, 499);
}

SerialLink::Step SerialLink::fail(std::optional<UserMessage> message) {
    stage_ = Stage::Idle;
    return {ConnectOutcome{false, std::move(message)}};
}

SerialLink::Step SerialLink::startConnect() {
    if (!store_.keyExists()) {
        return fail(UserMessage{"Unable read the comm port name from the registry.\nPlease check the port settings ?",
                                MessageIcon::Default});
    }
    const std::string path = devicePath(readSetting(store_, setting::Port));
    // A port left open by a failed configuration is configured again as it is.
    if (!port_) {
        port_ = opener_.open(path);
        if (!port_)
            return fail(
                UserMessage{openFailureText(path, nativePathStyle(), opener_.lastFailure()), MessageIcon::Stop});
    }
    if (!port_->readLineSettings(settings_)) return fail(std::nullopt);
    // Read again: a key deleted since the first look reads as missing
    // values, which are the board's own 115200 8N1. An unknown parity name
    // keeps the port's own parity.
    settings_.baudRate = baudRate(readSetting(store_, setting::Speed));
    settings_.stopBits = stopBitsCode(readSetting(store_, setting::StopBits));
    settings_.parity = parityCode(readSetting(store_, setting::Parity), settings_.parity);
    settings_.dataBits = dataBitsCount(readSetting(store_, setting::DataBits));
    settings_.dtrRaised = true;
    settings_.rtsRaised = true;
    settings_.flowControl = false;
    stage_ = Stage::ApplySettings;
    return {std::nullopt, kWaitsMs[0]};
}

SerialLink::Step SerialLink::continueConnect() {
    if (!port_) return fail(std::nullopt);  // closed during a step: the device went away
    switch (stage_) {
    case Stage::ApplySettings:
        if (!port_->applyLineSettings(settings_)) {
            return fail(
                UserMessage{"SetCommState\nCould not set communication state \n openport aborted", MessageIcon::Stop});
        }
        stage_ = Stage::ClearErrors;
        return {std::nullopt, kWaitsMs[1]};
    case Stage::ClearErrors:
        port_->clearErrors();
        stage_ = Stage::Ready;
        return {std::nullopt, kWaitsMs[2]};
    case Stage::Ready: stage_ = Stage::Idle; return {ConnectOutcome{true, std::nullopt}};
    case Stage::Idle: break;
    }
    return fail(std::nullopt);  // no connect under way
}

std::optional<UserMessage> SerialLink::disconnect() {
    stage_ = Stage::Idle;
    if (!port_) return std::nullopt;
    const bool closed = port_->close();
    port_.reset();  // even when the close failed: the next connect opens the device anew
    if (!closed) return UserMessage{"Can't close port.", MessageIcon::Default};
    return std::nullopt;
}

}  // namespace orvalinder
