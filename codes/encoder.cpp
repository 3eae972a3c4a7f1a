#include "codes/encoder.h"

#include <numeric>

namespace orvalinder::codes {

void FrameBuilder::add(uint32_t us, bool pulse) {
    if (us == 0 || (durations_.empty() && !pulse)) return;
    const bool lastIsPulse = durations_.size() % 2 == 1;
    if (!durations_.empty() && lastIsPulse == pulse)
        durations_.back() += us;
    else
        durations_.push_back(us);
}

std::vector<uint32_t> FrameBuilder::finish() {
    if (durations_.size() % 2 == 0 && !durations_.empty()) durations_.pop_back();
    return std::move(durations_);
}

namespace {

uint64_t lowBits(int count) { return count >= 64 ? ~uint64_t(0) : (uint64_t(1) << count) - 1; }
uint64_t shiftUp(uint64_t value, int by) { return by >= 64 ? 0 : value << by; }

uint64_t reverseField(uint64_t value, int bits) {
    uint64_t reversed = 0;
    for (int i = 0; i < bits; ++i) reversed = reversed << 1 | ((value >> i) & 1);
    return reversed;
}

class FrameWriter {
public:
    FrameWriter(const Remote& remote, uint64_t word) : r_(remote), word_(word) {}

    std::vector<uint32_t> frame(bool header, bool foot) {
        if (header && r_.header.present()) {
            f_.pulse(r_.header.pulse);
            f_.space(r_.header.space);
        }
        f_.pulse(r_.plead);
        const int postShift = r_.postDataBits;
        const int dataShift = postShift + r_.bits;
        field(dataShift, r_.preDataBits);
        pair(r_.pre);
        field(postShift, r_.bits);
        pair(r_.post);
        field(0, r_.postDataBits);
        f_.pulse(r_.ptrail);
        if (foot && r_.foot.present()) {
            // LIRC sends the foot's space first.
            f_.space(r_.foot.space);
            f_.pulse(r_.foot.pulse);
        }
        return f_.finish();
    }

    std::vector<uint32_t> repeatFrame() {
        if (r_.repeatHeader && r_.header.present()) {
            f_.pulse(r_.header.pulse);
            f_.space(r_.header.space);
        }
        f_.pulse(r_.plead);
        pair(r_.repeat);
        f_.pulse(r_.ptrail);
        return f_.finish();
    }

private:
    void pair(const Pair& p) {
        if (p.present()) {
            f_.pulse(p.pulse);
            f_.space(p.space);
        }
    }

    // The `count` bits of the word from bit `shift` up, in the order of the air.
    void field(int shift, int count) {
        for (int i = 0; i < count; ++i) {
            const int bit = shift + count - 1 - i;
            const bool one = (word_ >> bit) & 1;
            const Pair& timing = one ? r_.one : r_.zero;
            if (r_.encoding == Encoding::Space) {
                f_.pulse(timing.pulse);
                f_.space(timing.space);
                continue;
            }
            // RC5 and RC6 in LIRC's way: a one is a space then a pulse, a
            // zero a pulse then a space; rc6_mask marks the double-length bits.
            const uint32_t times = r_.encoding == Encoding::Rc6 && ((r_.rc6Mask >> bit) & 1) ? 2 : 1;
            if (one) {
                f_.space(timing.space * times);
                f_.pulse(timing.pulse * times);
            } else {
                f_.pulse(timing.pulse * times);
                f_.space(timing.space * times);
            }
        }
    }

    const Remote& r_;
    uint64_t word_;
    FrameBuilder f_;
};

uint64_t sum(const std::vector<uint32_t>& durations) {
    return std::accumulate(durations.begin(), durations.end(), uint64_t(0));
}

}  // namespace

Signal encode(const Remote& remote, const Key& key) {
    Signal signal;
    signal.carrierHz = remote.frequency;
    signal.dutyCycle = remote.dutyCycle;
    signal.minRepeat = remote.minRepeat;
    bool repeatCode = false;
    if (remote.encoding == Encoding::Raw) {
        FrameBuilder f;
        for (size_t i = 0; i < key.raw.size(); ++i) i % 2 == 0 ? f.pulse(key.raw[i]) : f.space(key.raw[i]);
        signal.press = f.finish();
        signal.repeat = signal.press;
    } else {
        if (key.codes.empty()) throw CodesError("key '" + key.name + "' of remote '" + remote.name + "' has no code");
        // The word as it goes on the air, the last bit sent as bit 0: REVERSE
        // turns each field round, and the masks count bits this way.
        auto field = [&remote](uint64_t value, int bits) {
            value &= lowBits(bits);
            return remote.reverse ? reverseField(value, bits) : value;
        };
        const int post = remote.postDataBits;
        const int data = post + remote.bits;
        uint64_t word = shiftUp(field(remote.preData, remote.preDataBits), data) |
                        shiftUp(field(key.codes[0], remote.bits), post) | field(remote.postData, post);
        // LIRC's first press sends the toggle bit as 1, whatever the code has there.
        word |= remote.toggleBitMask;
        signal.press = FrameWriter(remote, word).frame(true, true);
        repeatCode = remote.repeat.present();
        signal.repeat = repeatCode ? FrameWriter(remote, word).repeatFrame()
                                   : FrameWriter(remote, word).frame(!remote.noHeadRep, !remote.noFootRep);
    }
    if (signal.press.empty()) throw CodesError("key '" + key.name + "' of remote '" + remote.name + "' sends nothing");
    auto gapAfter = [&remote, &key](const std::vector<uint32_t>& frame, bool afterRepeatCode) -> uint32_t {
        if (afterRepeatCode && remote.repeatGap != 0) return remote.repeatGap;
        if (!remote.constLength) return remote.gap;
        // The gap is the whole frame's length; LIRC sends nothing when the
        // frame is longer.
        const uint64_t length = sum(frame);
        if (length > remote.gap)
            throw CodesError("key '" + key.name + "' of remote '" + remote.name + "' lasts " + std::to_string(length) +
                             " us, longer than the gap " + std::to_string(remote.gap) + " of a CONST_LENGTH remote");
        return uint32_t(remote.gap - length);
    };
    signal.pressGap = gapAfter(signal.press, false);
    signal.repeatGap = gapAfter(signal.repeat, repeatCode);
    return signal;
}

}  // namespace orvalinder::codes
