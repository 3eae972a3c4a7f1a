// The ATmega328P's timers, serial port and EEPROM behind board.h.
#if defined(__AVR__)

#include "board.h"

#include <avr/eeprom.h>
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <util/atomic.h>

namespace {

// Timer1 counts half microseconds: the receiver's edges and the sender's
// mark and space ends are both timed on it.
const uint8_t kTicksPerMicrosecond = 2;
// A frame has ended when the receiver has been silent this long: longer
// than any space inside a frame of ours (NEC's 4.5 ms), shorter than the
// silence between Sony's frames (6.6 ms at least).
const uint16_t kFrameEndTicks = 6000 * kTicksPerMicrosecond;
// A mark longer than any of ours (NEC's 9 ms) is a lamp or the sun.
const uint16_t kLongestMarkTicks = 12000 * kTicksPerMicrosecond;
// Frames shorter than this are noise, not worth a monitor line.
const uint8_t kShortestFrame = 3;
// A frame being measured holds back sending for at most this long.
const uint8_t kLongestWaitForReceiveMs = 150;
// The receiver module's output settles this long after our own LED stops.
const uint16_t kEchoSettleUs = 5000;

volatile uint32_t millisCount;

// One buffer serves both directions: the receiver is off while a frame goes
// out, and a measured frame is reported before the next one is sent.
uint16_t frame[kIrMaxDurations];

enum ReceiveState : uint8_t { Waiting, Measuring, Measured, Off };
volatile ReceiveState receiveState = Off;
volatile uint8_t receivedCount;  // may pass kIrMaxDurations: the rest is cut
volatile uint16_t lastEdge;
volatile uint32_t receiveStartMs;

volatile uint8_t sendCount;
// Half a carrier period in Timer1's ticks: see carrierOn().
uint8_t carrierLeadTicks;
// Time enough for the interrupt that starts the next duration.
const uint8_t kShortestTicks = 16;
volatile uint8_t sendIndex;
volatile bool sending;
volatile uint32_t sendEndUs;
uint32_t gapAfterUs;

// Bytes between the main loop and an interrupt; call with interrupts off.
// The indices wrap by comparison: the chip has no divider, and a modulo for
// every byte of a long line costs more time than the line itself.
template <uint16_t Size>
struct Ring {
    volatile uint8_t bytes[Size];
    volatile uint16_t head;  // next to take
    volatile uint16_t tail;  // next to fill
    volatile uint16_t count;

    void put(uint8_t byte) {
        if (count == Size) return;
        bytes[tail] = byte;
        tail = uint16_t(tail + 1 == Size ? 0 : tail + 1);
        ++count;
    }

    int16_t take() {
        if (count == 0) return -1;
        uint8_t byte = bytes[head];
        head = uint16_t(head + 1 == Size ? 0 : head + 1);
        --count;
        return byte;
    }
};

Ring<128> input;
Ring<600> output;

// Between marks Timer2 clears the LED's pin at each match, so the carrier
// always starts low. A mark restarts Timer2 from 0 and toggles the pin at
// each match: its first rise comes half a carrier period after carrierOn(),
// which is called that much early (carrierLeadTicks).
void carrierOn() {
    TCNT2 = 0;
    TCCR2A = uint8_t((TCCR2A & ~_BV(COM2B1)) | _BV(COM2B0));
}

void carrierOff() {
    TCCR2A = uint8_t((TCCR2A & ~_BV(COM2B0)) | _BV(COM2B1));
    TCCR2B |= _BV(FOC2B);
    PORTD &= uint8_t(~_BV(PD3));
}

class SerialOutput : public LineOutput {
public:
    uint16_t freeSpace() const override {
        uint16_t used;
        ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { used = output.count; }
        return uint16_t(sizeof output.bytes - used);
    }

