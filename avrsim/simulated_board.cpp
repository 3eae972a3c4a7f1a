#include "avrsim/simulated_board.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

extern "C" {
#include <avr_eeprom.h>
#include <avr_extint.h>
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
}

// simavr keeps its IRQ names and hooks after avr_terminate: its leaks, not
// ours, for LeakSanitizer in the sanitizer builds (a no-op elsewhere).
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() { return "leak:libsimavr.so\n"; }

namespace avrsim {
namespace {

constexpr uint64_t kEepromSize = 1024;

// MCUSR in the data space, and its external reset flag.
constexpr uint16_t kMcusr = 0x54;
constexpr uint8_t kExtrf = 0x02;

// 115200 8N1: ten bits a byte.
constexpr uint64_t kCyclesPerSerialByte = (kCpuHz * 10 + 115200 / 2) / 115200;

// Within a mark the carrier's low halves are short; a space is far longer.
constexpr uint64_t kMarkGapCycles = 100 * kCyclesPerUs;
// A high pulse longer than any carrier's half period (10 kHz and up) is the
// LED held on.
constexpr uint64_t kMaxCarrierHalfCycles = 50 * kCyclesPerUs;
// The receiver's output falls once it has seen two carrier periods and
// rises this long after the last one, as a real module's does, a little
// faster.
constexpr uint64_t kReceiverHoldCycles = 50 * kCyclesPerUs;

uint32_t toUs(uint64_t cycles) { return static_cast<uint32_t>((cycles + kCyclesPerUs / 2) / kCyclesPerUs); }

// simavr reports through one logger for the whole process: its errors go
// to standard error, its chatter nowhere, and never to standard output,
// which belongs to the program.
void logErrors(avr_t*, const int level, const char* format, va_list args) {
    if (level > LOG_ERROR) return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    const size_t length = std::strlen(text);
    std::fprintf(stderr, "simavr: %s%s", text, length > 0 && text[length - 1] == '\n' ? "" : "\n");
}

void checkElf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    elf_version(EV_CURRENT);
    Elf* elf = elf_begin(fd, ELF_C_READ, nullptr);
    GElf_Ehdr header{};
    const bool isElf = elf != nullptr && elf_kind(elf) == ELF_K_ELF && gelf_getehdr(elf, &header) != nullptr;
    if (elf != nullptr) elf_end(elf);
    ::close(fd);
    if (!isElf) throw std::runtime_error(path + " is not an ELF file");
    if (header.e_machine != EM_AVR) throw std::runtime_error(path + " is not firmware for an AVR chip");
}

void freeFirmware(elf_firmware_t& firmware) {
    std::free(firmware.flash);
    std::free(firmware.eeprom);
    std::free(firmware.fuse);
    std::free(firmware.lockbits);
    for (uint32_t i = 0; i < firmware.symbolcount; ++i) std::free(firmware.symbol[i]);
    std::free(firmware.symbol);
}

SimulatedBoard* boardOf(void* param) { return static_cast<SimulatedBoard*>(param); }

// The bytes of an Intel HEX file by address (simavr's own reader refuses
// the start address records Arduino's boot loaders end with).
std::map<uint32_t, uint8_t> readIntelHex(std::istream& in, const std::string& path) {
    std::map<uint32_t, uint8_t> bytes;
    uint32_t base = 0;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        auto bad = [&] {
            return std::runtime_error(path + ":" + std::to_string(lineNumber) + ": not an Intel HEX record");
        };
        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0) throw bad();
        std::vector<uint8_t> record;
        for (size_t i = 1; i < line.size(); i += 2) {
            char* end = nullptr;
            const std::string pair = line.substr(i, 2);
            const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
            if (*end != '\0') throw bad();
            record.push_back(static_cast<uint8_t>(value));
        }
        uint8_t sum = 0;
        for (uint8_t b : record) sum = static_cast<uint8_t>(sum + b);
        const size_t count = record[0];
        if (sum != 0 || record.size() != count + 5) throw bad();
        const uint32_t offset = static_cast<uint32_t>(record[1] << 8 | record[2]);
        const uint8_t* data = record.data() + 4;
        switch (record[3]) {
        case 0x00:
            for (size_t i = 0; i < count; ++i) bytes[base + offset + static_cast<uint32_t>(i)] = data[i];
            break;
        case 0x01: return bytes;
        case 0x02: base = static_cast<uint32_t>(data[0] << 8 | data[1]) << 4; break;
        case 0x04: base = static_cast<uint32_t>(data[0] << 8 | data[1]) << 16; break;
        default: break;  // start addresses: the chip starts where its fuses say
        }
    }
    return bytes;
}

}  // namespace

