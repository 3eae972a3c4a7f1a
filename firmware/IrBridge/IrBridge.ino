// IrBridge: the board between Orvalinder and the TV. Key codes from the
// program ("A101"), and codes and frames it gives (bridge.h), go out as IR
// frames on the LED, held keys repeating as their remotes repeat them;
// frames seen by the receiver come back as monitor and value lines for the
// IR Monitor.
//
// Edit key_table.h for your remotes and kBaud in wire.h for the
// serial speed. Needs no libraries: open this folder in the Arduino IDE,
// pick Arduino Uno (or Nano) and upload.
#include "board.h"
#include "bridge.h"

static Bridge* bridge;

void setup() {
    boardBegin();
    // Made here, after the board is set up, since it reads the EEPROM.
    static Bridge theBridge(serialOutput(), eepromStorage());
    bridge = &theBridge;
    // Opening the port resets the board, so this tells the program at every
    // connect which firmware it has, without a question that another
    // firmware could misread.
    bridge->sayVersion();
}

void loop() {
    // (Not named `byte`: the Arduino IDE makes that a type.)
    int16_t received;
    while ((received = serialRead()) >= 0) bridge->serialByte(uint8_t(received), boardMillis());

    const uint16_t* durations;
    if (uint8_t count = irReceivedFrame(durations)) {
        bridge->frameReceived(durations, count);
        irFrameReported();
    }

    bridge->tick(boardMillis());

    bool frameWaiting = bridge->frameDue(boardMillis());
    if (frameWaiting && irReadyToSend()) irSend(bridge->nextFrame(irSendBuffer(), kIrMaxDurations));

    boardIdle(frameWaiting);
}
