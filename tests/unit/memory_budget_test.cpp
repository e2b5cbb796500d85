// The memory budget sees the job, not only the machine: a memory cgroup's
// limit less its usage (v2 and v1, the tightest of a group and those above
// it) and --memory-limit bound it, with the margin kept; sizes read as a
// user writes them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "minihost/core/system_memory.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t MB = std::size_t{1} << 20;

class MemoryBudget : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qr_memory_budget_" + std::to_string(::getpid()));
        fs::remove_all(dir);
    }
    void TearDown() override {
        minihost::setCgroupFilesForTests("", "");
        minihost::setMemoryLimit(0);
        fs::remove_all(dir);
    }
    void file(const fs::path &path, const std::string &text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    // The budget with the process's groups listed as `list`.
    std::size_t budgetWith(const std::string &list) {
        file(dir / "cgroup", list);
        minihost::setCgroupFilesForTests((dir / "cgroup").string(), (dir / "fs").string());
        return minihost::availableMemoryBytes();
    }

    fs::path dir;
};

TEST_F(MemoryBudget, CgroupsAndTheUsersLimitBoundIt) {
    // v2: the job's own group has no limit; the one above it leaves 200 MB,
    // of which the margin (64 MB at least) is kept.
    file(dir / "fs/farm/memory.max", std::to_string(300 * MB) + "\n");
    file(dir / "fs/farm/memory.current", std::to_string(100 * MB) + "\n");
    file(dir / "fs/farm/job42/memory.max", "max\n");
    file(dir / "fs/farm/job42/memory.current", std::to_string(50 * MB) + "\n");
    EXPECT_EQ(budgetWith("0::/farm/job42\n"), 136 * MB);
    EXPECT_NE(
        minihost::memoryBudgetText().find("the 136 MB budget (the memory cgroup's limit less its usage)"),
        std::string::npos)
        << minihost::memoryBudgetText();
    // Used up: nothing is left, not a wrapped-around number.
    file(dir / "fs/farm/memory.current", std::to_string(400 * MB) + "\n");
    EXPECT_EQ(budgetWith("0::/farm/job42\n"), 0u);

    // v1: the memory hierarchy's group; "no limit" is a number near 2^63.
    file(dir / "fs/memory/slurm/job7/memory.limit_in_bytes", std::to_string(1024 * MB));
    file(dir / "fs/memory/slurm/job7/memory.usage_in_bytes", std::to_string(512 * MB));
    file(dir / "fs/memory/slurm/memory.limit_in_bytes", "9223372036854771712");
    file(dir / "fs/memory/slurm/memory.usage_in_bytes", std::to_string(512 * MB));
    EXPECT_EQ(budgetWith("12:pids:/\n4:cpu,memory:/slurm/job7\n0::/\n"), 448 * MB);

    // No group with a limit: the machine's answer, above any of these.
    EXPECT_GT(budgetWith("4:memory:/\n0::/\n"), 448 * MB);

    // --memory-limit: the limit less what the process holds already.
    long long pages = 0, resident = 0;
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    ASSERT_TRUE(statm);
    ASSERT_EQ(std::fscanf(statm, "%lld %lld", &pages, &resident), 2);
    std::fclose(statm);
    const std::size_t held =
        static_cast<std::size_t>(resident) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    minihost::setMemoryLimit(held + 256 * MB);
    const std::size_t budget = minihost::availableMemoryBytes();
    EXPECT_LE(budget, 192 * MB);
    EXPECT_GT(budget, 150 * MB);
    EXPECT_NE(minihost::memoryBudgetText().find("(--memory-limit less the memory in use)"),
              std::string::npos);
    minihost::setMemoryLimit(1);
    EXPECT_EQ(minihost::availableMemoryBytes(), 0u);
}

TEST(MemorySize, ReadsAsAUserWritesIt) {
    std::size_t bytes = 0;
    const std::pair<const char *, std::size_t> good[] = {
        {"1000000", 1000000}, {"512B", 512},         {"64K", 64 * 1024}, {"1500M", 1500 * MB},
        {"2G", 2048 * MB},    {"1.5GiB", 1536 * MB}, {"2gb", 2048 * MB}, {"1T", 1024 * 1024 * MB}};
    for (const auto &[text, expected] : good) {
        ASSERT_TRUE(minihost::parseMemorySize(text, bytes)) << text;
        EXPECT_EQ(bytes, expected) << text;
    }
    for (const char *bad : {"", "G", "-1G", "0", "2X", "2 G", "1e30", "nan", "2GG", "0.1"})
        EXPECT_FALSE(minihost::parseMemorySize(bad, bytes)) << bad;
}

}  // namespace
