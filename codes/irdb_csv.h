#pragma once
// IRDB's files of codes: a line of column names, then a key a line in the
// IRP notation (codes/irp.h), such as "POWER,NECx2,7,7,2".

#include <string>
#include <string_view>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

inline constexpr std::string_view kIrdbCsvHeader = "functionname,protocol,device,subdevice,function";

// Keys of one protocol share a remote, named after the protocol and the
// device of the first of them ("NECx2 7.7"). A row that is not a name and
// four fields (a name may hold commas), whose protocol the board does not
// send or whose numbers its protocol cannot carry is never guessed at: with
// `skipped` it is named there with the file, its line and its protocol, and
// left out; without, it refuses the file.
std::vector<Remote> readIrdbCsv(std::string_view text, const std::string& fileName,
                                std::vector<std::string>* skipped = nullptr);

}  // namespace orvalinder::codes
