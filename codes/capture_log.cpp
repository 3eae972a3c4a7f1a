#include "codes/capture_log.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <numeric>

#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "codes/pronto.h"

namespace orvalinder::codes {

namespace {

using std::chrono::microseconds;

// The silence a copied code ends with when the frame's own is not known or
// is the pause before another press.
constexpr uint32_t kDefaultGapUs = 40000;
constexpr uint32_t kLongestGapUs = 200000;
constexpr int64_t kLongestSilenceUs = 0xFFFFFF;  // LIRC's longest duration

int64_t lengthOf(const HeardFrame& frame) {
    return std::accumulate(frame.durations.begin(), frame.durations.end(), int64_t(0));
}

uint32_t codeGap(const HeardFrame& frame) {
    return frame.silenceUs != 0 && frame.silenceUs <= kLongestGapUs ? frame.silenceUs : kDefaultGapUs;
}

// The longer of two durations is more than 15 % over the shorter.
bool differ(uint32_t a, uint32_t b) { return uint64_t(std::max(a, b)) * 100 > uint64_t(std::min(a, b)) * 115; }

std::vector<size_t> differingDurations(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    std::vector<size_t> indexes;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i)
        if (i >= a.size() || i >= b.size() || differ(a[i], b[i])) indexes.push_back(i);
    return indexes;
}

// NEC's repeat frame: its leader (9 ms and 2.25 ms, within a quarter, as a
// receiver stretches them) and one short mark.
bool isNecRepeat(const std::vector<uint32_t>& d) {
    if (d.size() != 3) return false;
    const Remote nec = protocolRemote(Protocol::Nec);
    const uint64_t leader = nec.repeat.pulse + nec.repeat.space, sum = uint64_t(d[0]) + d[1];
    return sum * 4 >= leader * 3 && sum * 4 <= leader * 5 && d[0] > 2 * uint64_t(d[1]) && d[2] < 2 * nec.one.pulse;
}

bool isRepeatOf(const CaptureRow& row, const HeardFrame& frame, const std::optional<Decoded>& decoded, bool toggle) {
    if (decoded) return row.decoded == decoded && row.toggle == toggle;
    if (row.decoded)  // the one code whose repeats are another frame
        return row.decoded->protocol == Protocol::Nec && isNecRepeat(frame.durations);
    return differingDurations(row.frame.durations, frame.durations).empty();
}

int bitsOf(Protocol protocol) {
    switch (protocol) {
    case Protocol::Rc5:
    case Protocol::Sirc12: return 12;
    case Protocol::Sirc15: return 15;
    case Protocol::Rc6: return 16;
    case Protocol::Rc6Mode6:
    case Protocol::Sirc20: return 20;
    case Protocol::Panasonic: return 48;
    case Protocol::Nec:
    case Protocol::Samsung32: break;
    }
    return 32;
}

std::string hex(uint64_t value, int bits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*" PRIX64, (bits + 3) / 4, value);
    return text;
}

std::string textOf(const std::optional<Decoded>& decoded, size_t durations) {
    if (decoded) return boardCode(*decoded);
    return "raw, " + std::to_string(durations) + (durations == 1 ? " duration" : " durations");
}

std::vector<const CaptureRow*> chosenRows(const CaptureLog& log, const std::vector<uint64_t>& ids) {
    std::vector<const CaptureRow*> rows;
    if (ids.empty()) {
        for (size_t i = log.size(); i-- > 0;) rows.push_back(&log.row(i));
        return rows;
    }
    for (uint64_t id : ids)
        if (const CaptureRow* row = log.find(id)) rows.push_back(row);
    std::sort(rows.begin(), rows.end(), [](const CaptureRow* a, const CaptureRow* b) { return a->id < b->id; });
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// Every frame of the rows, each with the time to the next one heard less
// its length as its silence (a row's repeats spread evenly between its first
// and its last), so that they are read back at the times they came, and
// apart. The last keeps its own.
std::vector<HeardFrame> framesOf(const std::vector<const CaptureRow*>& rows) {
    std::vector<HeardFrame> frames;
    for (size_t r = 0; r < rows.size(); ++r) {
        const CaptureRow& row = *rows[r];
        const HeardFrame& repeat = row.repeat.durations.empty() ? row.frame : row.repeat;
        const int64_t period = row.count > 1 ? (row.lastTime - row.time).count() / (row.count - 1) : 0;
        for (uint32_t k = 0; k < row.count; ++k) {
            HeardFrame frame = k == 0 ? row.frame : repeat;
            const bool last = k + 1 == row.count;
            if (!last || r + 1 < rows.size()) {
                const int64_t toNext = last ? (rows[r + 1]->time - row.lastTime).count() : period;
                frame.silenceUs =
                    uint32_t(std::clamp(toNext - lengthOf(frame), int64_t(kFrameEndSilenceUs) + 1, kLongestSilenceUs));
            }
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string csv(const std::vector<const CaptureRow*>& rows) {
    std::string text = "time,text,count,carrier,durations\n";
    for (const CaptureRow* row : rows) {
        char time[32];
        std::snprintf(time, sizeof time, "%.3f", double(row->time.count()) / 1e6);
        const uint32_t carrier = carrierOf(*row);
        text += std::string(time) + "," + csvField(row->text) + "," + std::to_string(row->count) + "," +
                (carrier != 0 ? std::to_string(carrier) : std::string()) + ",";
        for (size_t i = 0; i < row->frame.durations.size(); ++i)
            text += (i == 0 ? "" : " ") + std::to_string(row->frame.durations[i]);
        text += "\n";
    }
    return text;
}

uint32_t carrierOrDefault(const CaptureRow& row) { return carrierOf(row) != 0 ? carrierOf(row) : 38000; }

Remote rawRemote(const CaptureRow& row) {
    Remote remote;
    remote.encoding = Encoding::Raw;
    remote.frequency = carrierOrDefault(row);
    remote.gap = codeGap(row.frame);
    return remote;
}

std::string lircdRemote(const std::vector<const CaptureRow*>& rows) {
    std::vector<Remote> remotes;
    std::vector<std::string> names;
    for (const CaptureRow* row : rows) {
        std::string name = row->decoded ? boardCode(*row->decoded) : "RAW";
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == ' ' || c == ':'; }, '_');
        const std::string base = name;
        for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n)
            name = base + "_" + std::to_string(n);
        names.push_back(name);
        addKey(remotes, rawRemote(*row), Key{name, {}, row->frame.durations}, "capture");
    }
    return writeLircdConf(remotes);
}

}  // namespace

std::string heardText(const std::vector<uint32_t>& durations) { return textOf(decode(durations), durations.size()); }

uint64_t CaptureLog::add(HeardFrame frame, microseconds time, uint32_t carrierHz) {
    if (frame.durations.size() % 2 == 0 && !frame.durations.empty()) {
        frame.silenceUs = frame.durations.back();
        frame.durations.pop_back();
    }
    if (frame.durations.empty()) return 0;
    bool toggle = false;
    const std::optional<Decoded> decoded = decode(frame.durations, &toggle);
    if (!rows_.empty()) {
        CaptureRow& newest = rows_.back();
        if (time >= newest.lastTime && time - newest.lastTime <= kRepeatWithin &&
            isRepeatOf(newest, frame, decoded, toggle)) {
            if (!decoded && newest.decoded && newest.repeat.durations.empty())
                newest.repeat = frame;  // NEC's repeat frame
            ++newest.count;
            newest.lastTime = time;
            return newest.id;
        }
    }
    if (rows_.size() == kMaxRows) rows_.pop_front();
    CaptureRow& row = rows_.emplace_back();
    row.id = ++lastId_;
    row.time = row.lastTime = time;
    row.text = textOf(decoded, frame.durations.size());  // decoded once: a flood's frames cost
    row.frame = std::move(frame);
    row.carrierHz = carrierHz;
    row.decoded = decoded;
    row.toggle = toggle;
    return row.id;
}

void CaptureLog::addMode2(std::istream& in, const std::string& fileName, microseconds start) {
    microseconds time = start;
    readMode2(in, fileName, [&](HeardFrame&& frame) {
        const microseconds next = time + microseconds(lengthOf(frame) + frame.silenceUs);
        add(std::move(frame), time);
        time = next;
    });
}

const CaptureRow* CaptureLog::find(uint64_t id) const {
    if (rows_.empty() || id < rows_.front().id || id > rows_.back().id) return nullptr;
    return &rows_[id - rows_.front().id];
}

uint32_t carrierOf(const CaptureRow& row) {
    if (row.carrierHz != 0) return row.carrierHz;
    return row.decoded ? protocolRemote(row.decoded->protocol).frequency : 0;
}

std::string prontoOf(const CaptureRow& row) {
    Signal signal;
    signal.carrierHz = carrierOrDefault(row);
    signal.press = row.frame.durations;
    signal.pressGap = codeGap(row.frame);
    signal.repeat = row.repeat.durations;
    signal.repeatGap = row.repeat.durations.empty() ? 0 : codeGap(row.repeat);
    return writePronto(signal);
}

std::string homeAssistantJson(const CaptureRow& row) {
    std::string text = "{\"timings\":[";
    for (size_t i = 0; i < row.frame.durations.size(); ++i)
        text += (i % 2 == 0 ? (i == 0 ? "" : ",") : ",-") + std::to_string(row.frame.durations[i]);
    return text + ",-" + std::to_string(codeGap(row.frame)) +
           "],\"modulation\":" + std::to_string(carrierOrDefault(row)) + ",\"repeat_count\":0}";
}

RowKey keyOf(const CaptureRow& row, const std::string& name) {
    if (row.decoded) return {protocolRemote(row.decoded->protocol), Key{name, {remoteCode(*row.decoded)}, {}}};
    return {rawRemote(row), Key{name, {}, row.frame.durations}};
}

std::string exportRows(const CaptureLog& log, CaptureFormat format, const std::vector<uint64_t>& ids) {
    const std::vector<const CaptureRow*> rows = chosenRows(log, ids);
    switch (format) {
    case CaptureFormat::Csv: return csv(rows);
    case CaptureFormat::Lircd: return lircdRemote(rows);
    case CaptureFormat::Mode2: break;
    }
    return writeMode2(framesOf(rows));
}

FrameComparison compareRows(const CaptureRow& a, const CaptureRow& b) {
    FrameComparison comparison;
    comparison.differingDurations = differingDurations(a.frame.durations, b.frame.durations);
    if (!a.decoded || !b.decoded || a.decoded->protocol != b.decoded->protocol) return comparison;
    const int bits = bitsOf(a.decoded->protocol);
    for (int first = 0; first < bits; first += 8) {
        const int width = std::min(8, bits - first), shift = bits - first - width;
        const uint64_t mask = (uint64_t(1) << width) - 1;
        const uint64_t left = a.decoded->value >> shift & mask, right = b.decoded->value >> shift & mask;
        if (left != right)
            comparison.differingBits.push_back("bits " + std::to_string(first) + "\u2013" +
                                               std::to_string(first + width - 1) + ": " + hex(left, width) + " vs " +
                                               hex(right, width));
    }
    return comparison;
}

}  // namespace orvalinder::codes
