#pragma once
// What a click on a remote's button does, with no window: presses, holds and
// lets go of a picture's button or a key of the code library, and connects
// or disconnects the board, telling each in the status lines. The view, the
// LIRC target and any other client send through it.

#include <QObject>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "core/remote_catalogue.h"
#include "core/user_message.h"
#include "library/button_codes.h"
#include "send/key_hold.h"
#include "send/status_model.h"
#include "serial/serial_connection.h"

namespace orvalinder {

class Sender : public QObject {
    Q_OBJECT
public:
    Sender(SerialConnection& connection, ButtonCodes& codes, StatusModel& status);

    // A button of a picture: its linked code or its key code goes out, held
    // until release(). Says why when it could not go out whole.
    std::optional<std::string> pressButton(RemoteKind kind, int index);
    // The same for a key of the code library.
    std::optional<std::string> pressKey(const LinkedKey& key);
    // A message for the board ("!SRAW 38000:9000 4500 ...\n"), sent as a
    // press is, `action` telling in status line 1 where it came from.
    std::optional<std::string> sendBoardMessage(std::string_view message, std::wstring_view action);
    // A code of no library key, such as a frame heard again: sent once,
    // never held. `name` is what the status lines call it.
    std::optional<std::string> sendOnce(const std::string& name, const codes::Remote& remote, const codes::Key& key);
    void release() { hold_.released(); }

    // The connect button: connects, or disconnects when connected.
    void toggleConnection();

    SerialConnection& connection() { return connection_; }
    ButtonCodes& codes() { return codes_; }
    StatusModel& status() { return status_; }

signals:
    // A box to show: why a connect failed, or why received codes can't be
    // logged (once a connection).
    void messageRequested(const QString& text, MessageIcon icon);
    // After the status lines say how a connect ended or that the board is
    // gone, for what completes those texts.
    void connectTold(bool connected);
    void lossTold();

private:
    std::optional<std::string> sendLinked(const LinkedKey& link);
    std::optional<std::string> send(const std::string& name, const codes::Remote& remote, const codes::Key& key,
                                    bool hold);
    // Why a message did not go out whole, from the bytes the port took.
    std::optional<std::string> sent(std::string_view message, long confirmed) const;
    WriteBytes writeToBoard();
    void connectFinished(bool connected, const QString& message, MessageIcon icon);
    void connectionLost();
    void logFailed(const QString& message, const QString& statusLine1);

    SerialConnection& connection_;
    ButtonCodes& codes_;
    StatusModel& status_;
    KeyHold hold_;
    bool logFailureShown_ = false;  // since the last connect
};

}  // namespace orvalinder
