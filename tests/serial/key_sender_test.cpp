#include <gtest/gtest.h>

#include "serial/key_sender.h"

namespace orvalinder {
namespace {

// Keeps what is written and says the port took `accept` bytes (-1: all).
struct WrittenBytes {
    std::string bytes;
    long accept = -1;
    WriteBytes writer() {
        return [this](std::string_view data) {
            bytes += data;
            return accept < 0 ? static_cast<long>(data.size()) : accept;
        };
    }
};

struct Send {
    bool connected;
    long accept;
    KeyCode code;
    std::string wire;
    std::wstring status3;
};

TEST(KeySender, OneWriteEachAndTheConfirmedCount) {
    const Send rows[] = {
        {true, -1, {'A', 101}, "A101", L"3.  4 bytes sent - A101 - 4 confirmed"},
        {true, -1, {'D', 145}, "D145", L"3.  4 bytes sent - D145 - 4 confirmed"},
        {true, 0, {'C', 100}, "C100", L"3.  4 bytes sent - C100 - 0 confirmed"},
        {false, -1, {'A', 101}, "", L"3. Can't send, the comms port is not open"},
    };
    for (const Send& row : rows) {
        WrittenBytes port;
        port.accept = row.accept;
        StatusLines status;
        const long confirmed = row.accept < 0 ? static_cast<long>(row.wire.size()) : row.accept;
        EXPECT_EQ(sendKeyCode(row.connected, port.writer(), row.code, status), confirmed);
        EXPECT_EQ(port.bytes, row.wire);
        EXPECT_EQ(status.line(3), row.status3);
    }
    // Back to back, with nothing between.
    WrittenBytes port;
    StatusLines status;
    sendKeyCode(true, port.writer(), {'A', 101}, status);
    sendKeyCode(true, port.writer(), {'A', 102}, status);
    EXPECT_EQ(port.bytes, "A101A102");
    EXPECT_EQ(status.line(3), L"3.  4 bytes sent - A102 - 4 confirmed");
}

}  // namespace
}  // namespace orvalinder
