#pragma once
// Stepping through candidate codes for a device whose remote is lost: each
// goes out in turn, one every interval, until the user pauses, steps back or
// on, or stops. Only what was sent last counts as "the one that worked".

#include <QObject>
#include <QTimer>
#include <vector>

#include "codes/code_sets.h"
#include "send/sender.h"

namespace orvalinder {

class CodeSearch : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultIntervalMs = 1500;
    static constexpr int kShortestIntervalMs = 500;
    static constexpr int kLongestIntervalMs = 5000;

    explicit CodeSearch(Sender& sender);

    // Sends the first candidate now and the others one an interval. An
    // empty list starts nothing.
    void start(std::vector<codes::Candidate> candidates);
    void stop();
    // Pausing keeps the place; going on sends the next one at once.
    void setPaused(bool paused);
    void togglePause() { setPaused(!paused_); }
    // Pause and send the candidate before or after the last one sent; at
    // either end the same one goes out again.
    void back() { step(-1); }
    void next() { step(+1); }
    // Clamped to the range above; a running search keeps its place.
    void setInterval(int ms);

    bool running() const { return !candidates_.empty(); }
    bool paused() const { return paused_; }
    int interval() const { return timer_.interval(); }
    const std::vector<codes::Candidate>& candidates() const { return candidates_; }
    // Index of the candidate sent last, or -1 before the first.
    int position() const { return position_; }
    const codes::Candidate* current() const;

signals:
    // A candidate went out: `position` is its index.
    void stepped(int position);
    // The last candidate has gone out; the search is paused there.
    void reachedEnd();
    // A candidate could not go out (no board, a port that took part of it):
    // the search is paused before it, so that going on sends it, and `why`
    // says why.
    void failed(const QString& why);
    void pausedChanged(bool paused);

private:
    void sendAt(int position);
    void step(int by);
    void tick();

    Sender& sender_;
    std::vector<codes::Candidate> candidates_;
    int position_ = -1;
    bool paused_ = false;
    QTimer timer_;
};

}  // namespace orvalinder
