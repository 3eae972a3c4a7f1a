// The board's hardware as the sketch uses it (board_avr.cpp): an Arduino Uno
// or Nano, ATmega328P at 16 MHz.
//   pin 3  (OC2B)  IR LED, carrier from Timer2
//   pin 8  (ICP1)  demodulating IR receiver, active low, timed by Timer1
//   pin 13         built-in LED, lit while a frame goes out
#ifndef IRBRIDGE_BOARD_H
#define IRBRIDGE_BOARD_H

#include <stdint.h>

#include "bridge.h"
#include "wire.h"

// The serial speed (wire.h): set the same in the program's Com settings.
const uint32_t kSerialBaud = wire::kBaud;

void boardBegin();

// Milliseconds since the start; wraps after 49 days.
uint32_t boardMillis();

// The next byte from the program, or -1.
int16_t serialRead();
LineOutput& serialOutput();
KeyStorage& eepromStorage();

// A measured frame waiting to be reported, or 0 durations.
uint8_t irReceivedFrame(const uint16_t*& durations);
// Lets the receiver measure the next frame.
void irFrameReported();

// Whether a frame can go out now: the last one and the silence after it are
// over, and no frame is being measured (one that goes on too long is
// abandoned). Then the receiver is off until the frame has gone out.
bool irReadyToSend();
// Where the frame to send is written, kIrMaxDurations long. The receiver
// measures into it too: write it only once irReadyToSend said yes.
uint16_t* irSendBuffer();
// Sends the frame in irSendBuffer(); a frame of no durations lets the
// receiver listen again.
void irSend(const Transmission& frame);

// Sleeps until the next interrupt, unless a frame waits to go out within
// the next millisecond.
void boardIdle(bool frameWaiting);

#endif
