#pragma once
// Files the program writes next to itself live in the process's current
// directory, whose length is limited so the messages can name the limit.

#include <optional>
#include <string>

#include "core/user_message.h"

namespace orvalinder {

struct DirectoryFile {
    std::string path;                    // set when the directory fits
    std::optional<UserMessage> failure;  // set otherwise
};

// The current directory joined with `fileName`, or the failure to show when
// the directory cannot be read or is `limit` characters or longer. The
// too-long text names the limit; `extraAdvice` goes before "Can't continue.".
DirectoryFile fileInDirectory(const std::optional<std::string>& directory, const std::string& fileName, size_t limit,
                              const std::string& extraAdvice = {});

// The process's current directory, or nothing when it cannot be read.
std::optional<std::string> currentDirectory();

// Joins with the platform's separator.
std::string joinPath(const std::string& directory, const std::string& fileName);

}  // namespace orvalinder
