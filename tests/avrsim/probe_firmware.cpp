// Firmware for the simulated board's own tests: just enough to exercise the
// lines the real firmware uses, each in a way a test can check.
//
// Bytes from the PC:
//   N P R   send a known burst pattern on the IR LED (38, 37, 36 kHz)
//   D       hold the LED on for 1000 us: a steady light, no carrier
//   W v     write byte v at EEPROM addresses 0 and 1023, answer "w"
//   E       answer "E" and the bytes at 0 and 1023 in hex, then '\n'
//   L       toggle the built-in LED, answer "L"
//   B       stop or start sleeping while idle, answer "B"
//   S       stall with interrupts off for 20 ms, as a busy firmware might
//   H       halt: sleep with interrupts off
//   X       crash: jump into erased flash
//   T       let the watchdog reset the chip
//   others  echoed
// At start it says "probe 1\n", the 1 being the receiver's idle line. The
// receiver's edges are timed by input capture; 33 ms or more after the last
// one they are sent as "C" and the microseconds between them, each after a
// blank, then '\n'.
#include <avr/eeprom.h>
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <avr/wdt.h>
#include <util/delay.h>

namespace {

volatile uint8_t rxBuffer[64];
volatile uint8_t rxHead, rxTail;

volatile uint16_t captures[80];
volatile uint8_t captureCount;
volatile uint8_t quietOverflows;  // Timer1 overflows (32.8 ms) since the last edge

struct Burst {
    char command;
    uint8_t top;  // OCR2A: the carrier is 16 MHz / (2 * (top + 1))
    uint8_t count;
    uint16_t durations[8];
};
const Burst kBursts[] = {
    {'N', 210, 7, {9000, 4500, 560, 560, 560, 1690, 560}},
    {'P', 215, 5, {3456, 1728, 432, 1296, 432}},
    {'R', 221, 5, {889, 889, 1778, 1778, 889}},
};

void put(uint8_t c) {
    while (!(UCSR0A & _BV(UDRE0))) {}
    UDR0 = c;
}

void putHex(uint8_t v) {
    const char digits[] = "0123456789ABCDEF";
    put(digits[v >> 4]);
    put(digits[v & 15]);
}

void putNumber(uint16_t v) {
    char text[6];
    uint8_t n = 0;
    do {
        text[n++] = '0' + v % 10;
        v /= 10;
    } while (v != 0);
    while (n > 0) put(text[--n]);
}

bool get(uint8_t& c) {
    if (rxHead == rxTail) return false;
    c = rxBuffer[rxTail];
    rxTail = (rxTail + 1) & 63;
    return true;
}

uint8_t waitByte() {
    uint8_t c;
    while (!get(c)) {}
    return c;
}

// Timer1 runs free at 2 MHz for input capture; waits count its ticks too.
void waitUs(uint16_t us) {
    const uint16_t start = TCNT1;
    const uint16_t ticks = us * 2;
    while (static_cast<uint16_t>(TCNT1 - start) < ticks) {}
}

void sendBurst(const Burst& burst) {
    OCR2A = burst.top;
    OCR2B = 1;
    for (uint8_t i = 0; i < burst.count; ++i) {
        if (i % 2 == 0) {
            TCNT2 = 0;
            TCCR2A = _BV(COM2B0) | _BV(WGM21);  // CTC, OC2B toggles on compare
            TCCR2B = _BV(CS20);
            waitUs(burst.durations[i]);
            TCCR2A = _BV(WGM21);
            TCCR2B = 0;
            PORTD &= ~_BV(PD3);  // simavr leaves the pin as the timer left it
        } else {
            waitUs(burst.durations[i]);
        }
    }
}

void reportCaptures() {
    cli();
    const uint8_t count = captureCount;
    const bool quiet = quietOverflows >= 2 && count > 0;
    sei();
    if (!quiet) return;
    put('C');
    for (uint8_t i = 1; i < count; ++i) {
        put(' ');
        putNumber(static_cast<uint16_t>(captures[i] - captures[i - 1]) / 2);
    }
    put('\n');
    captureCount = 0;
}

}  // namespace

ISR(USART_RX_vect) {
    const uint8_t c = UDR0;
    const uint8_t next = (rxHead + 1) & 63;
    if (next != rxTail) {
        rxBuffer[rxHead] = c;
        rxHead = next;
    }
}

ISR(TIMER1_CAPT_vect) {
    if (captureCount < sizeof captures / sizeof captures[0]) captures[captureCount++] = ICR1;
    TCCR1B ^= _BV(ICES1);  // the other edge next
    quietOverflows = 0;
}

ISR(TIMER1_OVF_vect) {
    if (quietOverflows < 255) ++quietOverflows;
}

int main() {
    MCUSR = 0;
    wdt_disable();
    UCSR0A = _BV(U2X0);
    UBRR0 = 16;  // 115200 with U2X
    UCSR0B = _BV(RXCIE0) | _BV(RXEN0) | _BV(TXEN0);
    DDRD |= _BV(PD3);
    DDRB |= _BV(PB5);
    PORTB |= _BV(PB0);  // the receiver's pull-up
    TCCR1A = 0;
    TCCR1B = _BV(CS11);  // falling edge first: a mark pulls the line low
    TIFR1 = _BV(ICF1) | _BV(TOV1);
    TIMSK1 = _BV(ICIE1) | _BV(TOIE1);
    sei();
    for (const char* s = "probe "; *s; ++s) put(*s);
    put(PINB & _BV(PB0) ? '1' : '0');  // the receiver idles high
    put('\n');

    bool sleepWhenIdle = true;
    for (;;) {
        reportCaptures();
        uint8_t c;
        if (!get(c)) {
            if (sleepWhenIdle) {
                set_sleep_mode(SLEEP_MODE_IDLE);
                sleep_mode();
            }
            continue;
        }
        bool handled = false;
        for (const Burst& burst : kBursts) {
            if (burst.command == c) {
                sendBurst(burst);
                handled = true;
            }
        }
        if (handled) continue;
        switch (c) {
        case 'D':
            PORTD |= _BV(PD3);
            waitUs(1000);
            PORTD &= ~_BV(PD3);
            break;
        case 'W': {
            const uint8_t v = waitByte();
            eeprom_write_byte(reinterpret_cast<uint8_t*>(0), v);
            eeprom_write_byte(reinterpret_cast<uint8_t*>(1023), v);
            put('w');
            break;
        }
        case 'E':
            put('E');
            putHex(eeprom_read_byte(reinterpret_cast<const uint8_t*>(0)));
            putHex(eeprom_read_byte(reinterpret_cast<const uint8_t*>(1023)));
            put('\n');
            break;
        case 'L':
            PORTB ^= _BV(PB5);
            put('L');
            break;
        case 'B':
            sleepWhenIdle = !sleepWhenIdle;
            put('B');
            break;
        case 'S':
            cli();
            _delay_ms(20);
            sei();
            break;
        case 'H':
            cli();
            sleep_enable();
            sleep_cpu();
            break;
        case 'X':
            reinterpret_cast<void (*)()>(0x3000)();  // far past the code
            break;
        case 'T':
            wdt_enable(WDTO_15MS);
            for (;;) {}
        default: put(c);
        }
    }
}
