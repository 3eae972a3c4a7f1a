#include "codes/irp.h"

#include <cctype>
#include <charconv>
#include <string>

namespace orvalinder::codes {

namespace {

uint64_t rev8(uint64_t byte) { return reverseBits(byte & 0xFF, 8); }

enum class Subdevice { None, Complement, Needed };

struct IrpProtocol {
    const char* name;
    Protocol protocol;
    int maxDevice;
    Subdevice subdevice;
    int maxSubdevice;
    int maxFunction;
    // The board's value for it, as decode() reads the frame.
    uint64_t (*value)(uint64_t device, uint64_t subdevice, uint64_t function);
};

// NEC's four bytes, each sent least significant bit first: device,
// subdevice, function and the function inverted. NECx has the same bytes
// after a shorter leader, the one Samsung's remotes send.
uint64_t nec(uint64_t d, uint64_t s, uint64_t f) { return rev8(d) << 24 | rev8(s) << 16 | rev8(f) << 8 | rev8(~f); }

const IrpProtocol kProtocols[] = {
    {"NEC", Protocol::Nec, 255, Subdevice::Complement, 255, 255, nec},
    {"NEC1", Protocol::Nec, 255, Subdevice::Complement, 255, 255, nec},
    // NEC2 repeats its whole frame where NEC1 sends a repeat frame: the
    // first frame, the one a press needs, is the same.
    {"NEC2", Protocol::Nec, 255, Subdevice::Complement, 255, 255, nec},
    {"NECx1", Protocol::Samsung32, 255, Subdevice::Complement, 255, 255, nec},
    {"NECx2", Protocol::Samsung32, 255, Subdevice::Complement, 255, 255, nec},
    {"Samsung32", Protocol::Samsung32, 255, Subdevice::Complement, 255, 255, nec},
    // The board's RC5 value: the device, then the function's 7 bits (their
    // top one goes out inverted as the field bit).
    {"RC5", Protocol::Rc5, 31, Subdevice::None, 0, 127, [](uint64_t d, uint64_t, uint64_t f) { return d << 7 | f; }},
    {"RC6", Protocol::Rc6, 255, Subdevice::None, 0, 255, [](uint64_t d, uint64_t, uint64_t f) { return d << 8 | f; }},
    {"RC6-6-20", Protocol::Rc6Mode6, 255, Subdevice::Needed, 15, 255,
     [](uint64_t d, uint64_t s, uint64_t f) { return d << 12 | s << 8 | f; }},
    // Sony: the function's 7 bits, then the device's, each least
    // significant first (Sony20's device is 5 bits and a subdevice of 8).
    {"Sony12", Protocol::Sirc12, 31, Subdevice::None, 0, 127,
     [](uint64_t d, uint64_t, uint64_t f) { return reverseBits(f, 7) << 5 | reverseBits(d, 5); }},
    {"Sony15", Protocol::Sirc15, 255, Subdevice::None, 0, 127,
     [](uint64_t d, uint64_t, uint64_t f) { return reverseBits(f, 7) << 8 | reverseBits(d, 8); }},
    {"Sony20", Protocol::Sirc20, 31, Subdevice::Needed, 255, 127,
     [](uint64_t d, uint64_t s, uint64_t f) { return reverseBits(f, 7) << 13 | reverseBits(d, 5) << 8 | rev8(s); }},
    // Kaseikyo with Panasonic's maker code (2, 32), then device, subdevice,
    // function and their exclusive or, each byte least significant bit first.
    {"Panasonic", Protocol::Panasonic, 255, Subdevice::Needed, 255, 255,
     [](uint64_t d, uint64_t s, uint64_t f) {
         return rev8(2) << 40 | rev8(32) << 32 | rev8(d) << 24 | rev8(s) << 16 | rev8(f) << 8 | rev8(d ^ s ^ f);
     }},
};

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void check(const IrpProtocol& p, const char* what, int number, int max) {
    if (number < 0 || number > max)
        throw CodesError(std::string(p.name) + " takes a " + what + " from 0 to " + std::to_string(max) + ", not " +
                         std::to_string(number));
}

}  // namespace

std::optional<Decoded> irpCode(std::string_view protocol, int device, int subdevice, int function) {
    for (const IrpProtocol& p : kProtocols) {
        if (!sameName(protocol, p.name)) continue;
        check(p, "device", device, p.maxDevice);
        check(p, "function", function, p.maxFunction);
        if (subdevice == -1) {
            if (p.subdevice == Subdevice::Needed) throw CodesError(std::string(p.name) + " needs a subdevice");
            subdevice = p.subdevice == Subdevice::Complement ? 255 - device : 0;
        } else if (p.subdevice == Subdevice::None) {
            throw CodesError(std::string(p.name) + " has no subdevice, not " + std::to_string(subdevice));
        } else {
            check(p, "subdevice", subdevice, p.maxSubdevice);
        }
        return Decoded{p.protocol, p.value(uint64_t(device), uint64_t(subdevice), uint64_t(function))};
    }
    return std::nullopt;
}

int irpNumber(std::string_view word) {
    int value = 0;
    const char* const last = word.data() + word.size();
    const auto [end, error] = std::from_chars(word.data(), last, value);
    if (word.empty() || error != std::errc() || end != last)
        throw CodesError("not a number '" + std::string(word.substr(0, 60)) + (word.size() > 60 ? "...'" : "'"));
    return value;
}

}  // namespace orvalinder::codes
