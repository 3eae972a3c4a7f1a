#include "codes/formats.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codes/flipper.h"
#include "codes/irdb_csv.h"
#include "codes/lircd_conf.h"
#include "codes/pronto.h"

namespace orvalinder::codes {

namespace {

bool isHexWord(std::string_view word) {
    return word.size() == 4 && word.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

Format formatOf(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        std::string_view line = nextLine(text, at);
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        line.remove_prefix(first);
        if (line.substr(0, 9) == "Filetype:") return Format::Flipper;
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos) line.remove_prefix(colon + 1);
        line.remove_prefix(std::min(line.size(), line.find_first_not_of(" \t")));
        return isHexWord(line.substr(0, line.find_first_of(" \t\r,"))) ? Format::Pronto : Format::Lircd;
    }
    return Format::Lircd;
}

}  // namespace

std::optional<Format> formatNamed(std::string_view name) {
    if (name == "lircd") return Format::Lircd;
    if (name == "flipper") return Format::Flipper;
    if (name == "pronto") return Format::Pronto;
    return std::nullopt;
}

std::vector<Remote> readCodes(std::string_view text, const std::string& fileName, std::vector<std::string>* skipped) {
    if (text.starts_with(kIrdbCsvHeader)) return readIrdbCsv(text, fileName, skipped);
    switch (formatOf(text)) {
    case Format::Flipper: return readFlipper(text, fileName, skipped);
    case Format::Pronto: return readPronto(text, fileName);
    case Format::Lircd: break;
    }
    return readLircdConf(text, fileName);
}

std::vector<Remote> readCodesFile(const std::string& path) { return readCodes(readCodesText(path), path); }

std::string readCodesText(const std::string& path) {
    std::error_code error;
    if (const auto bytes = std::filesystem::file_size(path, error); !error && bytes > kMaxCodesFileBytes) {
        char size[64];
        std::snprintf(size, sizeof size, "%.1f MB, more than the %.0f MB", static_cast<double>(bytes) / 1e6,
                      static_cast<double>(kMaxCodesFileBytes) / 1e6);
        throw CodesError(path + ": the file is " + size + " a file of codes may be");
    }
    std::string text;
    try {
        std::ifstream file(path, std::ios::binary);
        if (!file) throw std::ios_base::failure("not opened");
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (file.bad()) throw std::ios_base::failure("not read");
    } catch (const std::ios_base::failure&) {  // a folder, for one, fails as it is read
        throw CodesError(path + ": cannot be read");
    }
    return text;
}

std::string writeCodes(const std::vector<Remote>& remotes, Format format) {
    switch (format) {
    case Format::Flipper: return writeFlipper(remotes);
    case Format::Pronto: return writeProntoFile(remotes);
    case Format::Lircd: break;
    }
    return writeLircdConf(remotes);
}

}  // namespace orvalinder::codes
