#include "core/current_directory.h"

#include <filesystem>
#include <system_error>

namespace orvalinder {

std::optional<std::string> currentDirectory() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::current_path(error);
    if (error) return std::nullopt;
    return path.string();
}

std::string joinPath(const std::string& directory, const std::string& fileName) {
    return (std::filesystem::path(directory) / fileName).string();
}

DirectoryFile fileInDirectory(const std::optional<std::string>& directory, const std::string& fileName, size_t limit,
                              const std::string& extraAdvice) {
    if (!directory || directory->empty())
        return {{}, UserMessage{"Can't get the CurrentDirectory.\n\n\nCan't continue.", MessageIcon::Stop}};
    if (directory->size() >= limit) {
        return {{},
                UserMessage{"Can't get the CurrentDirectory.\n\nThe CurrentDirectory is longer this programs " +
                                std::to_string(limit) + " character buffer.\n" + extraAdvice + "\nCan't continue.",
                            MessageIcon::Stop}};
    }
    return {joinPath(*directory, fileName), std::nullopt};
}

}  // namespace orvalinder
