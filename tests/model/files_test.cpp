// Files that are not what they seem (FIFOs, devices, folders, endless files), temporary files of
// writes that are still running, the project lock, and the settings file in a comma-decimal locale.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "adjustment/kivoMDIClient.h"
#include "files/atomic_file.h"
#include "support/scoped_ini.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

using namespace kivo;
namespace fs = std::filesystem;

namespace {

// The pid of a process that has certainly ended: a child that exited and was reaped.
long FinishedPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Runs `read` and fails the test when it takes longer than a blocking open or an endless read would
// let it finish (the reads under test must return at once).
template <class F> void ReturnsAtOnce(F&& read, const std::string& what) {
    const auto start = std::chrono::steady_clock::now();
    read();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << what;
}

} // namespace

// A FIFO would block the open, /dev/zero would never end, a folder reads as nothing: none of them
// is read, and each says why; a regular file is read whole, and a larger one than asked is refused.
TEST(Files, OnlyRegularFilesOfBoundedSizeAreRead) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes = "stale";
    ReturnsAtOnce([&] { EXPECT_FALSE(ReadRegularFile(fifo, bytes)); }, "a FIFO blocked the read");
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(bytes.empty());
    ReturnsAtOnce([&] { EXPECT_FALSE(ReadRegularFile("/dev/zero", bytes)); }, "/dev/zero was read");
    EXPECT_FALSE(ReadRegularFile(dir.path().string(), bytes));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(IsReadableRegularFile(fifo));
    EXPECT_FALSE(IsReadableRegularFile(dir.path().string()));

    test::writeText(dir.file("a.txt"), std::string(5000, 'x'));
    EXPECT_TRUE(IsReadableRegularFile(dir.file("a.txt")));
    ASSERT_TRUE(ReadRegularFile(dir.file("a.txt"), bytes));
    EXPECT_EQ(bytes.size(), 5000u);
    EXPECT_FALSE(ReadRegularFile(dir.file("a.txt"), bytes, 4999));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_FALSE(ReadRegularFile(dir.file("missing"), bytes));
    EXPECT_EQ(errno, ENOENT);
}

