#include "codes/irdb_csv.h"

#include "codes/irp.h"
#include "codes/protocols.h"

namespace orvalinder::codes {

namespace {

// A word for a message: a broken line may be megabytes long.
std::string quoted(std::string_view word) {
    constexpr size_t kShown = 60;
    return "'" + std::string(word.substr(0, kShown)) + (word.size() > kShown ? "...'" : "'");
}

void addRow(std::vector<Remote>& remotes, const std::string_view row) {
    // From the right: the name before the last four fields may hold commas.
    std::string_view fields[4], line = row;
    for (int i = 3; i >= 0; --i) {
        const size_t comma = line.rfind(',');
        if (comma == std::string_view::npos) throw CodesError("a row of five fields wanted, not " + quoted(row));
        fields[i] = line.substr(comma + 1);
        line = line.substr(0, comma);
    }
    const std::string_view protocol = fields[0];
    if (line.empty()) throw CodesError("a key without a name");
    const int device = irpNumber(fields[1]), subdevice = irpNumber(fields[2]);
    const std::optional<Decoded> code = irpCode(protocol, device, subdevice, irpNumber(fields[3]));
    if (!code) throw CodesError("a protocol this program does not send " + quoted(protocol));
    const std::string remoteName =
        std::string(protocol) + " " + std::to_string(device) + (subdevice == -1 ? "" : "." + std::to_string(subdevice));
    addKey(remotes, protocolRemote(code->protocol), Key{std::string(line), {remoteCode(*code)}, {}}, remoteName);
}

}  // namespace

std::vector<Remote> readIrdbCsv(std::string_view text, const std::string& fileName, std::vector<std::string>* skipped) {
    std::vector<Remote> remotes;
    size_t at = 0;
    int number = 0;
    while (at < text.size()) {
        std::string_view line = nextLine(text, at);
        ++number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (number == 1) {
            if (line != kIrdbCsvHeader)
                throw CodesError(fileName + ":1: not IRDB's CSV: its first line is " + quoted(line));
            continue;
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        try {
            addRow(remotes, line);
        } catch (const CodesError& error) {
            const std::string message = fileName + ":" + std::to_string(number) + ": " + error.what();
            if (!skipped) throw CodesError(message);
            skipped->push_back(message);
        }
    }
    if (number == 0) fail(fileName, 0, "no remote in the file", "");
    return remotes;
}

}  // namespace orvalinder::codes
