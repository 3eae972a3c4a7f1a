#include "send/code_search.h"

#include <algorithm>

namespace orvalinder {

CodeSearch::CodeSearch(Sender& sender) : sender_(sender) {
    timer_.setInterval(kDefaultIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CodeSearch::tick);
}

void CodeSearch::start(std::vector<codes::Candidate> candidates) {
    stop();
    if (candidates.empty()) return;
    candidates_ = std::move(candidates);
    sendAt(0);
}

void CodeSearch::stop() {
    timer_.stop();
    candidates_.clear();
    position_ = -1;
    paused_ = false;
}

void CodeSearch::setPaused(bool paused) {
    if (!running() || paused == paused_) return;
    // Going on from the end starts no new round: the last stays sent.
    if (!paused && position_ + 1 >= int(candidates_.size())) return;
    paused_ = paused;
    emit pausedChanged(paused_);
    if (paused)
        timer_.stop();
    else
        sendAt(position_ + 1);
}

void CodeSearch::setInterval(int ms) { timer_.setInterval(std::clamp(ms, kShortestIntervalMs, kLongestIntervalMs)); }

const codes::Candidate* CodeSearch::current() const {
    return position_ >= 0 && position_ < int(candidates_.size()) ? &candidates_[position_] : nullptr;
}

void CodeSearch::step(int by) {
    if (!running()) return;
    setPaused(true);
    sendAt(std::clamp(position_ + by, 0, int(candidates_.size()) - 1));
}

void CodeSearch::tick() {
    if (position_ + 1 < int(candidates_.size())) sendAt(position_ + 1);
}

void CodeSearch::sendAt(int position) {
    const auto failure =
        sender_.sendBoardMessage(candidates_[position].press, L"Find a code: " + std::to_wstring(position + 1) +
                                                                  L" of " + std::to_wstring(candidates_.size()));
    if (failure) {
        // The place stays before it: going on tries it again.
        setPaused(true);
        emit failed(QString::fromStdString(*failure));
        return;
    }
    position_ = position;
    emit stepped(position);
    if (position + 1 == int(candidates_.size())) {
        setPaused(true);
        emit reachedEnd();
    } else if (!paused_) {
        timer_.start();  // the next one a whole interval after this one
    }
}

}  // namespace orvalinder