    void write(const char* text, uint16_t length) override {
        for (uint16_t i = 0; i < length; ++i) {
            ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { output.put(uint8_t(text[i])); }
        }
        UCSR0B |= _BV(UDRIE0);
    }
};

class EepromStorage : public KeyStorage {
public:
    uint8_t read(uint16_t address) const override { return eeprom_read_byte(reinterpret_cast<uint8_t*>(address)); }
    void write(uint16_t address, uint8_t value) override {
        eeprom_update_byte(reinterpret_cast<uint8_t*>(address), value);
    }
    uint16_t size() const override { return E2END + 1; }
};

SerialOutput serialOutputInstance;
EepromStorage eepromStorageInstance;

void startReceiving() {
    TCCR1B &= uint8_t(~_BV(ICES1));  // a mark starts with a falling edge
    TIFR1 = _BV(ICF1);
    receiveState = Waiting;
}

}  // namespace

ISR(TIMER0_COMPA_vect) { ++millisCount; }

namespace {

// Microseconds since the start, to 4 us; call with interrupts off.
uint32_t microsNow() {
    uint32_t ms = millisCount;
    uint8_t ticks = TCNT0;
    if ((TIFR0 & _BV(OCF0A)) && ticks < 200) ++ms;  // the millisecond has passed, its interrupt still waits
    return ms * 1000 + ticks * 4u;
}

}  // namespace

// The most bytes the serial input has held at once: a burst from the
// program must never fill it. The tests read it.
extern "C" {
volatile uint8_t serialInputPeak;
}

ISR(USART_RX_vect) {
    input.put(UDR0);
    if (input.count > serialInputPeak) serialInputPeak = uint8_t(input.count);
}

ISR(USART_UDRE_vect) {
    int16_t byte = output.take();
    if (byte < 0)
        UCSR0B &= uint8_t(~_BV(UDRIE0));
    else
        UDR0 = uint8_t(byte);
}

ISR(TIMER1_CAPT_vect) {
    uint16_t now = ICR1;
    bool falling = !(TCCR1B & _BV(ICES1));
    TCCR1B ^= _BV(ICES1);
    TIFR1 = _BV(ICF1);  // changing the edge may raise the flag
    if (receiveState == Waiting) {
        if (!falling) {
            TCCR1B &= uint8_t(~_BV(ICES1));
            return;
        }
        receiveState = Measuring;
        receivedCount = 0;
        receiveStartMs = millisCount;
    } else if (receiveState == Measuring) {
        if (receivedCount < kIrMaxDurations) frame[receivedCount] = uint16_t((now - lastEdge) / kTicksPerMicrosecond);
        if (receivedCount < 255) ++receivedCount;
    } else {
        return;
    }
    lastEdge = now;
    OCR1B = uint16_t(now + (falling ? kLongestMarkTicks : kFrameEndTicks));
    TIFR1 = _BV(OCF1B);
    TIMSK1 |= _BV(OCIE1B);
}

// Silence after the last edge: the frame is over.
ISR(TIMER1_COMPB_vect) {
    TIMSK1 &= uint8_t(~_BV(OCIE1B));
    if (receiveState != Measuring) return;
    // Still low after so long is no mark of ours: drop what was measured.
    bool idle = PINB & _BV(PB0);
    if (idle && receivedCount >= kShortestFrame)
        receiveState = Measured;
    else
        startReceiving();
}

// The end of a mark or a space of the frame going out.
ISR(TIMER1_COMPA_vect) {
    uint8_t index = sendIndex;
    if (index < sendCount) {
        uint16_t ticks = uint16_t(frame[index] * kTicksPerMicrosecond);
        if (index % 2 == 0) {
            carrierOn();
            ticks = uint16_t(ticks + carrierLeadTicks);
        } else {
            carrierOff();
            ticks = ticks > uint16_t(carrierLeadTicks + kShortestTicks) ? uint16_t(ticks - carrierLeadTicks)
                                                                        : kShortestTicks;
        }
        OCR1A = uint16_t(OCR1A + ticks);
        sendIndex = uint8_t(index + 1);
    } else {
        carrierOff();
        TIMSK1 &= uint8_t(~_BV(OCIE1A));
        PORTB &= uint8_t(~_BV(PB5));
        sending = false;
        sendEndUs = microsNow();
    }
}

