#pragma once
// LIRC's own tools run as references: irsimsend sends a key of a lircd.conf
// into a file of pulses and spaces, pronto2lirc turns Pronto codes into a
// lircd.conf. Each runs in a folder of its own, its log kept there too.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

// What the CodesError `act` throws says; "no error" when it throws none.
template <typename Act>
std::string codesError(Act&& act) {
    try {
        act();
    } catch (const CodesError& error) {
        return error.what();
    }
    return "no error";
}

inline std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::string join(const std::vector<uint32_t>& durations) {
    std::string text;
    for (uint32_t d : durations) text += std::to_string(d) + " ";
    return text;
}

inline bool withinOnePercent(const std::vector<uint32_t>& ours, const std::vector<uint32_t>& reference) {
    if (ours.size() != reference.size()) return false;
    for (size_t i = 0; i < ours.size(); ++i)
        if (std::abs(double(ours[i]) - reference[i]) > reference[i] / 100.0) return false;
    return true;
}

// A fresh folder for one run of a LIRC tool.
inline std::filesystem::path lircFolder() {
    static int runs = 0;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("orvalinder-lirc-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline int runIn(const std::filesystem::path& folder, const std::string& command) {
    const std::string line =
        "cd '" + folder.string() + "' && XDG_CACHE_HOME='" + folder.string() + "' " + command + " >out.txt 2>&1";
    return std::system(line.c_str());
}

// The durations irsimsend sends for the key pressed `count` times as one
// hold (a press and count - 1 repeats), gaps included.
inline std::vector<uint32_t> irsimsend(const std::string& conf, const std::string& key, int count) {
    const auto folder = lircFolder();
    EXPECT_EQ(runIn(folder, "irsimsend -c " + std::to_string(count) + " -k '" + key + "' '" + conf + "'"), 0)
        << readText((folder / "out.txt").string());
    std::vector<uint32_t> durations;
    std::ifstream out(folder / "simsend.out");
    std::string kind;
    uint32_t us = 0;
    while (out >> kind >> us) durations.push_back(us);
    std::filesystem::remove_all(folder);
    return durations;
}

}  // namespace orvalinder::codes
