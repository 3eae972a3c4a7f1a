#include "send/sender.h"

#include "codes/board_message.h"
#include "core/picture_geometry.h"
#include "serial/key_sender.h"

namespace orvalinder {

Sender::Sender(SerialConnection& connection, ButtonCodes& codes, StatusModel& status)
    : connection_(connection),
      codes_(codes),
      status_(status),
      hold_([&connection](std::string_view bytes) { return connection.write(bytes); }) {
    connect(&connection_, &SerialConnection::connectFinished, this, &Sender::connectFinished);
    connect(&connection_, &SerialConnection::connectionLost, this, &Sender::connectionLost);
    connect(&connection_, &SerialConnection::logFailed, this, &Sender::logFailed);
}

std::optional<std::string> Sender::pressButton(RemoteKind kind, int index) {
    status_.say(StatusLine::Action, L"Button " + std::to_wstring(index));
    if (const auto link = codes_.links().link(kind, index)) return sendLinked(*link);
    const auto key = keyCodeFor(kind, index);
    if (!key) return std::nullopt;
    long confirmed = 0;
    status_.change(
        [&](StatusLines& lines) { confirmed = sendKeyCode(connection_.connected(), writeToBoard(), *key, lines); });
    std::optional<std::string> failure = sent(keyCodeMessage(*key), confirmed);
    if (!failure) hold_.pressed();
    return failure;
}

std::optional<std::string> Sender::pressKey(const LinkedKey& key) {
    status_.say(StatusLine::Action, wide(key.key) + L" (" + wide(key.remote) + L")");
    return sendLinked(key);
}

std::optional<std::string> Sender::sendBoardMessage(std::string_view message, std::wstring_view action) {
    status_.say(StatusLine::Action, action);
    long confirmed = 0;
    status_.change(
        [&](StatusLines& lines) { confirmed = sendMessage(connection_.connected(), writeToBoard(), message, lines); });
    return sent(message, confirmed);
}

WriteBytes Sender::writeToBoard() {
    return [this](std::string_view bytes) { return connection_.write(bytes); };
}

std::optional<std::string> Sender::sent(std::string_view message, long confirmed) const {
    if (!connection_.connected()) return "not connected to the board";
    if (confirmed < static_cast<long>(message.size())) return "the board's port took only part of it";
    return std::nullopt;
}

std::optional<std::string> Sender::sendLinked(const LinkedKey& link) {
    // A code that cannot go out is said so; the key code would be another key.
    const auto [remote, key] = codes_.find(link);
    if (!key) {
        status_.say(StatusLine::Sent,
                    L"Can't send " + wide(link.key) + L": the code library has no such key in " + wide(link.remote));
        return "the code library has no key " + link.key + " in " + link.remote;
    }
    return send(link.key, *remote, *key, true);
}

std::optional<std::string> Sender::sendOnce(const std::string& name, const codes::Remote& remote,
                                            const codes::Key& key) {
    status_.say(StatusLine::Action, wide(name));
    return send(name, remote, key, false);
}

std::optional<std::string> Sender::send(const std::string& name, const codes::Remote& remote, const codes::Key& key,
                                        bool hold) {
    codes::BoardMessages messages;
    try {
        messages = codes::boardMessages(remote, key);
    } catch (const codes::CodesError& e) {
        status_.say(StatusLine::Sent, L"Can't send " + wide(name) + L": " + wide(e.what()));
        return e.what();
    }
    long confirmed = 0;
    status_.change([&](StatusLines& lines) {
        confirmed = sendMessage(connection_.connected(), writeToBoard(), messages.press, lines);
    });
    std::optional<std::string> failure = sent(messages.press, confirmed);
    if (!failure && hold) hold_.pressed(messages.held);
    return failure;
}

void Sender::toggleConnection() {
    if (connection_.connecting()) {
        // The board is still starting up; one connect at a time.
        status_.say(status_text::ConnectingPleaseWait);
        return;
    }
    if (!connection_.connected()) {
        status_.say(status_text::ConnectingPleaseWait);
        connection_.startConnect();
        return;
    }
    status_.say(StatusLine::Action, L"Disconnect");
    hold_.released();
    if (const auto failure = connection_.disconnect())
        emit messageRequested(QString::fromStdString(failure->text), failure->icon);
    status_.say(StatusLine::Connection, L"Disconnected");
}

void Sender::connectFinished(bool connected, const QString& message, MessageIcon icon) {
    if (!message.isEmpty()) emit messageRequested(message, icon);
    status_.change([connected](StatusLines& lines) {
        lines.say(StatusLine::Action, L"Connect");
        lines.say(StatusLine::Connection, connected ? L"Connected" : L"Connect failed");
    });
    if (connected) logFailureShown_ = false;
    emit connectTold(connected);
}

void Sender::connectionLost() {
    hold_.released();
    status_.change([](StatusLines& lines) {
        lines.say(status_text::ConnectionLost);
        lines.say(StatusLine::Connection, L"Disconnected");
    });
    emit lossTold();
}

void Sender::logFailed(const QString& message, const QString& statusLine1) {
    if (!statusLine1.isEmpty()) status_.sayUnnumbered(StatusLine::Action, statusLine1.toStdWString());
    // The board keeps talking: every chunk would open a box inside the last
    // one's event loop, and a new one as soon as it closed. One box per
    // connection; later failures show in status line 1 only.
    if (logFailureShown_) return;
    logFailureShown_ = true;
    emit messageRequested(message, MessageIcon::Stop);
}

}  // namespace orvalinder
