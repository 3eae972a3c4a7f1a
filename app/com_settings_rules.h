#pragma once
// What the Com settings dialog selects when it opens, and what it stores
// for the texts typed into its five boxes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/port_settings.h"

namespace orvalinder {

// The lists of the boxes, position 0 first. The Com Port list holds "Com1"
// to "Com32" followed by the serial devices found on the machine.
const std::vector<std::string>& parityList();
const std::vector<std::string>& speedList();
const std::vector<std::string>& dataBitsList();
const std::vector<std::string>& stopBitsList();
std::vector<std::string> comPortList(const std::vector<std::string>& devicesFound);

// Positions selected from the stored texts (each as read: nothing when
// missing). Nothing means no selection and an empty edit field.
struct Preselection {
    std::optional<int> port;
    std::optional<int> parity;
    std::optional<int> speed;
    std::optional<int> dataBits;
    std::optional<int> stopBits;
    // A stored device path that is not in the list is shown as it stands.
    std::optional<std::string> portText;
};

// Without a key nothing is selected.
Preselection preselect(const SettingsStore& store, const std::vector<std::string>& portList);

// The selection of the "Set default values" button.
Preselection defaultSelection();

// Texts longer than this are cut, as the boxes are read into small buffers.
inline constexpr size_t kBoxTextLimit = 49;

// OK's normalisation of each box's text. A device's bare name ("ttyACM0")
// stands for the device found under that name.
std::string normalisePort(std::string_view typed, PathStyle style = nativePathStyle(),
                          const std::vector<std::string>& devicesFound = {});
std::string normaliseParity(std::string_view typed);
std::string normaliseSpeed(std::string_view typed);
std::string normaliseStopBits(std::string_view typed);
std::string normaliseDataBits(std::string_view typed);

struct TypedSettings {
    std::string port, parity, speed, stopBits, dataBits;
};
PortSettings normalise(const TypedSettings& typed, PathStyle style = nativePathStyle(),
                       const std::vector<std::string>& devicesFound = {});

}  // namespace orvalinder
