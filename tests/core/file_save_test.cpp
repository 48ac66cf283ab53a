#include "core/file_save.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/executable_dir.h"
#include "core/failure.h"
#include "core/save_signals.h"
#include "support/message_of.h"

namespace core {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing_support::MessageOf;

std::string CannotCreateText(const std::string& path, const std::string& reason) {
    return "ファイル \"" + path + "\". " + reason + " を作成できません";
}

const std::string kWriteError = "ストリームへの書き込みエラー";
const std::string kDenied = "アクセスが拒否されました。";
const std::string kNotFound = "指定されたファイルが見つかりません。";

class FileSaveTest : public testing::Test {
  protected:
    FileSaveTest() {
        std::string name = (fs::temp_directory_path() / "file_save_test.XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = name;
    }
    ~FileSaveTest() override {
        chmod(dir_.c_str(), 0700);
        fs::remove_all(dir_);
    }

    std::string File(const std::string& name) const { return dir_ + "/" + name; }

    // Every name in the folder: a failed or finished save leaves no temporary file.
    std::set<std::string> Names() const { return NamesIn(dir_); }
    static std::set<std::string> NamesIn(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static mode_t Mode(const std::string& path) { return Info(path).st_mode; }
    static struct stat Info(const std::string& path) {
        struct stat info {};
        stat(path.c_str(), &info);
        return info;
    }

    std::string dir_;
};

TEST_F(FileSaveTest, CreatesANewFileWithTheUsualMode) {
    const mode_t mask = umask(0);
    umask(mask);
    SaveBytesAtomically(File("new.dxf"), "0\r\nSECTION\r\n\0x"s);
    EXPECT_EQ(Contents(File("new.dxf")), "0\r\nSECTION\r\n\0x"s);
    EXPECT_EQ(Mode(File("new.dxf")) & 07777, 0666 & ~mask);
    EXPECT_EQ(Names(), std::set<std::string>{"new.dxf"});
}

TEST_F(FileSaveTest, ReplacesAnOldFileKeepingItsPermissions) {
    for (mode_t mode : {0640, 0755, 0200}) {
        Write(File("old.dxf"), "old contents that are longer");
        chmod(File("old.dxf").c_str(), mode);
        SaveBytesAtomically(File("old.dxf"), "new");
        EXPECT_EQ(Contents(File("old.dxf")), "new");
        EXPECT_EQ(Mode(File("old.dxf")) & 07777, mode);
        EXPECT_EQ(Names(), std::set<std::string>{"old.dxf"});
    }
}

TEST_F(FileSaveTest, RefusesTargetsThatCannotBeCreated) {
    Write(File("plain"), "x");
    fs::create_directory(File("sub"));
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {File("missing/out.dxf"), kNotFound},
        {File("sub"), "指定されたパスはフォルダーです。"},
        {File("plain/out.dxf"), "指定されたパスが見つかりません。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(c.path, "data"); }),
                  CannotCreateText(c.path, c.reason));
        EXPECT_EQ(Names(), (std::set<std::string>{"plain", "sub"}));
        EXPECT_EQ(Contents(File("plain")), "x");
        EXPECT_TRUE(fs::is_empty(File("sub")));
    }
}

TEST_F(FileSaveTest, RefusesAReadOnlyTargetAndKeepsIt) {
    Write(File("ro.dxf"), "old");
    chmod(File("ro.dxf").c_str(), 0444);
    EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("ro.dxf"), "new"); }),
              CannotCreateText(File("ro.dxf"), kDenied));
    EXPECT_EQ(Contents(File("ro.dxf")), "old");
    EXPECT_EQ(Names(), std::set<std::string>{"ro.dxf"});
}

TEST_F(FileSaveTest, AFolderWithoutWritePermissionTakesOnlyWritesInPlace) {
    Write(File("old.dxf"), "old and longer");
    chmod(dir_.c_str(), 0555);
    SaveBytesAtomically(File("old.dxf"), "new");
    EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("fresh.dxf"), "new"); }),
              CannotCreateText(File("fresh.dxf"), kDenied));
    chmod(dir_.c_str(), 0700);
    EXPECT_EQ(Contents(File("old.dxf")), "new");
    EXPECT_EQ(Names(), std::set<std::string>{"old.dxf"});
}

