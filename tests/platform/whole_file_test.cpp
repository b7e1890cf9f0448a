// The settings file's store: links followed to their target (also dangling ones), atomic
// replacement that leaves no temporary file behind, reads that never block.
#include "platform/services/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = ::testing::TempDir() + "kavrin_whole_" + std::to_string(::getpid()) + "/";
        fs::remove_all(folder);
        fs::create_directories(folder + "dotfiles");
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string Contents(const std::string& path) {
        std::string text;
        EXPECT_TRUE(platform::ReadWholeFile(path, &text)) << path;
        return text;
    }
    // Every name in the folder (no temporary file may be left).
    std::size_t Entries(const std::string& dir) const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }

    std::string folder;
};

TEST_F(WholeFileTest, ALinkIsWrittenThroughToItsTargetAndStaysALink) {
    const std::string target = folder + "dotfiles/Kavrin.conf";
    const std::string link = folder + "Kavrin.conf";
    std::ofstream(target) << "old\n";
    ::chmod(target.c_str(), 0640);
    // Relative, as dotfile managers make them.
    ASSERT_EQ(::symlink("dotfiles/Kavrin.conf", link.c_str()), 0);
    EXPECT_EQ(platform::FollowLinks(link), folder + "dotfiles/Kavrin.conf");
    EXPECT_EQ(platform::ReplaceWholeFile(link, "new\n"), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(target), "new\n");
    EXPECT_EQ(Contents(link), "new\n");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(folder), 2u);
    EXPECT_EQ(Entries(folder + "dotfiles"), 1u);
}

TEST_F(WholeFileTest, ADanglingLinkCreatesItsTargetThroughAChainOfLinks) {
    const std::string target = folder + "dotfiles/made.conf";
    ASSERT_EQ(::symlink(target.c_str(), (folder + "second").c_str()), 0);
    ASSERT_EQ(::symlink("second", (folder + "first").c_str()), 0);
    EXPECT_EQ(platform::FollowLinks(folder + "first"), target);
    EXPECT_EQ(platform::ReplaceWholeFile(folder + "first", "x=1\n"), "");
    EXPECT_TRUE(fs::is_symlink(folder + "first"));
    EXPECT_EQ(Contents(target), "x=1\n");
    // A loop ends instead of going round.
    ASSERT_EQ(::symlink("loop_b", (folder + "loop_a").c_str()), 0);
    ASSERT_EQ(::symlink("loop_a", (folder + "loop_b").c_str()), 0);
    EXPECT_NE(platform::ReplaceWholeFile(folder + "loop_a", "y\n"), "");
    EXPECT_EQ(platform::FollowLinks(folder + "plain"), folder + "plain");
}

TEST_F(WholeFileTest, AFolderInThePlaceOrAnUnwritableLocationLeavesNothingBehind) {
    fs::create_directories(folder + "Kavrin.conf");
    for (int exit = 0; exit < 3; ++exit) {
        const std::string error = platform::ReplaceWholeFile(folder + "Kavrin.conf", "a=1\n");
        EXPECT_NE(error.find("Kavrin.conf is a folder"), std::string::npos) << error;
    }
    EXPECT_EQ(Entries(folder), 2u);  // dotfiles/ and the folder in the place
    EXPECT_EQ(Entries(folder + "Kavrin.conf"), 0u);
    // Under a regular file no folder can exist, even for root.
    std::ofstream(folder + "file") << "";
    const std::string error = platform::ReplaceWholeFile(folder + "file/Kavrin.conf", "a=1\n");
    EXPECT_NE(error.find("cannot create a file in " + folder + "file"), std::string::npos) << error;
    EXPECT_EQ(Entries(folder), 3u);
}

TEST_F(WholeFileTest, ReadsTakeOnlyRegularFilesAndNeverBlock) {
    std::string text = "left over";
    EXPECT_FALSE(platform::ReadWholeFile(folder + "missing", &text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(platform::ReadWholeFile(folder + "dotfiles", &text));
    EXPECT_FALSE(platform::ReadWholeFile("/dev/zero", &text));
    const std::string fifo = folder + "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto read = std::async(std::launch::async, [&] {
        std::string contents;
        return platform::ReadWholeFile(fifo, &contents);
    });
    if (read.wait_for(10s) != std::future_status::ready) {
        std::ofstream writer(fifo);
        ADD_FAILURE() << "the read of a FIFO blocked";
    }
    EXPECT_FALSE(read.get());
    std::ofstream(folder + "long") << std::string(100, 'x');
    EXPECT_FALSE(platform::ReadWholeFile(folder + "long", &text, 99));
    EXPECT_TRUE(platform::ReadWholeFile(folder + "long", &text, 100));
    EXPECT_EQ(text.size(), 100u);
}

}  // namespace