SentFrame demodulate(const std::vector<PinEdge>& edges, uint64_t endCycle) {
    struct Pulse {
        uint64_t rise, fall;
    };
    struct Mark {
        std::vector<Pulse> pulses;
    };
    std::vector<Mark> marks;
    for (size_t i = 0; i < edges.size(); ++i) {
        if (!edges[i].high) continue;
        const uint64_t fall = i + 1 < edges.size() ? edges[i + 1].cycle : endCycle;
        const Pulse pulse{edges[i].cycle, fall};
        if (marks.empty() || pulse.rise - marks.back().pulses.back().fall > kMarkGapCycles) marks.emplace_back();
        marks.back().pulses.push_back(pulse);
    }

    SentFrame frame;
    if (marks.empty()) return frame;
    frame.startUs = toUs(marks.front().pulses.front().rise);
    uint64_t carrierSpan = 0, carrierPeriods = 0;
    uint64_t previousEnd = 0;
    for (const Mark& mark : marks) {
        bool steady = false;
        for (const Pulse& p : mark.pulses) steady = steady || p.fall - p.rise > kMaxCarrierHalfCycles;
        frame.steadyLight = frame.steadyLight || steady;

        const Pulse& first = mark.pulses.front();
        const Pulse& last = mark.pulses.back();
        uint64_t end = last.fall;
        if (!steady && mark.pulses.size() > 1) {
            const uint64_t periods = mark.pulses.size() - 1;
            carrierSpan += last.rise - first.rise;
            carrierPeriods += periods;
            // A burst stopped during a low half ended somewhere in that half:
            // its middle is the best guess. One cut short ended at its fall.
            const uint64_t halfPeriod = (last.rise - first.rise) / periods / 2;
            if ((last.fall - last.rise) * 4 >= halfPeriod * 3) end += halfPeriod / 2;
        }
        if (&mark != &marks.front()) frame.durations.push_back(toUs(first.rise - previousEnd));
        frame.durations.push_back(toUs(end - first.rise));
        previousEnd = end;
    }
    if (carrierPeriods > 0)
        frame.carrierHz = static_cast<uint32_t>((kCpuHz * carrierPeriods + carrierSpan / 2) / carrierSpan);
    return frame;
}

SimulatedBoard::SimulatedBoard(const std::string& elfPath) {
    avr_global_logger_set(logErrors);
    checkElf(elfPath);
    elf_firmware_t firmware{};
    if (elf_read_firmware(elfPath.c_str(), &firmware) != 0) {
        freeFirmware(firmware);
        throw std::runtime_error("cannot read the firmware in " + elfPath);
    }
    if (firmware.mmcu[0] != '\0' && std::strcmp(firmware.mmcu, "atmega328p") != 0) {
        freeFirmware(firmware);
        throw std::runtime_error(elfPath + " is built for " + firmware.mmcu + ", not the atmega328p");
    }

    avr_ = avr_make_mcu_by_name("atmega328p");
    if (avr_ == nullptr || avr_init(avr_) != 0) {
        freeFirmware(firmware);
        std::free(avr_);
        throw std::runtime_error("simavr has no atmega328p");
    }
    avr_->log = LOG_ERROR;
    firmware.frequency = kCpuHz;
    avr_load_firmware(avr_, &firmware);
    // The ELF file places data at 0x800000 and up, the chip's data space at 0.
    for (uint32_t i = 0; i < firmware.symbolcount; ++i)
        if (firmware.symbol[i]->addr >= 0x800000 && firmware.symbol[i]->addr < 0x810000)
            variables_[firmware.symbol[i]->symbol] = firmware.symbol[i]->addr - 0x800000;
    freeFirmware(firmware);
    avr_->frequency = kCpuHz;
    // simavr would sleep in real time while the core sleeps.
    avr_->sleep = [](avr_t*, avr_cycle_count_t) {};
    // INT1 shares PD3 with the LED: simavr would poll its level every cycle
    // while the LED is dark, for a low-level interrupt nobody enables.
    avr_extint_set_strict_lvl_trig(avr_, EXTINT_IRQ_OUT_INT0, 0);
    avr_extint_set_strict_lvl_trig(avr_, EXTINT_IRQ_OUT_INT1, 0);
    avr_->custom.data = this;
    chipReset_ = avr_->reset;
    avr_->reset = onCoreReset;

    // No real-time pauses while the firmware polls the UART, no echo to the console.
    uint32_t uartFlags = 0;
    avr_ioctl(avr_, AVR_IOCTL_UART_SET_FLAGS('0'), &uartFlags);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), onSerialOut, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON), onSerialXon, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF), onSerialXoff, this);
    serialInput_ = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('D'), 3), onLedPin, this);
    receiverPin_ = avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), 0);
    driveReceiverPin();
}

