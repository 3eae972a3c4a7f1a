#pragma once
// Waiting for the board to say its firmware's version, on the port thread.
// The board resets when its port opens and starts its firmware once its
// boot loader is done, about a second later; IrBridge then says its version
// unasked. A connect only listens for it, up to kConnectAnswerMs, and then
// goes on without it, as with any board that takes key codes: a question
// would put a board that reads only key codes out of step. A search the
// user started also asks, kAskFirstMs after the port opened and then every
// kAskEveryMs, since a board that does not reset on open says nothing by
// itself (a question cuts the boot loader's wait short: it is no upload); a
// port that has not answered within kSearchAnswerMs is given up.

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "serial/firmware_version.h"
#include "serial/serial_link.h"

class QIODevice;
class QTimer;

namespace orvalinder {

inline constexpr int kAskFirstMs = 500;
inline constexpr int kAskEveryMs = 250;
inline constexpr int kSearchAnswerMs = 3500;
inline constexpr int kConnectAnswerMs = 5000;

class VersionProbe : public QObject {
public:
    // Called once a wait ends: with the version at the answer, with none
    // when the time is up.
    using Answered = std::function<void(const std::optional<FirmwareVersion>&)>;
    using PassOn = std::function<void(std::string_view)>;

    VersionProbe(BoardWaits& waits, Answered answered, QObject* parent);

    // Waits `answerMs` for the board to say its version, writing nothing.
    void listen(int answerMs);
    // The same, asking on `port` as well.
    void ask(QIODevice& port, int answerMs);
    // Ends the wait without a word.
    void stop();
    bool waiting() const;

    // What the board sent: every line but the answer goes to `passOn`, and
    // then, if the answer came, the wait ends.
    void feed(std::string_view bytes, const PassOn& passOn);
    // The line that was still coming as the wait ended.
    std::string release() { return catcher_.release(); }

private:
    void end();

    BoardWaits& waits_;
    Answered answered_;
    QTimer* giveUp_;
    QTimer* question_;  // the next question, when asking
    QIODevice* port_ = nullptr;
    AnswerCatcher catcher_;
};

}  // namespace orvalinder