// A save removes what killed writes left, but never the temporary file of a write still running
// in another process (its writer is alive, or it holds the file locked).
TEST(Files, ASaveRemovesOnlyTheTemporaryFilesWhoseWriterIsGone) {
    test::TempDir dir;
    const std::string path = dir.file("net1.SIM");
    const std::string gone = std::to_string(FinishedPid());
    const std::string alive = std::to_string(::getppid()); // the process that started this test
    const std::string dead = "net1.SIM.kivo-save-" + gone + "-a1B2c3";
    const std::string running = "net1.SIM.kivo-save-" + alive + "-d4E5f6";
    const std::string lockedButGone = "net1.SIM.kivo-save-" + gone + "-g7H8i9";
    for (const std::string& name : {dead, running, lockedButGone})
        test::writeText(dir.file(name), "half a project");
    // A writer elsewhere (another machine sharing the folder) holds its temporary file locked.
    const int held = ::open(dir.file(lockedButGone).c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ASSERT_TRUE(AtomicWriteFile(path, std::string("whole")));
    EXPECT_FALSE(fs::exists(dir.file(dead)));
    EXPECT_TRUE(fs::exists(dir.file(running))) << "the temporary file of a live writer was removed";
    EXPECT_TRUE(fs::exists(dir.file(lockedButGone))) << "a locked temporary file was removed";
    ::close(held);
    ASSERT_TRUE(AtomicWriteFile(path, std::string("whole again")));
    EXPECT_FALSE(fs::exists(dir.file(lockedButGone))) << "unlocked now, and its pid is gone";
    EXPECT_TRUE(fs::exists(dir.file(running)));
    EXPECT_EQ(test::readText(path), "whole again");
}

// One holder at a time; the second learns who holds it, gets it once it is let go, and the lock
// file goes with the last holder. Two names of one file share the lock.
TEST(Files, TheProjectLockHasOneHolderAtATime) {
    test::TempDir dir;
    const std::string path = dir.file("NET.SIM");
    test::writeText(path, "project");
    fs::create_symlink(path, dir.file("LINK.SIM"));
    ProjectLock first, second;
    ASSERT_EQ(first.Acquire(path, 0), ProjectLock::State::Locked);
    EXPECT_EQ(test::readText(first.lockPath()), std::to_string(::getpid()) + "\n");
    EXPECT_EQ(second.Acquire(dir.file("LINK.SIM"), 50), ProjectLock::State::InUse);
    EXPECT_EQ(second.holder(), ::getpid());
    first.Release();
    EXPECT_EQ(second.Acquire(path, 0), ProjectLock::State::Locked);
    EXPECT_EQ(first.Acquire(path, 0), ProjectLock::State::InUse);
    second.Release();
    EXPECT_FALSE(fs::exists(dir.file("NET.SIM.kivo-lock")));
    EXPECT_EQ(test::readText(path), "project");

    // A folder that does not exist cannot hold a lock: the caller is told, not blocked.
    ProjectLock nowhere;
    EXPECT_EQ(nowhere.Acquire(dir.file("no/such/NET.SIM"), 1000), ProjectLock::State::Failed);
}

// A settings file that is a FIFO, a device or a folder is no settings file: the built-in defaults,
// at once. In a locale with a decimal comma, "1.5" in the settings file still reads as 1.5.
TEST(Files, SettingsFileThatIsNoRegularFileOrInACommaLocale) {
    test::TempDir dir;
    const std::string fifo = dir.file("kivo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& ini : {fifo, std::string("/dev/zero"), dir.path().string()}) {
        ::setenv("KIVO_INI", ini.c_str(), 1);
        ReturnsAtOnce(
            [&] {
                kivoMDIClient doc;
                EXPECT_EQ(doc.xMax, 500.0) << ini;
                EXPECT_EQ(doc.ellScale, 0.001) << ini;
            },
            "reading " + ini + " as the settings file");
    }
    ::setenv("KIVO_INI", "/nonexistent/kivo.ini", 1);

    const test::CommaLocale& comma = test::commaLocale();
    if (comma.dir.empty()) GTEST_SKIP() << comma.why;
    test::ScopedIni ini(
        "[parameters]\nmin1 = -5.5\nmax1=+600.25\n[display]\nellScale=.0025\nobjScale1=2.5x\n");
    ::setenv("LOCPATH", comma.dir.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_NUMERIC, comma.name.c_str()), nullptr);
    kivoMDIClient doc;
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(doc.xMin, -5.5);
    EXPECT_EQ(doc.xMax, 600.25);
    EXPECT_EQ(doc.ellScale, 0.0025);
    EXPECT_EQ(doc.objScale1, 2.5) << "the number before trailing text counts";
}

// A target file that is a folder or a FIFO imports nothing, says "Cannot open", returns at once and
// leaves the project unchanged.
TEST(Files, ImportOfATargetFileThatIsNoRegularFileChangesNothing) {
    test::ScopedIni ini;
    test::TempDir dir;
    const std::string fifo = dir.file("T.TRG");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::ScriptedHost host;
    kivoMDIClient doc(&host);
    doc.CmFileNew();
    doc.NewPoint("P1", "", 1, 2, 3, 0);
    for (const std::string& target : {fifo, dir.path().string(), std::string("/dev/zero")}) {
        doc.bFileDirty = false;
        host.messages.clear();
        host.dialogPaths = {target};
        ReturnsAtOnce([&] { doc.CmImportFile(); }, "importing " + target);
        ASSERT_EQ(host.messages.size(), 1u) << target;
        EXPECT_EQ(host.messages[0].text, "Cannot open " + target);
        EXPECT_FALSE(doc.bFileDirty) << target;
        EXPECT_EQ(doc.nNumPoints, 1);
    }
}
