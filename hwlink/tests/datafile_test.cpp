// SPDX-License-Identifier: GPL-3.0-or-later
// Record files: the four blocks of each record length, failures that leave the buffer and the
// old file as they were, and a save that replaces the file only once it is complete.
#include "sim_fixture.h"
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hwlink::test {
namespace {

struct DataFileTest : ::testing::Test {
    fs::path dir =
        fs::temp_directory_path() /
        ("vrx-datafile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    static std::vector<uint8_t> sampleBuf(unsigned seed) {
        std::vector<uint8_t> b(HW_SAMPLEBUF_LEN);
        std::mt19937 rng(seed);
        for (auto &x : b)
            x = uint8_t(rng());
        return b;
    }
    // Mode 0 saves, 1 loads, the areas one stride apart.
    static int32_t rw(int mode, std::vector<uint8_t> &b, const fs::path &p, int32_t len = 2048) {
        return freadwrite(uint8_t(mode), b.data(), HW_SB_AREA_LEN, len, p.c_str());
    }
    size_t files() const {
        return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
};

TEST_F(DataFileTest, RoundTripOfEachRecordLengthIsByteExact) {
    for (int32_t len : {2048, 8192, 131072}) {
        const fs::path name = dir / ("rec" + std::to_string(len) + ".Vrx");
        auto saved = sampleBuf(unsigned(len));
        ASSERT_NE(rw(0, saved, name, len), 0);
        // Four blocks back to back: A1, A2, D0-D7, D8-D15.
        const auto file = fileBytes(name);
        ASSERT_EQ(file.size(), size_t(4 * len));
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(std::equal(file.begin() + k * len, file.begin() + (k + 1) * len,
                                   saved.begin() + k * HW_SB_AREA_LEN));
        auto loaded = std::vector<uint8_t>(HW_SAMPLEBUF_LEN, 0xEE);
        ASSERT_NE(rw(1, loaded, name, len), 0);
        for (size_t i = 0; i < loaded.size(); ++i) {
            const bool inBlock = i < 4 * size_t(HW_SB_AREA_LEN) && i % HW_SB_AREA_LEN < size_t(len);
            ASSERT_EQ(loaded[i], inBlock ? saved[i] : 0xEE) << len << " at " << i;
        }
    }
}

TEST_F(DataFileTest, FailuresReturnZeroAndLeaveTheBufferAsItWas) {
    auto buf = sampleBuf(7);
    const auto before = buf;
    const fs::path good = dir / "good.Vrx", shortFile = dir / "short.Vrx", pipe = dir / "pipe.Vrx";
    ASSERT_NE(rw(0, buf, good), 0);
    auto bytes = fileBytes(good);
    for (auto &b : bytes)
        b = uint8_t(~b);
    std::ofstream(shortFile, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size() - 1));
    // A pipe (or a device) of that name is not the place for a record: the save fails, the
    // pipe stays. The unknown mode 2 writes nothing.
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ((V{rw(1, buf, dir / "none.Vrx"), rw(1, buf, shortFile),
                 rw(0, buf, dir / "no/dir.Vrx"), rw(2, buf, good),
                 freadwrite(1, buf.data(), HW_SB_AREA_LEN, 2048, nullptr), rw(0, buf, pipe)}),
              (V{0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(fs::is_fifo(pipe) && buf == before && fileBytes(good).size() == size_t(4 * 2048));
}

// A save goes through a temporary file beside the target: one that fails half-way (here the
// file-size limit stands for a full disk) leaves the previous file whole and no temporary
// behind; one that succeeds replaces the file with its permissions.
TEST_F(DataFileTest, SaveReplacesTheFileOnlyWhenComplete) {
    const int32_t len = 8192;
    const fs::path name = dir / "kept.Vrx", link = dir / "link.Vrx";
    auto first = sampleBuf(1), second = sampleBuf(2);
    ASSERT_NE(rw(0, first, name, len), 0);
    const auto mode = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(name, mode);
    const auto before = fileBytes(name);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(rw(0, second, name, len) == 0 ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "the save reported its failure";
    EXPECT_TRUE(fileBytes(name) == before) << "the previous file is whole";
    EXPECT_EQ(files(), 1u);

    ASSERT_NE(rw(0, second, name, len), 0);
    const auto after = fileBytes(name);
    EXPECT_EQ((V{int64_t(after.size()), after[0], int64_t(files())}), (V{4 * len, second[0], 1}));
    EXPECT_EQ(fs::status(name).permissions(), mode);

    // Saved through a symbolic link: the linked file is replaced, the link stays.
    fs::create_symlink(name, link);
    ASSERT_NE(rw(0, first, link, len), 0);
    EXPECT_TRUE(fs::is_symlink(link) && fileBytes(name) == before);
}

} // namespace
} // namespace hwlink::test