uint8_t SimulatedBoard::variableByte(const std::string& name, uint16_t offset) const {
    const auto found = variables_.find(name);
    if (found == variables_.end()) throw std::runtime_error("the firmware has no variable " + name);
    return avr_->data[found->second + offset];
}

uint32_t SimulatedBoard::serialBaud() const {
    // UCSR0A, UBRR0L and UBRR0H in the ATmega328P's data space.
    const bool doubleSpeed = avr_->data[0xC0] & 0x02;
    const uint32_t divisor = (avr_->data[0xC5] << 8 | avr_->data[0xC4]) + 1u;
    return static_cast<uint32_t>(kCpuHz / ((doubleSpeed ? 8 : 16) * divisor));
}

SimulatedBoard::~SimulatedBoard() {
    avr_terminate(avr_);
    std::free(avr_);
}

bool SimulatedBoard::run(uint64_t microseconds) {
    const uint64_t end = avr_->cycle + microseconds * kCyclesPerUs;
    // A sleeping core jumps to its next timer; this one ends the jump here.
    avr_cycle_timer_register(avr_, end - avr_->cycle, onRunEnd, this);
    while (avr_->cycle < end) {
        const int state = avr_run(avr_);
        if (state != cpu_Running && state != cpu_Sleeping) return false;
    }
    return true;
}

uint64_t SimulatedBoard::nowUs() const { return avr_->cycle / kCyclesPerUs; }

uint64_t SimulatedBoard::cycle() const { return avr_->cycle; }

SimulatedBoard::CoreState SimulatedBoard::coreState() const {
    switch (avr_->state) {
    case cpu_Running:
    case cpu_Sleeping: return CoreState::Running;
    case cpu_Done: return CoreState::Halted;
    default: return CoreState::Crashed;
    }
}

uint64_t SimulatedBoard::onRunEnd(avr_t*, uint64_t, void*) { return 0; }

void SimulatedBoard::onCoreReset(avr_t* avr) {
    // simavr's reset drops every cycle timer: the lines the board listens
    // to go on after it, as they would after a real reset.
    SimulatedBoard* board = boardOf(avr->custom.data);
    board->chipReset_(avr);
    board->serialPaused_ = true;  // until the firmware turns its receiver on again
    board->serialTimerArmed_ = false;
    board->loopbackLow_ = false;
    board->armPlayTimer();
    avr_cycle_timer_register(avr, 1, onResetDone, board);
}

void SimulatedBoard::reset() {
    avr_reset(avr_);
    avr_->data[kMcusr] |= kExtrf;
}

