// Learning a key from the frames the board hears: which frames are presses,
// when two presses agree, and what is kept.

#include <gtest/gtest.h>

#include "codes/encoder.h"
#include "sim/receiver_model.h"
#include "tests/codes/sent_frames.h"
#include "view/learner.h"

namespace orvalinder {
namespace {

using Heard = Learner::Heard;
using testing::pulseDistanceFrame;
using testing::sentFrame;
using Frame = std::vector<uint32_t>;

Frame scaled(Frame frame, double by) {
    for (uint32_t& d : frame) d = static_cast<uint32_t>(d * by);
    return frame;
}

TEST(Learner, TwoPressesThatAgree) {
    const Frame nec = sentFrame(codes::Protocol::Nec, 0x20DF10EF);
    const Frame rc6 = sentFrame(codes::Protocol::Rc6, 0x0FFFF3);
    const Frame raw = {3000, 1000, 600, 1500, 500, 500, 500, 1500, 700};
    const Frame longer = {3000, 1000, 600, 1500, 500, 500, 500, 1500, 700, 700, 1400};
    auto with = [](Frame frame, size_t at, uint32_t duration) {
        frame[at] = duration;
        return frame;
    };
    const struct Row {
        const char* what;
        std::vector<Frame> frames;
        std::vector<Heard> heard;
        std::string learned;  // empty: not learned
    } rows[] = {
        {"NEC, its repeat frames and a fragment between the presses",
         {nec, {9000, 2250, 560}, {9100, 2200, 600}, {560, 560}, nec},
         {Heard::FirstPress, Heard::Ignored, Heard::Ignored, Heard::Ignored, Heard::Learned},
         "NEC:20DF10EF"},
        {"NEC's repeat frame by its mark, from 200 to 1000 µs",
         {nec, {9000, 2250, 200}, {9000, 2250, 1000}, {9000, 2250, 199}, {9000, 2250, 1001}},
         {Heard::FirstPress, Heard::Ignored, Heard::Ignored, Heard::FirstPress, Heard::FirstPress},
         ""},
        {"NEC's repeat frame by its space, 2250 µs and half as much again either way",
         {nec, {9000, 1125, 560}, {9000, 3375, 560}, {9000, 1124, 560}, {9000, 3376, 560}},
         {Heard::FirstPress, Heard::Ignored, Heard::Ignored, Heard::FirstPress, Heard::FirstPress},
         ""},
        {"NEC's repeat frame by its mark, 9000 µs and a quarter either way",
         {nec, {6750, 2250, 560}, {11250, 2250, 560}, {6749, 2250, 560}, {11251, 2250, 560}},
         {Heard::FirstPress, Heard::Ignored, Heard::Ignored, Heard::FirstPress, Heard::FirstPress},
         ""},
        {"NEC's repeat frame by its mark and space together, 11250 µs and a quarter either way",
         {nec, {11250, 2812, 560}, {6750, 1688, 560}, {11250, 2813, 560}, {6750, 1687, 560}},
         {Heard::FirstPress, Heard::Ignored, Heard::Ignored, Heard::FirstPress, Heard::FirstPress},
         ""},
        {"RC6 held: the same toggle is the same press",
         {rc6, rc6, sentFrame(codes::Protocol::Rc6, 0x0FFFF3, true)},
         {Heard::FirstPress, Heard::Ignored, Heard::Learned},
         "RC6:000C"},
        {"another key: asked again",
         {nec, sentFrame(codes::Protocol::Nec, 0x20DF40BF), sentFrame(codes::Protocol::Nec, 0x20DF40BF)},
         {Heard::FirstPress, Heard::FirstPress, Heard::Learned},
         "NEC:20DF40BF"},
        {"raw within 15%", {raw, scaled(raw, 1.14)}, {Heard::FirstPress, Heard::Learned}, "raw, 9 durations"},
        {"raw off by more", {raw, scaled(raw, 1.17)}, {Heard::FirstPress, Heard::FirstPress}, ""},
        // A short duration's jitter is more than 15 % of it: 150 µs apart is one press.
        {"raw, a short mark 150 µs longer",
         {raw, with(raw, 4, 650)},
         {Heard::FirstPress, Heard::Learned},
         "raw, 9 durations"},
        {"raw, a short mark 151 µs longer", {raw, with(raw, 4, 651)}, {Heard::FirstPress, Heard::FirstPress}, ""},
        {"raw of another length", {raw, Frame(raw.begin(), raw.end() - 2)}, {Heard::FirstPress, Heard::FirstPress}, ""},
        {"a decoded press and a raw one",
         {nec, scaled(nec, 1.05)},
         {Heard::FirstPress, Heard::Learned},
         "NEC:20DF10EF"},
        // Each duration within 15 % of the first press's: its leader.
        {"raw, a leader 14.5% longer",
         {longer, with(longer, 0, 3435)},
         {Heard::FirstPress, Heard::Learned},
         "raw, 11 durations"},
        {"raw, a leader 15.5% longer", {longer, with(longer, 0, 3465)}, {Heard::FirstPress, Heard::FirstPress}, ""},
        {"raw, a leader 14.5% shorter",
         {longer, with(longer, 0, 2565)},
         {Heard::FirstPress, Heard::Learned},
         "raw, 11 durations"},
        {"raw, a leader 15.5% shorter", {longer, with(longer, 0, 2535)}, {Heard::FirstPress, Heard::FirstPress}, ""},
        {"noise only", {{300, 200}, {}, {9000, 2250, 560}}, {Heard::Ignored, Heard::Ignored, Heard::Ignored}, ""},
    };
    for (const Row& row : rows) {
        Learner learner;
        std::vector<Heard> heard;
        for (const Frame& frame : row.frames) heard.push_back(learner.hear(frame));
        EXPECT_EQ(heard, row.heard) << row.what;
        EXPECT_EQ(learner.learned() ? learner.press()->text() : "", row.learned) << row.what;
    }
}

// Kept as a protocol's code, the key sends the frame it was learned from;
// kept raw, its durations, ending with a mark.
TEST(Learner, TheKeyKeptSendsWhatWasHeard) {
    const std::pair<Frame, Frame> presses[] = {
        {sentFrame(codes::Protocol::Rc5, 0x100C), sentFrame(codes::Protocol::Rc5, 0x100C, true)},
        {sentFrame(codes::Protocol::Sirc12, 0xA90), sentFrame(codes::Protocol::Sirc12, 0xA90)},
        {Frame{3000, 1000, 600, 1500, 500, 20000}, Frame{3000, 1000, 600, 1500, 500, 20000}},
    };
    for (const auto& [frame, second] : presses) {
        Learner learner;
        learner.hear(frame);
        ASSERT_EQ(learner.hear(second), Heard::Learned);
        const auto [remote, key] = learner.key("KEY_X");
        EXPECT_EQ(key.name, "KEY_X");
        const Frame again = codes::encode(remote, key).press;
        if (remote.encoding == codes::Encoding::Raw) {
            EXPECT_EQ(again, Frame(frame.begin(), frame.end() - 1));
            EXPECT_EQ(remote.frequency, 38000u);
        } else {
            EXPECT_EQ(codes::decode(again), codes::decode(frame));
        }
    }
    Learner twice;  // two presses a little apart: their mean, rounded up
    twice.hear({3000, 1000, 600, 1500, 500, 20000});
    ASSERT_EQ(twice.hear({3101, 1000, 600, 1500, 500, 20000}), Heard::Learned);
    EXPECT_EQ(twice.key("K").second.raw, Frame({3051, 1000, 600, 1500, 500}));
}

// Frames of a remote the program has no protocol for: bi-phase, 16 bits of
// 500 µs halves.
Frame biPhase(uint32_t bits) {
    codes::Remote remote = codes::protocolRemote(codes::Protocol::Rc5);
    remote.bits = 16;
    remote.one = remote.zero = {500, 500};
    remote.plead = remote.toggleBitMask = 0;
    return codes::encode(remote, codes::Key{"K", {bits}, {}}).press;
}

// Through a receiver module, two presses of a key agree and the key kept is
// what the remote sent, within 5% and 20 µs; a key one bit away never
// agrees. A frame whose durations do not tell the excess, or are not whole
// units of one length (1.4 units is no unit), takes it from the frames that
// decoded before (each of its durations only as good as two presses' jitter).
TEST(Learner, KeysAreKeptAsTheRemoteSentThem) {
    const Frame irregular = {3000, 1000, 600, 1500, 500, 500, 500, 1500, 700, 700, 1400};
    const sim::ReceiverModel tsop = *sim::receiverNamed("tsop"), weak = *sim::receiverNamed("weak"), shorter{-150, 40},
                             steady{60, 0};
    const struct Row {
        const char* what;
        Frame frame, oneBitAway;
        std::vector<sim::ReceiverModel> receivers;
    } rows[] = {
        {"pulse distance", pulseDistanceFrame(0xA55A), pulseDistanceFrame(0xA55B), {tsop, weak, shorter}},
        {"pulse distance, other bit", pulseDistanceFrame(0x00FF), pulseDistanceFrame(0x80FF), {tsop, weak, shorter}},
        {"bi-phase", biPhase(0xC3A5), biPhase(0xC3A4), {tsop, weak, shorter}},
        {"bi-phase, other bit", biPhase(0x1234), biPhase(0x1634), {tsop, weak, shorter}},
        {"irregular, after a decoded frame",
         irregular,
         {3000, 1000, 600, 1500, 500, 1500, 500, 1500, 700, 700, 1400},
         {tsop}},
        {"durations 1.4 units long, after a decoded frame",
         {3000, 1000, 500, 500, 500, 700, 500, 500, 700, 500, 500, 500, 500, 1500, 500},
         {3000, 1000, 500, 500, 500, 700, 500, 1500, 700, 500, 500, 500, 500, 1500, 500},
         {steady}},
    };
    uint64_t seed = 0;
    for (const Row& row : rows) {
        ASSERT_FALSE(codes::decode(row.frame)) << row.what;
        for (const sim::ReceiverModel& model : row.receivers) {
            for (int trial = 0; trial < 20; ++trial) {
                SCOPED_TRACE(std::string(row.what) + ", excess " + std::to_string(model.markExcessUs));
                sim::Receiver receiver(model, ++seed);
                ReceiverExcess seen;
                seen.decoded(receiver.receive(sentFrame(codes::Protocol::Nec, 0x20DF10EF)));
                Learner learner(&seen);
                ASSERT_EQ(learner.hear(receiver.receive(row.frame)), Heard::FirstPress);
                EXPECT_EQ(learner.hear(receiver.receive(row.oneBitAway)), Heard::FirstPress);
                ASSERT_EQ(learner.hear(receiver.receive(row.frame)), Heard::FirstPress);
                ASSERT_EQ(learner.hear(receiver.receive(row.frame)), Heard::Learned);
                const Frame kept = codes::encode(learner.key("K").first, learner.key("K").second).press;
                ASSERT_EQ(kept.size(), row.frame.size());
                for (size_t i = 0; i < kept.size(); ++i)
                    EXPECT_NEAR(kept[i], row.frame[i], row.frame[i] * 0.05 + 20) << i;
            }
        }
    }
}

// What the receiver adds to each mark is taken from the last 16 frames it
// decoded: an old receiver's is forgotten.
TEST(Learner, TheReceiversExcessComesFromTheLastSixteenFrames) {
    const Frame nec = sentFrame(codes::Protocol::Nec, 0x20DF10EF);
    Frame stretched = nec;
    for (size_t i = 0; i < stretched.size(); ++i) stretched[i] = i % 2 == 0 ? stretched[i] + 100 : stretched[i] - 100;
    ReceiverExcess seen;
    EXPECT_EQ(seen.estimate(), std::nullopt);
    seen.decoded(stretched);
    EXPECT_EQ(seen.estimate(), 100);
    for (int i = 0; i < 15; ++i) seen.decoded(nec);
    EXPECT_EQ(seen.estimate(), 6);  // 100 / 16
    seen.decoded(nec);
    EXPECT_EQ(seen.estimate(), 0);
    ReceiverExcess whileLearning;  // the frames a learn hears count too
    Learner(&whileLearning).hear(stretched);
    EXPECT_EQ(whileLearning.estimate(), 100);

    // From -300 to +350 µs, as the decoders take it; beyond, a frame tells nothing.
    const std::pair<int32_t, std::optional<int32_t>> edges[] = {
        {350, 350}, {351, std::nullopt}, {-300, -300}, {-301, std::nullopt}};
    for (const auto& [excess, estimate] : edges) {
        Frame frame = nec;
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint32_t(int32_t(frame[i]) + (i % 2 ? -excess : excess));
        ReceiverExcess edge;
        edge.decoded(frame);
        EXPECT_EQ(edge.estimate(), estimate) << excess;
    }

    // Four short marks and four short spaces tell a frame's excess; three do not.
    ReceiverExcess four, three;
    four.decoded({3100, 400, 600, 400, 600, 400, 600, 400, 600});
    EXPECT_EQ(four.estimate(), 100);
    three.decoded({3100, 400, 600, 400, 600, 400, 600});
    EXPECT_EQ(three.estimate(), std::nullopt);
}

TEST(Learner, MonitorLinesAreReadWhole) {
    EXPECT_EQ(monitorDurations("9000\t4500\t560x"), Frame({9000, 4500, 560}));
    for (const char* bad : {"9000\t\t560x", "9000 4500x", "90xx", "0\t5x", "x", ""})
        EXPECT_EQ(monitorDurations(bad), Frame()) << bad;
}

}  // namespace
}  // namespace orvalinder
