// A write that fails keeps the old file whole and says which file and why: a full disk (a small
// file system), a read-only folder, an error injected into the write.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "state/errors.h"
#include "state/file_io.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::TempDir;

const std::string kOld = "the old file\r\n";

size_t FilesIn(const std::string& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) count += !!entry.exists();
    return count;
}

// The write fails with a message naming the file; the old file and nothing else is there.
void ExpectRefusedAndKept(const std::string& folder, const std::string& bytes) {
    const std::string path = folder + "/Спектр.txt";
    try {
        WriteFileReplacing(path, bytes);
        ADD_FAILURE() << "the write went through";
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(TempDir::Read(path), kOld);
    EXPECT_EQ(FilesIn(folder), 1u);  // no temporary file left behind
}

// A small file system of its own, mounted for the test (root only; skipped elsewhere).
class SmallFileSystem {
  public:
    explicit SmallFileSystem(const std::string& folder) : folder_(folder) {
        std::filesystem::create_directories(folder);
        mounted_ = geteuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) umount(folder_.c_str());
    }
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=16k") == 0;
    }

  private:
    std::string folder_;
    bool mounted_ = false;
};

TEST(FileSafetyTest, AFullDiskKeepsTheOldFile) {
    TempDir dir;
    SmallFileSystem fs(dir.File("small"));
    if (!fs.Mounted()) GTEST_SKIP() << "mounting a small file system needs root";
    dir.Write("small/Спектр.txt", kOld);
    ExpectRefusedAndKept(dir.File("small"), std::string(64 * 1024, 'x'));
}

TEST(FileSafetyTest, AReadOnlyFolderKeepsTheOldFile) {
    TempDir dir;
    const std::string folder = dir.File("locked");
    SmallFileSystem fs(folder);
    if (fs.Mounted()) {
        dir.Write("locked/Спектр.txt", kOld);
        ASSERT_TRUE(fs.MakeReadOnly());
    } else {
        dir.Write("locked/Спектр.txt", kOld);
        std::filesystem::permissions(
            folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    ExpectRefusedAndKept(folder, "new");
    if (!fs.Mounted()) std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
}

TEST(FileSafetyTest, AnInjectedErrorKeepsTheOldFile) {
    TempDir dir;
    dir.Write("Спектр.txt", kOld);
    SetWriteFailureHook([](const std::string& path) -> std::optional<std::string> {
        if (path.find("Спектр") == std::string::npos) return std::nullopt;
        return "No space left on device";
    });
    ExpectRefusedAndKept(dir.Path().string(), "new");
    SetWriteFailureHook({});
    WriteFileReplacing(dir.File("Спектр.txt"), "new");
    EXPECT_EQ(TempDir::Read(dir.File("Спектр.txt")), "new");
}

}  // namespace
}  // namespace ostrel