void boardBegin() {
    cli();
    // Timer0: a millisecond tick (CTC, 16 MHz / 64 / 250).
    TCCR0A = _BV(WGM01);
    TCCR0B = _BV(CS01) | _BV(CS00);
    OCR0A = 249;
    TIMSK0 = _BV(OCIE0A);

    // Timer1: free running at 2 MHz, input capture with the noise canceller.
    TCCR1A = 0;
    TCCR1B = _BV(ICNC1) | _BV(CS11);
    TIMSK1 = _BV(ICIE1);

    // Timer2: the carrier, toggling OC2B in CTC mode; connected per mark.
    TCCR2A = _BV(WGM21);
    TCCR2B = _BV(CS20);

    DDRD |= _BV(PD3);  // IR LED
    PORTD &= uint8_t(~_BV(PD3));
    DDRB |= _BV(PB5);  // built-in LED
    DDRB &= uint8_t(~_BV(PB0));
    PORTB |= _BV(PB0);  // the receiver's output idles high

    // Serial: double speed gives 115200 baud within 2.1% at 16 MHz.
    UCSR0A = _BV(U2X0);
    uint16_t divisor = uint16_t((F_CPU + 4 * kSerialBaud) / (8 * kSerialBaud) - 1);
    UBRR0H = uint8_t(divisor >> 8);
    UBRR0L = uint8_t(divisor);
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);

    sei();  // boardIdle() starts the receiver
}

uint32_t boardMillis() {
    uint32_t now;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { now = millisCount; }
    return now;
}

int16_t serialRead() {
    int16_t byte;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { byte = input.take(); }
    return byte;
}

LineOutput& serialOutput() { return serialOutputInstance; }
KeyStorage& eepromStorage() { return eepromStorageInstance; }

uint8_t irReceivedFrame(const uint16_t*& durations) {
    if (receiveState != Measured) return 0;
    durations = frame;
    return receivedCount < kIrMaxDurations ? receivedCount : kIrMaxDurations;
}

void irFrameReported() {
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { startReceiving(); }
}

bool irReadyToSend() {
    bool ready = true;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        uint32_t now = millisCount;
        if (sending || microsNow() - sendEndUs < gapAfterUs)
            ready = false;
        else if (receiveState == Measured)
            ready = false;  // reported first: it shares the buffer
        else if (receiveState == Measuring && now - receiveStartMs < kLongestWaitForReceiveMs)
            ready = false;
        else
            receiveState = Off;
    }
    return ready;
}

uint16_t* irSendBuffer() { return frame; }

void irSend(const Transmission& out) {
    if (out.count == 0 || out.carrierHz == 0) {
        startReceiving();
        return;
    }
    // Timer2 toggles the LED twice a period; below 31.4 kHz its count needs
    // the clock divided by 8.
    const uint32_t kSlowestUndivided = F_CPU / 2 / 256 + 1;
    bool divided = out.carrierHz < kSlowestUndivided;
    uint32_t toggleHz = divided ? F_CPU / 16 : F_CPU / 2;
    TCCR2B = divided ? _BV(CS21) : _BV(CS20);
    OCR2A = uint8_t((toggleHz + out.carrierHz / 2) / out.carrierHz - 1);
    // Timer1 counts every 8 cycles; Timer2 every cycle, or every 8.
    carrierLeadTicks = divided ? uint8_t(OCR2A + 1) : uint8_t((OCR2A + 1 + 4) / 8);
    OCR2B = OCR2A;  // any value up to OCR2A toggles once a period
    gapAfterUs = out.gapUs;
    PORTB |= _BV(PB5);
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        sendCount = out.count;
        sendIndex = 0;
        sending = true;
        OCR1A = uint16_t(TCNT1 + 16);
        TIFR1 = _BV(OCF1A);
        TIMSK1 |= _BV(OCIE1A);
    }
}

void boardIdle(bool frameWaiting) {
    bool dueSoon;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        // The receiver comes back once our own frame has left the air.
        uint32_t since = microsNow() - sendEndUs;
        if (!sending && receiveState == Off && since >= kEchoSettleUs) startReceiving();
        // Asleep, a frame due within the millisecond would wait for its tick.
        dueSoon = frameWaiting && !sending && since + 1000 >= gapAfterUs;
    }
    if (dueSoon) return;
    set_sleep_mode(SLEEP_MODE_IDLE);
    sleep_mode();
}

#endif
