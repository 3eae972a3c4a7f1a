// Every key of the test remotes in tests/data/remotes, encoded by us and by
// LIRC's irsimsend (a press held for two repeats), from the file as written
// and from the file as our writer writes it back: the same durations to the
// microsecond, since LIRC adds whole microseconds as we do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "tests/codes/lirc_tools.h"

namespace orvalinder::codes {
namespace {

namespace fs = std::filesystem;

std::vector<uint32_t> heldTwice(const Signal& s) {
    std::vector<uint32_t> all = s.press;
    all.push_back(s.pressGap);
    for (int i = 0; i < 2; ++i) {
        all.insert(all.end(), s.repeat.begin(), s.repeat.end());
        all.push_back(s.repeatGap);
    }
    return all;
}

TEST(EncoderAgainstLirc, EveryKeyOfTheTestRemotes) {
    int files = 0, keys = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(ORVALINDER_REMOTES_DIR)) {
        const std::string path = entry.path().string();
        if (!path.ends_with(".lircd.conf")) continue;
        ++files;
        const std::vector<Remote> remotes = readLircdConf(readText(path), path);
        ASSERT_EQ(remotes.size(), 1u) << path << ": irsimsend -k looks in the first remote only";
        // A folder of this run's own: another run of the tests may write the same file meanwhile.
        const fs::path folder = lircFolder();
        const fs::path written = folder / entry.path().filename();
        std::ofstream(written) << writeLircdConf(remotes);
        for (const Key& key : remotes[0].keys) {
            const std::vector<uint32_t> ours = heldTwice(encode(remotes[0], key));
            for (const std::string& file : {path, written.string()}) {
                const std::vector<uint32_t> lirc = irsimsend(file, key.name, 3);
                EXPECT_EQ(ours, lirc) << file << " " << key.name << "\n ours: " << join(ours)
                                      << "\n lirc: " << join(lirc);
            }
            ++keys;
        }
        fs::remove_all(folder);
    }
    std::cout << keys << " keys of " << files << " remotes checked against irsimsend\n";
    EXPECT_GE(files, 11);
    EXPECT_GE(keys, 25);
}

}  // namespace
}  // namespace orvalinder::codes
