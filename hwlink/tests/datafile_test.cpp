// SPDX-License-Identifier: GPL-3.0-or-later
#include "hwlink.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
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
    if (fs::exists("/dev/full")) { // every write fails there, at the latest when flushed
        EXPECT_EQ(freadwrite(0, buf.data(), HW_SB_AREA_LEN, len, "/dev/full"), 0);
    }
    EXPECT_EQ(buf, before);
    EXPECT_EQ(fileBytes(good).size(), size_t(4 * len)); // the unknown mode wrote nothing
}
