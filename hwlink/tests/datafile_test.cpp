// SPDX-License-Identifier: GPL-3.0-or-later
#include "hwlink.h"
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

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
    static std::vector<uint8_t> fileBytes(const fs::path &p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
};

} // namespace

TEST_F(DataFileTest, RoundTripOfEachRecordLengthIsByteExact) {
    for (int32_t len : {2048, 8192, 131072}) {
        const std::string name = (dir / ("rec" + std::to_string(len) + ".Vrx")).string();
        auto saved = sampleBuf(unsigned(len));
        ASSERT_NE(freadwrite(0, saved.data(), HW_SB_AREA_LEN, len, name.c_str()), 0);
        // Four blocks back to back: A1, A2, D0-D7, D8-D15.
        const auto file = fileBytes(name);
        ASSERT_EQ(file.size(), size_t(4 * len));
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(std::equal(file.begin() + k * len, file.begin() + (k + 1) * len,
                                   saved.begin() + k * HW_SB_AREA_LEN));
        auto loaded = std::vector<uint8_t>(HW_SAMPLEBUF_LEN, 0xEE);
        ASSERT_NE(freadwrite(1, loaded.data(), HW_SB_AREA_LEN, len, name.c_str()), 0);
        for (size_t i = 0; i < loaded.size(); ++i) {
            const bool inBlock = i < 4 * size_t(HW_SB_AREA_LEN) && i % HW_SB_AREA_LEN < size_t(len);
            ASSERT_EQ(loaded[i], inBlock ? saved[i] : 0xEE) << len << " at " << i;
        }
    }
}

TEST_F(DataFileTest, FailuresReturnZeroAndLeaveTheBufferAsItWas) {
    const int32_t len = 2048;
    auto buf = sampleBuf(7);
    const auto before = buf;
    const std::string good = (dir / "good.Vrx").string(), shortFile = (dir / "short.Vrx").string();
    ASSERT_NE(freadwrite(0, buf.data(), HW_SB_AREA_LEN, len, good.c_str()), 0);
    auto bytes = fileBytes(good);
    for (auto &b : bytes)
        b = uint8_t(~b);
    std::ofstream(shortFile, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size() - 1));
    const std::string missing = (dir / "none.Vrx").string(), noDir = (dir / "no/dir.Vrx").string();
    EXPECT_EQ(freadwrite(1, buf.data(), HW_SB_AREA_LEN, len, missing.c_str()), 0);
    EXPECT_EQ(freadwrite(1, buf.data(), HW_SB_AREA_LEN, len, shortFile.c_str()), 0);
    EXPECT_EQ(freadwrite(0, buf.data(), HW_SB_AREA_LEN, len, noDir.c_str()), 0);
    EXPECT_EQ(freadwrite(2, buf.data(), HW_SB_AREA_LEN, len, good.c_str()), 0);
    EXPECT_EQ(freadwrite(1, buf.data(), HW_SB_AREA_LEN, len, nullptr), 0);
    // A pipe (or a device) of that name is not the place for a record: the save fails, the
    // pipe stays.
    const std::string pipe = (dir / "pipe.Vrx").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(freadwrite(0, buf.data(), HW_SB_AREA_LEN, len, pipe.c_str()), 0);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(buf, before);
    EXPECT_EQ(fileBytes(good).size(), size_t(4 * len)); // the unknown mode wrote nothing
}

// A save goes through a temporary file beside the target: one that fails half-way (here the
// file-size limit stands for a full disk) leaves the previous file whole and no temporary
// behind; one that succeeds replaces the file with its permissions.
TEST_F(DataFileTest, SaveReplacesTheFileOnlyWhenComplete) {
    const int32_t len = 8192;
    const std::string name = (dir / "kept.Vrx").string();
    auto first = sampleBuf(1), second = sampleBuf(2);
    ASSERT_NE(freadwrite(0, first.data(), HW_SB_AREA_LEN, len, name.c_str()), 0);
    fs::permissions(name, fs::perms::owner_read | fs::perms::owner_write);
    const auto before = fileBytes(name);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(freadwrite(0, second.data(), HW_SB_AREA_LEN, len, name.c_str()) == 0 ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "the save reported its failure";
    EXPECT_TRUE(fileBytes(name) == before) << "the previous file is whole";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    ASSERT_NE(freadwrite(0, second.data(), HW_SB_AREA_LEN, len, name.c_str()), 0);
    EXPECT_EQ(fileBytes(name).size(), size_t(4 * len));
    EXPECT_EQ(fileBytes(name)[0], second[0]);
    EXPECT_EQ(fs::status(name).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // Saved through a symbolic link: the linked file is replaced, the link stays.
    const fs::path link = dir / "link.Vrx";
    fs::create_symlink(name, link);
    ASSERT_NE(freadwrite(0, first.data(), HW_SB_AREA_LEN, len, link.c_str()), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fileBytes(name) == before);
}
