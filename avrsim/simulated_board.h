#pragma once
// The IR bridge board, an Arduino Uno (ATmega328P at 16 MHz), run by simavr
// in simulated time only: nothing here sleeps or reads a clock, so the same
// inputs give the same run every time, as fast as the host allows.
//
// Its wiring:
//   UART0  to the PC at 115200 8N1
//   PD3    the IR LED (OC2B: Timer2 makes the carrier)
//   PB0    the demodulating IR receiver (ICP1): high when idle, low
//          during a mark
//   PB5    the built-in LED
//
// Where simavr 1.6 differs from the chip, as measured here:
//   - clearing COM2B leaves PD3 at the level the timer left it: write PORTD
//     after it;
//   - any write to PORTD drives PD3 to its PORTD bit, even while OC2B has it;
//   - a compare match due a few cycles after the timer wraps is lost when
//     the core is inside a longer instruction then: with OCR2B = 0 a frame
//     loses a few carrier toggles, with OCR2B = OCR2A none;
//   - its UART counts a parity bit that 8N1 has not: a byte takes 11 bit
//     times, 93.5 us at UBRR 16 with U2X against the chip's 85 us;
//   - EEPROM writes are done at once (3.4 ms each on the chip).

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct avr_t;
struct avr_irq_t;

namespace avrsim {

constexpr uint64_t kCpuHz = 16'000'000;
constexpr uint64_t kCyclesPerUs = kCpuHz / 1'000'000;

// A frame ends once the LED has been dark this long.
constexpr uint64_t kFrameSilenceUs = 6'000;

// A level change of a pin, at a cycle of the simulated clock.
struct PinEdge {
    uint64_t cycle = 0;
    bool high = false;
};

// One frame the IR LED sent, as a receiver in front of it would see it.
struct SentFrame {
    uint64_t startUs = 0;             // the first mark's start, from power-on
    uint32_t carrierHz = 0;           // measured from the edges; 0 if no mark had a carrier
    bool steadyLight = false;         // some mark was the LED held on, not a carrier
    std::vector<uint32_t> durations;  // mark, space, ..., mark in microseconds
};

// Turns the LED's edges of one frame, starting with a rising edge, into
// marks and spaces. A level still high at the end lasts until `endCycle`.
SentFrame demodulate(const std::vector<PinEdge>& edges, uint64_t endCycle);

class SimulatedBoard {
public:
    enum class CoreState { Running, Halted, Crashed };

    // Loads the firmware into a fresh chip with an erased EEPROM; throws
    // std::runtime_error saying why when the file is not AVR firmware.
    explicit SimulatedBoard(const std::string& elfPath);
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // Advances simulated time. Returns false, early, when the core has
    // stopped: halted (asleep with interrupts off) or crashed.
    bool run(uint64_t microseconds);
    uint64_t nowUs() const;
    uint64_t cycle() const;
    CoreState coreState() const;

    // Bytes for the firmware's UART0, sent at the line's pace from now on.
    void sendSerial(std::string_view bytes);
    size_t serialBytesWaiting() const { return serialIn_.size() - serialInSent_; }
    // The bytes the firmware wrote to UART0 since the last call.
    std::string takeSerial();

    // Plays a frame into the receiver's pin from `atUs` on (from now if that
    // has passed): low during the marks, the first duration.
    void playIr(const std::vector<uint32_t>& durations, uint64_t atUs);
    // When the last frame played is over.
    uint64_t playEndUs() const { return playEnd_ / kCyclesPerUs; }

    // The frames the LED has finished sending since the last call.
    std::vector<SentFrame> takeSentFrames();
    bool irLedOn() const { return ledHigh_; }
    // Lets the receiver see the board's own LED, as one next to it would.
    void setLoopback(bool on) { loopback_ = on; }

    bool builtinLedOn() const;

    // The speed the firmware set its UART0 to, from its registers. (simavr
    // passes bytes at any setting; a real line would not.)
    uint32_t serialBaud() const;

    // Presses the reset button (or a host toggling DTR): the chip starts
    // again, the EEPROM keeps what it holds, and the reset counts as an
    // external one (EXTRF), which keeps a boot loader waiting for an upload.
    void reset();

    // Puts an Intel HEX boot loader (Arduino's optiboot) into the flash and
    // makes the chip start there, as the BOOTRST fuse does; the firmware
    // stays where it is. Throws std::runtime_error saying why it cannot.
    void loadBootLoader(const std::string& hexPath);

    // A byte of the firmware's variable `name`, as the ELF file names it;
    // throws std::runtime_error when the firmware has none of that name.
    uint8_t variableByte(const std::string& name, uint16_t offset = 0) const;

    // The EEPROM as a file of its 1024 bytes; both throw std::runtime_error.
    void loadEeprom(const std::string& path);
    void saveEeprom(const std::string& path) const;

private:
    static void onLedPin(avr_irq_t* irq, uint32_t value, void* param);
    static void onSerialOut(avr_irq_t* irq, uint32_t value, void* param);
    static void onSerialXon(avr_irq_t* irq, uint32_t value, void* param);
    static void onSerialXoff(avr_irq_t* irq, uint32_t value, void* param);
    static uint64_t onSerialTimer(avr_t* avr, uint64_t when, void* param);
    static uint64_t onPlayTimer(avr_t* avr, uint64_t when, void* param);
    static uint64_t onLoopbackTimer(avr_t* avr, uint64_t when, void* param);
    static uint64_t onRunEnd(avr_t* avr, uint64_t when, void* param);
    static void onCoreReset(avr_t* avr);
    static uint64_t onResetDone(avr_t* avr, uint64_t when, void* param);

    void armSerialTimer();
    void armPlayTimer();
    void driveReceiverPin();
    void finishFrame(uint64_t endCycle);
    uint8_t* eepromBytes() const;

    avr_t* avr_ = nullptr;
    void (*chipReset_)(avr_t*) = nullptr;
    avr_irq_t* receiverPin_ = nullptr;
    avr_irq_t* serialInput_ = nullptr;

    std::map<std::string, uint32_t> variables_;  // name -> address in the data space
    std::string serialIn_;
    size_t serialInSent_ = 0;
    uint64_t nextSerialByte_ = 0;  // the line's pace: no byte starts before this cycle
    bool serialPaused_ = true;     // until the firmware's receiver is on and has room
    bool serialTimerArmed_ = false;
    std::string serialOut_;

    std::multimap<uint64_t, bool> playEdges_;  // cycle -> receiver output low
    uint64_t playEnd_ = 0;
    bool playLow_ = false;
    bool loopbackLow_ = false;
    bool receiverHigh_ = false;

    bool loopback_ = false;
    uint64_t lastLedRise_ = 0;
    bool ledHigh_ = false;
    std::vector<PinEdge> frameEdges_;
    std::vector<SentFrame> sentFrames_;
};

}  // namespace avrsim
