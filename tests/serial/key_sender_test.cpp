#include <gtest/gtest.h>

#include "serial/csio.h"
#include "serial/key_sender.h"

namespace orvalinder {
namespace {

// A device that keeps what is written to it and accepts `accept` bytes.
class WrittenBytes : public SerialDevice {
public:
    std::string bytes;
    long accept = -1;  // -1: all
    long read(char*, size_t) override { return 0; }
    long write(std::string_view data) override {
        bytes += data;
        return accept < 0 ? static_cast<long>(data.size()) : accept;
    }
    bool readLineSettings(LineSettings&) override { return true; }
    bool applyLineSettings(const LineSettings&) override { return true; }
    bool setReadTimeout(int) override { return true; }
    void clearErrors() override {}
    void setQueueSizes(int, int) override {}
    bool close() override { return true; }
};

struct Send {
    bool connected;
    long accept;
    KeyCode code;
    std::string wire;
    std::wstring status3;
};

TEST(KeySender, OneWriteAndTheConfirmedCount) {
    const Send rows[] = {
        {true, -1, {'A', 101}, "A101", L"3.  4 bytes sent - A101 - 4 confirmed"},
        {true, -1, {'D', 145}, "D145", L"3.  4 bytes sent - D145 - 4 confirmed"},
        {true, 0, {'C', 100}, "C100", L"3.  4 bytes sent - C100 - 0 confirmed"},
        {false, -1, {'A', 101}, "", L"3. Can't send, the comms port is not open"},
    };
    for (const Send& row : rows) {
        auto port = std::make_shared<WrittenBytes>();
        port->accept = row.accept;
        CSio sio;
        sio.setPortHandle(port);
        StatusLines status;
        sendKeyCode(row.connected, sio.portHandle(), row.code, status);
        EXPECT_EQ(port->bytes, row.wire);
        EXPECT_EQ(status.line(3), row.status3);
    }
}

TEST(KeySender, BackToBackWithNothingBetween) {
    auto port = std::make_shared<WrittenBytes>();
    StatusLines status;
    sendKeyCode(true, port.get(), {'A', 101}, status);
    sendKeyCode(true, port.get(), {'A', 102}, status);
    EXPECT_EQ(port->bytes, "A101A102");
    EXPECT_EQ(status.line(3), L"3.  4 bytes sent - A102 - 4 confirmed");
}

TEST(Csio, InvalidUntilAPortIsStored) {
    CSio sio;
    EXPECT_TRUE(sio.holdsInvalidHandle());
    EXPECT_EQ(sio.name, L"Untitled.txt");
    sio.setPortHandle(std::make_shared<WrittenBytes>());
    EXPECT_FALSE(sio.holdsInvalidHandle());
}

}  // namespace
}  // namespace orvalinder
