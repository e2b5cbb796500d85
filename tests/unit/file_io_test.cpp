// "File IO": states on files in both modes; a save replaces the file only
// when it is closed, and a save that cannot be made leaves the old file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "minihost/states/file_io.h"

namespace {

namespace fs = std::filesystem;
using minihost::fileIORecord;

class FileIOTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("minihost_file_io_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string contents(const fs::path &p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void writeFile(const fs::path &p, const std::string &data) {
        std::ofstream(p, std::ios::binary) << data;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    fs::path dir;
    FileIOFuncs *io = fileIORecord();
};

const BlockIdent kPreset = {HOST_FOURCC('P', 'D', 'L', 'B'), "PluginDataLib"};

TEST_F(FileIOTest, SavedFilesLoadBackInBothModes) {
    for (int mode : {IO_MODE_BINARY, IO_MODE_TEXT}) {
        const fs::path file = dir / ("preset" + std::to_string(mode) + ".qvx");
        SaveState *ss = io->openSave(file.c_str(), mode);
        ASSERT_NE(ss, nullptr);
        EXPECT_EQ(ss->ioMode, mode);
        ss->beginBlock(ss->writeData, &kPreset, 0);
        const int32_t v = 256;
        ss->writeI4(ss->writeData, &v, 1);
        ss->writeStr(ss->writeData, "line one\nline \"two\"");
        ss->endBlock(ss->writeData);
        io->closeSave(ss);

        if (mode == IO_MODE_BINARY)
            EXPECT_EQ(contents(file).substr(0, 12), std::string("PDLB\0\0\0\x18\0\0\1\0", 12));
        else
            EXPECT_EQ(contents(file).substr(0, 28), "{ PluginDataLib 0x50444C42\n ");

        LoadState *ls = io->openLoad(file.c_str(), mode);
        ASSERT_NE(ls, nullptr);
        const BlockIdent table[] = {kPreset, {0, nullptr}};
        ASSERT_EQ(ls->findBlock(ls->readData, table), kPreset.id);
        int32_t got = 0;
        EXPECT_EQ(ls->readI4(ls->readData, &got, 1), 1);
        EXPECT_EQ(got, 256);
        char text[64];
        EXPECT_GT(ls->readStr(ls->readData, text, sizeof text), 0);
        EXPECT_STREQ(text, "line one\nline \"two\"");
        io->closeLoad(ls);
    }
    EXPECT_EQ(entries(), 2u);  // no temporaries left behind
}

TEST_F(FileIOTest, TheOldFileStaysUntilTheSaveIsClosed) {
    const fs::path file = dir / "keep.qvx";
    writeFile(file, "old contents");
    ::chmod(file.c_str(), 0640);
    SaveState *ss = io->openSave(file.c_str(), IO_MODE_BINARY);
    ASSERT_NE(ss, nullptr);
    const int32_t v = 1;
    ss->writeI4(ss->writeData, &v, 1);
    EXPECT_EQ(contents(file), "old contents");
    io->closeSave(ss);
    EXPECT_EQ(contents(file), std::string("\0\0\0\1", 4));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileIOTest, ASaveThatCannotBeMadeLeavesTheTargetAlone) {
    // The target is a directory: refused at once, before any temporary.
    const fs::path target = dir / "occupied";
    fs::create_directories(target);
    writeFile(target / "inside", "x");
    EXPECT_EQ(io->openSave(target.c_str(), IO_MODE_TEXT), nullptr);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(contents(target / "inside"), "x");
    EXPECT_NE(minihost::lastFileIOError().find("occupied: a folder, not a regular file"), std::string::npos)
        << minihost::lastFileIOError();
    EXPECT_EQ(entries(), 1u);  // no temporary

    // A folder that does not exist: nothing to open.
    EXPECT_EQ(io->openSave((dir / "no" / "such.qvx").c_str(), IO_MODE_BINARY), nullptr);
    EXPECT_NE(minihost::lastFileIOError().find("cannot create"), std::string::npos);
}

TEST_F(FileIOTest, AWriteFailingHalfwayLeavesTheOldFileAndNoTemporary) {
    const fs::path target = dir / "preset.qvx";
    writeFile(target, "old");
    SaveState *ss = io->openSave(target.c_str(), IO_MODE_BINARY);
    ASSERT_NE(ss, nullptr);
    const std::string big(64 * 1024, 'x');
    ss->writeBytes(ss->writeData, big.data(), static_cast<int>(big.size()));
    // The disk fills after 4 KB: the system refuses the rest of the write.
    struct rlimit before;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    io->closeSave(ss);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(entries(), 1u);
    EXPECT_NE(minihost::lastFileIOError().find("preset.qvx: write failed"), std::string::npos)
        << minihost::lastFileIOError();
    // The file it cannot open: a folder, a FIFO that would block.
    EXPECT_EQ(io->openLoad(dir.c_str(), IO_MODE_BINARY), nullptr);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(io->openLoad((dir / "fifo").c_str(), IO_MODE_BINARY), nullptr);
    EXPECT_NE(minihost::lastFileIOError().find("fifo: cannot open: not a regular file"), std::string::npos)
        << minihost::lastFileIOError();
}

TEST_F(FileIOTest, BadRequestsGiveNullAndUnknownStatesAreIgnored) {
    EXPECT_EQ(io->openLoad((dir / "missing").c_str(), IO_MODE_BINARY), nullptr);
    EXPECT_NE(minihost::lastFileIOError().find("missing: cannot open"), std::string::npos);
    EXPECT_EQ(io->openLoad(nullptr, IO_MODE_BINARY), nullptr);
    EXPECT_EQ(io->openSave(nullptr, IO_MODE_BINARY), nullptr);
    const fs::path file = dir / "f";
    writeFile(file, "x");
    EXPECT_EQ(io->openLoad(file.c_str(), 2), nullptr);
    EXPECT_EQ(io->openSave(file.c_str(), -1), nullptr);
    io->closeLoad(nullptr);
    io->closeSave(nullptr);
    LoadState *ls = io->openLoad(file.c_str(), IO_MODE_BINARY);
    ASSERT_NE(ls, nullptr);
    io->closeLoad(ls);
    io->closeLoad(ls);  // a second close is ignored
    EXPECT_EQ(contents(file), "x");
}

}  // namespace