TEST_F(FileSaveTest, NamesARelativeTargetByItsFullPath) {
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(MessageOf([] { SaveBytesAtomically("no_such_folder_y/out.dxf", "x"); }),
              CannotCreateText(cwd + "/no_such_folder_y/out.dxf", kNotFound));
}

// One step of the save made to fail; the old file must survive every one.
struct InjectedFailure {
    const char* step;
    std::function<void(FileOps&)> inject;
    bool names_file;  // CannotCreate rather than the write error
    std::string reason;
};

std::vector<InjectedFailure> InjectedFailures() {
    auto written = std::make_shared<int>(0);
    return {
        {"temp file",
         [](FileOps& ops) {
             ops.make_temp = [](char*) {
                 errno = ENOSPC;
                 return -1;
             };
         },
         true, "ディスクに十分な空き領域がありません。"},
        {"first write",
         [](FileOps& ops) {
             ops.write = [](int, const void*, std::size_t) -> ssize_t {
                 errno = ENOSPC;
                 return -1;
             };
         },
         false, ""},
        {"later write",
         [written](FileOps& ops) {
             ops.write = [written](int fd, const void* data, std::size_t size) -> ssize_t {
                 if (++*written > 1) {
                     errno = ENOSPC;
                     return -1;
                 }
                 return ::write(fd, data, size < 3 ? size : 3);
             };
         },
         false, ""},
        {"write moving nothing",
         [](FileOps& ops) {
             ops.write = [](int, const void*, std::size_t) -> ssize_t { return 0; };
         },
         false, ""},
        {"fsync",
         [](FileOps& ops) {
             ops.fsync = [](int) {
                 errno = EIO;
                 return -1;
             };
         },
         false, ""},
        {"close",
         [](FileOps& ops) {
             ops.close = [](int fd) {
                 ::close(fd);
                 errno = EIO;
                 return -1;
             };
         },
         false, ""},
        {"rename",
         [](FileOps& ops) {
             ops.rename = [](const char*, const char*) {
                 errno = EACCES;
                 return -1;
             };
         },
         true, kDenied},
    };
}

TEST_F(FileSaveTest, FailedStepKeepsTheOldFileAndLeavesNoTemporary) {
    for (const bool old_file : {true, false}) {
        for (const InjectedFailure& failure : InjectedFailures()) {
            SCOPED_TRACE(std::string(failure.step) + (old_file ? ", old file" : ", new file"));
            if (old_file) {
                Write(File("keep.dxf"), "old bytes");
            } else {
                fs::remove(File("keep.dxf"));
            }
            FileOps ops = SystemFileOps();
            failure.inject(ops);
            const std::string expected = failure.names_file
                                             ? CannotCreateText(File("keep.dxf"), failure.reason)
                                             : kWriteError;
            EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("keep.dxf"), "new bytes", ops); }),
                      expected);
            if (old_file) {
                EXPECT_EQ(Contents(File("keep.dxf")), "old bytes");
                EXPECT_EQ(Names(), std::set<std::string>{"keep.dxf"});
            } else {
                EXPECT_TRUE(Names().empty());
            }
        }
    }
}

TEST_F(FileSaveTest, ShortAndInterruptedWritesAreContinued) {
    auto calls = std::make_shared<int>(0);
    FileOps ops = SystemFileOps();
    ops.write = [calls](int fd, const void* data, std::size_t size) -> ssize_t {
        if (++*calls == 1) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, size < 3 ? size : 3);
    };
    const std::string bytes = "a longer text than three bytes\r\n";
    SaveBytesAtomically(File("slow.dxf"), bytes, ops);
    EXPECT_EQ(Contents(File("slow.dxf")), bytes);
    EXPECT_GT(*calls, 10);
}