void SimulatedBoard::loadBootLoader(const std::string& hexPath) {
    std::ifstream in(hexPath);
    if (!in) throw std::runtime_error("cannot open " + hexPath + ": " + std::strerror(errno));
    const std::map<uint32_t, uint8_t> bytes = readIntelHex(in, hexPath);
    if (bytes.empty()) throw std::runtime_error(hexPath + " holds no code");
    if (bytes.rbegin()->first > avr_->flashend)
        throw std::runtime_error(hexPath + " does not fit the atmega328p's flash");
    for (const auto& [address, byte] : bytes) avr_->flash[address] = byte;
    avr_->reset_pc = bytes.begin()->first;
    avr_->pc = avr_->reset_pc;
    avr_->codeend = avr_->flashend;  // the code now reaches the end of the flash
}

// The reset cleared the pin's register after onCoreReset: drive it again.
// Its IRQ passes only changes, and the level has not changed.
uint64_t SimulatedBoard::onResetDone(avr_t*, uint64_t, void* param) {
    avr_irq_t* pin = boardOf(param)->receiverPin_;
    const uint8_t flags = avr_irq_get_flags(pin);
    avr_irq_set_flags(pin, flags & ~IRQ_FLAG_FILTERED);
    avr_raise_irq(pin, boardOf(param)->receiverHigh_ ? 1 : 0);
    avr_irq_set_flags(pin, flags);
    return 0;
}

// Serial ------------------------------------------------------------------

void SimulatedBoard::sendSerial(std::string_view bytes) {
    serialIn_.erase(0, serialInSent_);
    serialInSent_ = 0;
    serialIn_ += bytes;
    armSerialTimer();
}

std::string SimulatedBoard::takeSerial() { return std::exchange(serialOut_, {}); }

void SimulatedBoard::armSerialTimer() {
    if (serialTimerArmed_ || serialPaused_ || serialBytesWaiting() == 0) return;
    const uint64_t start = std::max(nextSerialByte_, avr_->cycle);
    avr_cycle_timer_register(avr_, start - avr_->cycle, onSerialTimer, this);
    serialTimerArmed_ = true;
}

uint64_t SimulatedBoard::onSerialTimer(avr_t*, uint64_t when, void* param) {
    SimulatedBoard* board = boardOf(param);
    if (board->serialPaused_ || board->serialBytesWaiting() == 0) {
        board->serialTimerArmed_ = false;
        return 0;
    }
    // simavr's UART takes the byte whole and raises RXC one byte time later,
    // when its stop bit would have arrived.
    avr_raise_irq(board->serialInput_, static_cast<uint8_t>(board->serialIn_[board->serialInSent_++]));
    board->nextSerialByte_ = when + kCyclesPerSerialByte;
    return board->nextSerialByte_;
}

void SimulatedBoard::onSerialOut(avr_irq_t*, uint32_t value, void* param) {
    boardOf(param)->serialOut_ += static_cast<char>(value);
}

// The UART's receive queue says when it is full (XOFF) and when the firmware
// has emptied it (XON); bytes sent in between would be lost.
void SimulatedBoard::onSerialXoff(avr_irq_t*, uint32_t value, void* param) {
    if (value != 0) boardOf(param)->serialPaused_ = true;
}

void SimulatedBoard::onSerialXon(avr_irq_t*, uint32_t, void* param) {
    SimulatedBoard* board = boardOf(param);
    board->serialPaused_ = false;
    board->armSerialTimer();
}

// IR in ------------------------------------------------------------------

void SimulatedBoard::playIr(const std::vector<uint32_t>& durations, uint64_t atUs) {
    uint64_t at = std::max(atUs * kCyclesPerUs, avr_->cycle);
    bool low = true;
    for (uint32_t duration : durations) {
        playEdges_.emplace(at, low);
        at += duration * kCyclesPerUs;
        low = !low;
    }
    playEdges_.emplace(at, false);
    playEnd_ = std::max(playEnd_, at);
    armPlayTimer();
}

void SimulatedBoard::armPlayTimer() {
    avr_cycle_timer_cancel(avr_, onPlayTimer, this);
    if (playEdges_.empty()) return;
    const uint64_t first = std::max(playEdges_.begin()->first, avr_->cycle);
    avr_cycle_timer_register(avr_, first - avr_->cycle, onPlayTimer, this);
}

