// A write that fails keeps the old file whole and says which file and why: a full disk (a small
// file system), a read-only folder, an error injected into the write. A write goes where a
// careful editor puts it: through a symbolic link, into a device or a FIFO, never over a
// write-protected file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

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

namespace fs = std::filesystem;

std::string MessageOfWrite(const std::string& path, const std::string& bytes) {
    try {
        WriteFileReplacing(path, bytes);
    } catch (const CommandError& e) {
        return e.what();
    }
    return "";
}

TEST(FileSafetyTest, ALinkIsWrittenWhereItPointsAndThePermissionsStay) {
    TempDir dir;
    fs::create_directory(dir.File("data"));
    const std::string target = dir.Write("data/Спектр.txt", kOld);
    fs::permissions(
        target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);  // 0640
    fs::create_symlink("data/Спектр.txt", dir.File("link.txt"));  // relative to the link's folder
    fs::create_symlink(dir.File("link.txt"), dir.File("link2.txt"));  // a link to a link
    WriteFileReplacing(dir.File("link2.txt"), "new");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.txt")));
    EXPECT_TRUE(fs::is_symlink(dir.File("link2.txt")));
    EXPECT_EQ(TempDir::Read(target), "new");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesIn(dir.File("data")), 1u);

    // A link to a file not made yet makes it.
    fs::create_symlink("data/new.txt", dir.File("dangling.txt"));
    WriteFileReplacing(dir.File("dangling.txt"), "made");
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling.txt")));
    EXPECT_EQ(TempDir::Read(dir.File("data/new.txt")), "made");

    const std::string loop = dir.File("loop.txt");
    fs::create_symlink("loop.txt", loop);
    EXPECT_EQ(MessageOfWrite(loop, "x"),
              "Не удалось записать файл \"" + loop + "\": " + std::strerror(ELOOP) + ".");
}

TEST(FileSafetyTest, EveryNameTheFolderTakesCanBeWritten) {
    TempDir dir;
    for (size_t length : {250u, 255u}) {
        const std::string path = dir.File(std::string(length - 4, 'a') + ".txt");
        WriteFileReplacing(path, "first");
        WriteFileReplacing(path, "second");  // over the old one too
        EXPECT_EQ(TempDir::Read(path), "second") << length;
    }
    EXPECT_EQ(FilesIn(dir.Path().string()), 2u);
}

TEST(FileSafetyTest, AWriteProtectedFileIsRefused) {
    TempDir dir;
    const std::string path = dir.Write("Спектр.txt", kOld);
    // Root may write any file: the refusal looks at the permission bits themselves.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_symlink(path, dir.File("link.txt"));
    for (const std::string& name : {path, dir.File("link.txt")}) {
        EXPECT_EQ(MessageOfWrite(name, "new"),
                  "Не удалось записать файл \"" + name + "\": файл защищён от записи.");
        EXPECT_EQ(TempDir::Read(path), kOld);
    }
    EXPECT_EQ(FilesIn(dir.Path().string()), 2u);
}

TEST(FileSafetyTest, AFifoIsWrittenInPlace) {
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // Nobody reads it: refused at once instead of waiting for a reader.
    EXPECT_EQ(MessageOfWrite(fifo, "new"),
              "Не удалось записать файл \"" + fifo + "\": канал (FIFO) никто не читает.");
    EXPECT_TRUE(fs::is_fifo(fifo));

    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    // A writer of the test's own keeps the FIFO from reading as ended before the program's
    // write has opened it; closing it afterwards lets the reader see the end.
    const int keepOpen = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(keepOpen, 0);
    const std::string bytes(200000, 'y');  // more than the pipe holds at once
    std::string got;
    std::thread drain([&] {
        char buffer[4096];
        fcntl(reader, F_SETFL, 0);
        for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) != 0;)
            if (n > 0) got.append(buffer, static_cast<size_t>(n));
    });
    WriteFileReplacing(fifo, bytes);
    close(keepOpen);
    drain.join();
    close(reader);
    EXPECT_EQ(got, bytes);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(FilesIn(dir.Path().string()), 1u);
}

// Device nodes of its own, as /dev/null and /dev/full are (making one needs root).
TEST(FileSafetyTest, ADeviceIsWrittenInPlaceWithItsError) {
    TempDir dir;
    const std::string null = dir.File("null"), full = dir.File("full");
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "making a device node needs root";
    WriteFileReplacing(null, "new");
    EXPECT_EQ(MessageOfWrite(full, "new"),
              "Не удалось записать файл \"" + full + "\": " + std::strerror(ENOSPC) + ".");
    for (const std::string& node : {null, full}) EXPECT_TRUE(fs::is_character_file(node)) << node;
    EXPECT_EQ(FilesIn(dir.Path().string()), 2u);
}

TEST(FileSafetyTest, AFolderIsRefused) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    EXPECT_EQ(
        MessageOfWrite(dir.File("folder"), "new"),
        "Не удалось записать файл \"" + dir.File("folder") + "\": " + std::strerror(EISDIR) + ".");
    EXPECT_TRUE(fs::is_directory(dir.File("folder")));
}

}  // namespace
}  // namespace ostrel