TEST_F(FileSaveTest, SavingThroughALinkWritesTheFileItNames) {
    const struct {
        const char* case_name;
        std::string link_to;  // as stored in the link
        bool exists;
    } cases[] = {
        {"absolute, existing", File("real.dxf"), true},  {"relative, existing", "real.dxf", true},
        {"absolute, dangling", File("real.dxf"), false}, {"relative, dangling", "real.dxf", false},
        {"through a second link", "hop", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.case_name);
        fs::remove(File("real.dxf"));
        fs::remove(File("link.dxf"));
        fs::remove(File("hop"));
        if (c.exists) Write(File("real.dxf"), "old");
        fs::create_symlink("real.dxf", File("hop"));
        fs::create_symlink(c.link_to, File("link.dxf"));
        SaveBytesAtomically(File("link.dxf"), "new");
        EXPECT_TRUE(fs::is_symlink(File("link.dxf")));
        EXPECT_EQ(fs::read_symlink(File("link.dxf")), c.link_to);
        EXPECT_EQ(Contents(File("real.dxf")), "new");
        EXPECT_EQ(Names(), (std::set<std::string>{"hop", "link.dxf", "real.dxf"}));
    }
    fs::create_symlink("loop", File("loop"));
    EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("loop"), "new"); }),
              CannotCreateText(File("loop"), SystemErrorText(ELOOP)));
}

TEST_F(FileSaveTest, APipeIsWrittenWhereItIs) {
    ASSERT_EQ(mkfifo(File("pipe").c_str(), 0600), 0);
    const int reader = open(File("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    SaveBytesAtomically(File("pipe"), "through");
    char buffer[16] = {};
    const ssize_t got = read(reader, buffer, sizeof buffer);
    close(reader);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through");
    EXPECT_TRUE(S_ISFIFO(Mode(File("pipe"))));
}

// Runs `save` in a child process as the user nobody: its failure message,
// "" when it went through, nothing when the user cannot be switched.
std::optional<std::string> MessageAsOrdinaryUser(const std::function<void()>& save) {
    constexpr uid_t kNobody = 65534;
    int channel[2];
    if (geteuid() != 0 || pipe(channel) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string message = "\x01";
        if (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0) {
            message = MessageOf(save);
        }
        const ssize_t ignored = write(channel[1], message.data(), message.size());
        _exit(ignored < 0 ? 1 : 0);
    }
    close(channel[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    waitpid(child, nullptr, 0);
    if (message == "\x01") return std::nullopt;
    return message;
}

TEST_F(FileSaveTest, WritesInPlaceAsAnOrdinaryUserWhereTheFileCannotBeReplaced) {
    chmod(dir_.c_str(), 0755);
    const auto reach = MessageAsOrdinaryUser([&] {
        if (access(dir_.c_str(), X_OK) != 0) throw Failure("unreachable");
    });
    if (!reach) GTEST_SKIP() << "cannot switch to the user nobody";
    if (!reach->empty()) GTEST_SKIP() << "the user nobody cannot reach " << dir_;
    // Root owns every folder and file here.
    const struct {
        const char* case_name;
        mode_t folder_mode;
        mode_t file_mode;  // 0: no file yet
        bool second_name;
        bool saved;
    } cases[] = {
        {"folder closed to the user", 0755, 0666, false, true},
        {"sticky folder, file of another user", 01777, 0666, false, true},
        {"file with a second name", 0777, 0666, true, true},
        {"file the user may not write", 0755, 0644, false, false},
        {"new file in a closed folder", 0755, 0, false, false},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.case_name);
        const std::string folder = File(std::to_string(++number));
        fs::create_directory(folder);
        chmod(folder.c_str(), c.folder_mode);
        const std::string target = folder + "/t.dxf";
        std::set<std::string> names;
        if (c.file_mode != 0) {
            Write(target, "old and longer");
            chmod(target.c_str(), c.file_mode);
            names.insert("t.dxf");
        }
        if (c.second_name) {
            ASSERT_EQ(link(target.c_str(), (folder + "/other.dxf").c_str()), 0);
            names.insert("other.dxf");
        }
        const ino_t inode = Info(target).st_ino;

        const auto message = MessageAsOrdinaryUser([&] { SaveBytesAtomically(target, "new"); });
        EXPECT_EQ(message, c.saved ? "" : CannotCreateText(target, kDenied));
        if (c.file_mode != 0) {
            EXPECT_EQ(Contents(target), c.saved ? "new" : "old and longer");
            EXPECT_EQ(Info(target).st_ino, inode);
            EXPECT_EQ(Info(target).st_uid, 0u);
        }
        if (c.second_name) {
            EXPECT_EQ(Contents(folder + "/other.dxf"), "new");
        }
        EXPECT_EQ(NamesIn(folder), names);
    }
}

// A save through a temporary file is dropped; one in place, which cannot be
// undone halfway, finishes first.
TEST_F(FileSaveTest, ASignalDuringASaveRemovesTheTemporaryFileAndEndsTheProcess) {
    for (const bool second_name : {false, true}) {
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::to_string(signal_number) + (second_name ? ", in place" : ""));
            fs::remove(File("other.dxf"));
            Write(File("big.dxf"), "old");
            if (second_name) fs::create_hard_link(File("big.dxf"), File("other.dxf"));
            const pid_t child = fork();
            if (child == 0) {
                std::signal(signal_number, SIG_DFL);
                RemoveTempFilesOnSignals();
                FileOps ops = SystemFileOps();
                ops.write = [signal_number](int fd, const void* data, std::size_t size) {
                    kill(getpid(), signal_number);
                    return ::write(fd, data, size < 2 ? size : 2);
                };
                SaveBytesAtomically(File("big.dxf"), "new", ops);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
            EXPECT_EQ(Contents(File("big.dxf")), second_name ? "new" : "old");
            const std::set<std::string> names = second_name
                                                    ? std::set<std::string>{"big.dxf", "other.dxf"}
                                                    : std::set<std::string>{"big.dxf"};
            EXPECT_EQ(Names(), names);
        }
    }
}

TEST_F(FileSaveTest, RefusesSavingOverTheInputByAnyOfItsNames) {
    Write(File("in.dxf"), "drawing");
    Write(File("other.dxf"), "other");
    fs::create_directory(File("sub"));
    fs::create_hard_link(File("in.dxf"), File("hard.dxf"));
    fs::create_symlink("in.dxf", File("soft.dxf"));
    const struct {
        std::string output;
        bool refused;
    } cases[] = {
        {File("in.dxf"), true},   {File("sub/../in.dxf"), true}, {File("hard.dxf"), true},
        {File("soft.dxf"), true}, {File("other.dxf"), false},    {File("new.dxf"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf([&] { RefuseSavingOverInput(File("in.dxf"), c.output); }),
                  c.refused ? CannotCreateText(c.output, "入力ファイルと同じファイルです。") : "")
            << c.output;
    }
}

TEST_F(FileSaveTest, AFailedWriteInPlacePutsTheOldContentBackInEveryName) {
    for (const InjectedFailure& failure : InjectedFailures()) {
        if (failure.names_file) continue;  // steps of the temporary file only
        SCOPED_TRACE(failure.step);
        fs::remove(File("keep.dxf"));
        fs::remove(File("other.dxf"));
        Write(File("keep.dxf"), "old bytes, longer than the new");
        fs::create_hard_link(File("keep.dxf"), File("other.dxf"));
        FileOps ops = SystemFileOps();
        failure.inject(ops);
        EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("keep.dxf"), "new bytes", ops); }),
                  kWriteError);
        EXPECT_EQ(Contents(File("other.dxf")), "old bytes, longer than the new");
        EXPECT_EQ(Names(), (std::set<std::string>{"keep.dxf", "other.dxf"}));
    }
}