uint64_t SimulatedBoard::onPlayTimer(avr_t*, uint64_t when, void* param) {
    SimulatedBoard* board = boardOf(param);
    auto& edges = board->playEdges_;
    while (!edges.empty() && edges.begin()->first <= when) {
        board->playLow_ = edges.begin()->second;
        edges.erase(edges.begin());
    }
    board->driveReceiverPin();
    return edges.empty() ? 0 : edges.begin()->first;
}

// The receiver's output is low while it sees a played mark or, in
// loopback, the board's own carrier.
void SimulatedBoard::driveReceiverPin() {
    const bool high = !playLow_ && !loopbackLow_;
    if (high == receiverHigh_) return;
    receiverHigh_ = high;
    avr_raise_irq(receiverPin_, high ? 1 : 0);
}

uint64_t SimulatedBoard::onLoopbackTimer(avr_t*, uint64_t, void* param) {
    SimulatedBoard* board = boardOf(param);
    board->loopbackLow_ = false;
    board->driveReceiverPin();
    return 0;
}

// IR out -----------------------------------------------------------------

void SimulatedBoard::onLedPin(avr_irq_t*, uint32_t value, void* param) {
    SimulatedBoard* board = boardOf(param);
    const bool high = (value & 1) != 0;
    if (high == board->ledHigh_) return;
    board->ledHigh_ = high;
    const uint64_t now = board->avr_->cycle;
    if (!high) {
        if (!board->frameEdges_.empty()) board->frameEdges_.push_back({now, false});
        return;
    }
    const uint64_t silence = kFrameSilenceUs * kCyclesPerUs;
    if (!board->frameEdges_.empty() && now - board->frameEdges_.back().cycle > silence) board->finishFrame(now);
    board->frameEdges_.push_back({now, true});

    if (board->loopback_ && now - board->lastLedRise_ <= kReceiverHoldCycles) {
        board->loopbackLow_ = true;
        board->driveReceiverPin();
        avr_cycle_timer_register(board->avr_, kReceiverHoldCycles, onLoopbackTimer, board);
    }
    board->lastLedRise_ = now;
}

void SimulatedBoard::finishFrame(uint64_t endCycle) {
    sentFrames_.push_back(demodulate(frameEdges_, endCycle));
    frameEdges_.clear();
}

std::vector<SentFrame> SimulatedBoard::takeSentFrames() {
    // A frame is over after a silence, or after as long a steady light: a
    // fault worth seeing even while the LED stays on.
    const uint64_t silence = kFrameSilenceUs * kCyclesPerUs;
    if (!frameEdges_.empty() && avr_->cycle - frameEdges_.back().cycle > silence) {
        const bool stillOn = frameEdges_.back().high;
        finishFrame(frameEdges_.back().cycle + silence);
        if (stillOn) frameEdges_.clear();  // its fall, when it comes, starts no frame
    }
    return std::exchange(sentFrames_, {});
}

bool SimulatedBoard::builtinLedOn() const {
    avr_ioport_state_t state{};
    avr_ioctl(avr_, AVR_IOCTL_IOPORT_GETSTATE('B'), &state);
    return (state.ddr & state.port & (1 << 5)) != 0;
}

// EEPROM -----------------------------------------------------------------

uint8_t* SimulatedBoard::eepromBytes() const {
    // simavr's ioctl answers -1 even when it works; a null buffer asks for
    // its own bytes.
    avr_eeprom_desc_t desc{};
    avr_ioctl(avr_, AVR_IOCTL_EEPROM_GET, &desc);
    if (desc.ee == nullptr) throw std::runtime_error("simavr gives no access to the EEPROM");
    return desc.ee;
}

void SimulatedBoard::loadEeprom(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    if (bytes.size() != kEepromSize)
        throw std::runtime_error(path + " holds " + std::to_string(bytes.size()) + " bytes, not the EEPROM's " +
                                 std::to_string(kEepromSize));
    std::memcpy(eepromBytes(), bytes.data(), kEepromSize);
}

void SimulatedBoard::saveEeprom(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(eepromBytes()), kEepromSize);
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace avrsim
