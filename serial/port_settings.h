#pragma once
// The five serial settings kept per user, and what the port opener makes of
// the stored texts. The Com settings dialog is the only writer; it stores
// only the texts listed in app/com_settings_rules.h.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace orvalinder {

namespace setting {
inline constexpr std::string_view Port = "Port";
inline constexpr std::string_view Parity = "Parity";
inline constexpr std::string_view Speed = "Speed";
inline constexpr std::string_view StopBits = "StopBits";
inline constexpr std::string_view DataBits = "DataBits";
// In the order they are written.
inline constexpr std::array<std::string_view, 5> All{Port, Parity, Speed, StopBits, DataBits};
}  // namespace setting

// Texts longer than this do not fit the reading buffer and count as missing
// (device paths excepted).
inline constexpr size_t kMaxSettingLength = 24;

// The per-user store. The key exists once the Com settings dialog has been
// confirmed; until then every connect fails.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool keyExists() const = 0;
    // The stored text, or nothing when the value is missing.
    virtual std::optional<std::string> value(std::string_view name) const = 0;
    // Creates the key if needed and writes one value. False when it fails.
    virtual bool setValue(std::string_view name, const std::string& text) = 0;
};

// A value as the opener and the dialog read it: missing, or longer than
// the reading buffer, gives nothing.
std::optional<std::string> readSetting(const SettingsStore& store, std::string_view name);

// What the board speaks (115200 baud, 8 data bits, no parity, one stop bit)
// and the port the settings start with. A value missing from the store reads
// as its default.
inline constexpr std::string_view kDefaultPort = "Com3";
inline constexpr int kDefaultBaudRate = 115200;
inline constexpr int kDefaultDataBits = 8;

// The texts the dialog stores, normalised.
struct PortSettings {
    std::string port{kDefaultPort};
    std::string parity = "NONE";
    std::string speed = std::to_string(kDefaultBaudRate);
    std::string stopBits = "1";
    std::string dataBits = std::to_string(kDefaultDataBits);
};

// Writes all five values, in order.
bool writePortSettings(SettingsStore& store, const PortSettings& settings);

enum class PathStyle { Windows, Posix };
PathStyle nativePathStyle();

// The device to open for a stored "Port" text. Windows: "//./" and the text.
// Elsewhere a text beginning with "/" is a device path used as it stands
// (trimmed), and "ComN" names /dev/ttyS(N-1).
std::string devicePath(const std::optional<std::string>& port, PathStyle style = nativePathStyle());

// Leading-decimal conversion: leading white space, an optional sign, then
// digits; 0 without digits; saturates at the int range.
int leadingDecimal(std::string_view text);

// Conversions of the stored texts into line settings; each takes the value
// as read (nothing when missing).
int parityCode(const std::optional<std::string>& text, int portParity);  // case-insensitive names
int baudRate(const std::optional<std::string>& text);
int stopBitsCode(const std::optional<std::string>& text);  // compared exactly
int dataBitsCount(const std::optional<std::string>& text);

}  // namespace orvalinder