TEST_F(FileSaveTest, TwoWritersInPlaceEndWithOneWholeFile) {
    constexpr std::size_t kPieces = 64;
    constexpr std::size_t kPiece = std::size_t{64} * 1024;
    const std::string piece_of[] = {std::string(kPiece, 'a'), std::string(kPiece, 'b')};
    Write(File("shared.bmp"), "old");
    fs::create_hard_link(File("shared.bmp"), File("other.bmp"));
    for (int round = 0; round < 5; ++round) {
        pid_t writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w] = fork();
            if (writers[w] == 0) {
                // Pieces with pauses between them give the other writer every chance to cut in.
                SaveStreamAtomically(File("shared.bmp"), kPieces * piece_of[w].size(),
                                     [&](const auto& write) {
                                         for (std::size_t i = 0; i < kPieces; ++i) {
                                             write(piece_of[w]);
                                             usleep(200);
                                         }
                                     });
                _exit(0);
            }
        }
        for (const pid_t writer : writers) {
            int status = -1;
            waitpid(writer, &status, 0);
            EXPECT_EQ(status, 0);
        }
        const std::string result = Contents(File("other.bmp"));
        ASSERT_EQ(result.size(), kPieces * piece_of[0].size());
        EXPECT_TRUE(result.find_first_not_of(result.front()) == std::string::npos)
            << "round " << round << " mixed the writers";
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"other.bmp", "shared.bmp"}));
}

