#pragma once
// The click areas as published, read from tests/data/click_areas.txt, so
// that the program's tables are checked against numbers kept apart from
// them.

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/remote_catalogue.h"

namespace orvalinder::testing {

// The rows of one key letter, in index order; empty when the file cannot be
// read or a row is out of order. Sky (TV) uses the rows of Sky (Sky).
inline std::vector<ClickArea> publishedClickAreas(char letter) {
    if (letter == 'C') letter = 'B';
    std::ifstream file(ORVALINDER_CLICK_AREAS_FILE);
    std::vector<ClickArea> areas;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        char rowLetter = 0;
        size_t index = 0;
        std::string left, right, top, bottom;
        if (line.empty() || line[0] == '#' || !(fields >> rowLetter >> index >> left >> right >> top >> bottom) ||
            rowLetter != letter)
            continue;
        if (index != areas.size()) return {};
        // Each decimal converts to the single precision value the tables hold.
        const auto value = [](const std::string& text) { return std::strtof(text.c_str(), nullptr); };
        areas.push_back({value(left), value(right), value(top), value(bottom)});
    }
    return areas;
}

}  // namespace orvalinder::testing
