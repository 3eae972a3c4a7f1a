// LIRC's key names as irrecord knows them, and how a search finds them.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/key_names.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace orvalinder {
namespace {

TEST(KeyNames, AreTheNamesIrrecordLists) {
    FILE* irrecord = popen("irrecord --list-namespace", "r");
    ASSERT_NE(irrecord, nullptr);
    std::string printed;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, irrecord)) > 0;) printed.append(buffer, n);
    const int status = pclose(irrecord);
#ifdef _WIN32
    const bool missing = status != 0;  // LIRC is not made for Windows
#else
    const bool missing = WIFEXITED(status) && WEXITSTATUS(status) == 127;  // the shell's "not found"
#endif
    if (missing) GTEST_SKIP() << "irrecord is not installed";
    EXPECT_EQ(status, 0);

    std::string ours;
    for (const std::string_view name : lircKeyNames()) ours.append(name).append("\n");
    EXPECT_EQ(ours, printed);
}

TEST(KeyNames, ASearchFindsTheNameInAnySpelling) {
    const struct Row {
        const char* search;
        const char* name;
        bool found;
    } rows[] = {
        {"", "KEY_POWER", true},        {"pow", "KEY_POWER", true},        {"Key_Po", "KEY_POWER", true},
        {"KEY_", "KEY_POWER", true},    {"key_", "BTN_LEFT", false},       {"volume up", "KEY_VOLUMEUP", true},
        {"vol+", "KEY_VOLUMEUP", true}, {"vol+", "KEY_VOLUMEDOWN", false}, {"mute", "KEY_POWER", false},
        {"my tv", "my-tv", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(nameMatchesSearch(row.name, row.search), row.found) << row.search << " / " << row.name;
}

}  // namespace
}  // namespace orvalinder