TEST_F(FileSaveTest, ASignalWhileManySavesRunRemovesEveryTemporaryFile) {
    for (const int saves : {9, 16}) {
        SCOPED_TRACE(saves);
        const pid_t child = fork();
        if (child == 0) {
            RemoveTempFilesOnSignals();
            std::atomic<int> writing{0};
            FileOps ops = SystemFileOps();
            ops.write = [&](int, const void*, std::size_t size) -> ssize_t {
                // The last save to reach its write sends the signal.
                if (++writing == saves) kill(getpid(), SIGTERM);
                for (;;) pause();
                return static_cast<ssize_t>(size);
            };
            std::vector<std::thread> threads;
            threads.reserve(saves);
            for (int i = 0; i < saves; ++i) {
                threads.emplace_back(
                    [&, i] { SaveBytesAtomically(File(std::to_string(i) + ".bmp"), "new", ops); });
            }
            for (std::thread& thread : threads) thread.join();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        EXPECT_EQ(Names(), std::set<std::string>{});
    }
}

TEST_F(FileSaveTest, TheNextSaveRemovesTheFilesOfDeadProcesses) {
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const std::string gone = std::to_string(dead);
    const std::string alive = std::to_string(getppid());
    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {".out.bmp." + gone + ".aB3xYz", true},
        {".out.bmp." + alive + ".aB3xYz", false},                     // its process still runs
        {".out.bmp." + std::to_string(getpid()) + ".aB3xYz", false},  // a save of ours
        {".other.bmp." + gone + ".aB3xYz", false},                    // another target's
        {".out.bmp." + gone + ".aB3xY", false},                       // not our shape
        {".out.bmp." + gone + ".aB3xYz.old", true},    // old content, saved anew since
        {".out.bmp." + alive + ".aB3xYz.old", false},  // its save still runs
        {".out.b." + gone + ".aB3xYz", false},         // a shorter name's
    };
    std::set<std::string> kept{"out.bmp"};
    for (const auto& c : cases) {
        Write(File(c.name), "left over");
        if (!c.removed) kept.insert(c.name);
    }
    SaveBytesAtomically(File("out.bmp"), "new");
    EXPECT_EQ(Names(), kept);
}

TEST_F(FileSaveTest, APathOfTheLongestLengthIsSavedThroughAShorterTemporaryName) {
    // Folders of 50 bytes, then one that makes the path with its name 4090 bytes long.
    std::string folder = dir_;
    while (folder.size() + 51 <= 3900) {
        folder.append("/").append(50, 'd');
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    }
    for (const std::size_t name_length : {std::size_t{7}, std::size_t{60}}) {
        SCOPED_TRACE(name_length);
        std::string path = folder;
        path.append("/").append(4090 - name_length - 2 - folder.size(), 'e');
        ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
        path.append("/").append(name_length, 'n');
        ASSERT_EQ(path.size(), 4090u);
        SaveBytesAtomically(path, "new");
        SaveBytesAtomically(path, "newer");
        EXPECT_EQ(Contents(path), "newer");
        EXPECT_EQ(NamesIn(fs::path(path).parent_path()),
                  std::set<std::string>{std::string(name_length, 'n')});
    }
}

TEST_F(FileSaveTest, ALinkInASharedStickyFolderIsFollowedOnlyWhenItsOwnerIsTrusted) {
    constexpr uid_t kNobody = 65534;
    if (geteuid() != 0) GTEST_SKIP() << "a link of another user can only be made as root";
    const struct {
        const char* case_name;
        mode_t folder_mode;
        uid_t folder_owner;
        uid_t link_owner;
        bool followed;
    } cases[] = {
        {"sticky, link of the user", 01777, 0, 0, true},
        {"sticky, link of another user", 01777, 0, kNobody, false},
        {"sticky, link of the folder's owner", 01777, kNobody, kNobody, true},
        {"sticky but not open to all", 01755, 0, kNobody, true},
        {"open to all but not sticky", 0777, 0, kNobody, true},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.case_name);
        const std::string folder = File(std::to_string(++number));
        fs::create_directory(folder);
        ASSERT_EQ(chown(folder.c_str(), c.folder_owner, 0), 0);
        chmod(folder.c_str(), c.folder_mode);
        Write(File("victim"), "precious");
        const std::string link = folder + "/out.bmp";
        fs::create_symlink(File("victim"), link);
        ASSERT_EQ(lchown(link.c_str(), c.link_owner, 0), 0);
        EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(link, "new"); }),
                  c.followed ? "" : CannotCreateText(link, kDenied));
        EXPECT_EQ(Contents(File("victim")), c.followed ? "new" : "precious");
        EXPECT_TRUE(fs::is_symlink(link));
    }
}

