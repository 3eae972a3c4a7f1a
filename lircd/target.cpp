#include "lircd/target.h"

#include <cinttypes>
#include <cstdio>

namespace orvalinder::lircd {

std::string codeText(uint64_t code) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, code);
    return text;
}

std::vector<KeyRow> keyRows(const codes::Remote& remote) {
    std::vector<KeyRow> rows;
    uint64_t number = 0;
    for (const codes::Key& key : remote.keys) {
        ++number;
        const bool coded = remote.encoding != codes::Encoding::Raw && !key.codes.empty();
        rows.push_back({codeText(coded ? key.codes.front() : number), key.name});
    }
    return rows;
}

}  // namespace orvalinder::lircd
