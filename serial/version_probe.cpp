#include "serial/version_probe.h"

#include <QIODevice>
#include <QTimer>

namespace orvalinder {

VersionProbe::VersionProbe(BoardWaits& waits, Answered answered, QObject* parent)
    : QObject(parent),
      waits_(waits),
      answered_(std::move(answered)),
      giveUp_(new QTimer(this)),
      question_(new QTimer(this)) {
    giveUp_->setSingleShot(true);
    connect(giveUp_, &QTimer::timeout, this, &VersionProbe::end);
    question_->setSingleShot(true);
    connect(question_, &QTimer::timeout, this, [this] {
        port_->write(wire::kVersionQuestion, static_cast<qint64>(sizeof wire::kVersionQuestion - 1));
        question_->start(waits_.answerMs(kAskEveryMs));
    });
}

void VersionProbe::listen(int answerMs) {
    stop();
    catcher_ = AnswerCatcher();
    giveUp_->start(waits_.answerMs(answerMs));
}

void VersionProbe::ask(QIODevice& port, int answerMs) {
    listen(answerMs);
    port_ = &port;
    question_->start(waits_.milliseconds(kAskFirstMs));
}

void VersionProbe::stop() {
    giveUp_->stop();
    question_->stop();
}

bool VersionProbe::waiting() const { return giveUp_->isActive(); }

void VersionProbe::feed(std::string_view bytes, const PassOn& passOn) {
    passOn(catcher_.feed(bytes));
    if (catcher_.answer()) end();
}

void VersionProbe::end() {
    stop();
    answered_(catcher_.answer());
}

}  // namespace orvalinder