TEST_F(FileSaveTest, ClosedStandardStreamsAreOpenedOntoDevNull) {
    const std::vector<int> closed_sets[] = {{0}, {1}, {2}, {0, 1, 2}, {1, 2}};
    for (const std::vector<int>& closed : closed_sets) {
        SCOPED_TRACE(::testing::PrintToString(closed));
        const pid_t child = fork();
        if (child == 0) {
            for (const int fd : closed) close(fd);
            OpenMissingStandardStreams();
            // A file the process opens now must not take a standard stream's number.
            const int file = open(File("saved.bmp").c_str(), O_WRONLY | O_CREAT, 0600);
            const bool streams_open =
                fcntl(0, F_GETFD) != -1 && fcntl(1, F_GETFD) != -1 && fcntl(2, F_GETFD) != -1;
            _exit(file > 2 && streams_open ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0);
    }
}

TEST(FailureTest, MessagesAreTheFixedTexts) {
    const struct {
        Failure failure;
        std::string text;
    } cases[] = {
        {ListIndexError(-2), "リストのインデックスが範囲を超えています (-2)"},
        {ListIndexError(7), "リストのインデックスが範囲を超えています (7)"},
        {NotAWholeNumber(" 1 "), "' 1 ' は整数ではありません"},
        {NotARealNumber("abc"), "'abc' は浮動小数点数ではありません"},
        // Long texts are quoted by their first 64 bytes, never half a character.
        {NotAWholeNumber(std::string(64, '7')),
         std::string("'").append(64, '7') + "' は整数ではありません"},
        {NotARealNumber(std::string(1 << 20, '1')),
         std::string("'").append(64, '1') + "…' は浮動小数点数ではありません"},
        {NotARealNumber(std::string(63, 'a') + "あい"),
         std::string("'").append(63, 'a') + "…' は浮動小数点数ではありません"},
        {FloatOverflow(), "浮動小数点数のオーバーフロー"},
        {FloatDivideByZero(), "0 による浮動小数点数除算"},
        {InvalidFloatOperation(), "不正な浮動小数点数演算命令"},
        {CannotOpen("/a/b.dxf", "理由。"), "ファイル \"/a/b.dxf\". 理由。 は開けません"},
        {CannotCreate("/a/b.dxf", "理由。"), "ファイル \"/a/b.dxf\". 理由。 を作成できません"},
        {WriteError(), "ストリームへの書き込みエラー"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(c.failure.what()), c.text);
}

TEST(FailureTest, SystemErrorTextIsJapaneseForCommonCauses) {
    const struct {
        int error;
        std::string text;
    } cases[] = {
        {ENOENT, kNotFound},
        {EACCES, kDenied},
        {EPERM, kDenied},
        {ENOSPC, "ディスクに十分な空き領域がありません。"},
        {ENOTDIR, "指定されたパスが見つかりません。"},
        {EROFS, "メディアは書き込み禁止になっています。"},
        {EEXIST, "ファイルが既に存在します。"},
    };
    for (const auto& c : cases) EXPECT_EQ(SystemErrorText(c.error), c.text) << c.error;
    EXPECT_FALSE(SystemErrorText(EXDEV).empty());
    EXPECT_FALSE(SystemErrorText(123456).empty());
}

TEST(FailureTest, FullPathCompletesRelativePaths) {
    const std::string cwd = fs::current_path().string();
    const struct {
        std::string path;
        std::string full;
    } cases[] = {
        {"/abs/x.dxf", "/abs/x.dxf"},    {"x.dxf", cwd + "/x.dxf"},
        {"a/b.dxf", cwd + "/a/b.dxf"},   {"./a.dxf", cwd + "/a.dxf"},
        {"../a.dxf", cwd + "/../a.dxf"},
    };
    for (const auto& c : cases) EXPECT_EQ(FullPath(c.path), c.full);
}

TEST(ExecutableDirTest, IsTheFolderOfThisProgram) {
    const std::string dir = ExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::exists(dir + "/core_tests"));
}

}  // namespace
}  // namespace core
