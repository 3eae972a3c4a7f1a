#pragma once
// Files of codes in any of the formats, told apart by their first line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

enum class Format { Lircd, Flipper, Pronto };

std::optional<Format> formatNamed(std::string_view name);  // "lircd", "flipper", "pronto"

// Flipper's start with "Filetype:", IRDB's CSV with its column names, Pronto
// files with a code or "Name: code", anything else is read as lircd.conf.
// Keys of Flipper's and IRDB's files that the program cannot send are named
// in `skipped` and left out; without it they refuse the file.
std::vector<Remote> readCodes(std::string_view text, const std::string& fileName,
                              std::vector<std::string>* skipped = nullptr);
// A file past kMaxCodesFileBytes is refused unread, its size named: the
// largest remotes people share are a few hundred KB, and a remote read takes
// some twenty times its file's size in memory.
constexpr std::uintmax_t kMaxCodesFileBytes = 8'000'000;
std::vector<Remote> readCodesFile(const std::string& path);
// The text of a file of codes, refused as readCodesFile refuses it.
std::string readCodesText(const std::string& path);

std::string writeCodes(const std::vector<Remote>& remotes, Format format);

}  // namespace orvalinder::codes
