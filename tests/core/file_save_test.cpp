#include "core/file_save.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "core/executable_dir.h"
#include "core/failure.h"
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
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
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

    static mode_t Mode(const std::string& path) {
        struct stat info {};
        stat(path.c_str(), &info);
        return info.st_mode;
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

TEST_F(FileSaveTest, RefusesAFolderWithoutWritePermission) {
    Write(File("old.dxf"), "old");
    chmod(dir_.c_str(), 0555);
    EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("old.dxf"), "new"); }),
              CannotCreateText(File("old.dxf"), kDenied));
    EXPECT_EQ(MessageOf([&] { SaveBytesAtomically(File("fresh.dxf"), "new"); }),
              CannotCreateText(File("fresh.dxf"), kDenied));
    chmod(dir_.c_str(), 0700);
    EXPECT_EQ(Contents(File("old.dxf")), "old");
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
        {"flush",
         [](FileOps& ops) {
             ops.flush = [](int) {
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

TEST_F(FileSaveTest, SavingThroughALinkReplacesTheLinkedFile) {
    Write(File("real.dxf"), "old");
    fs::create_symlink(File("real.dxf"), File("link.dxf"));
    SaveBytesAtomically(File("link.dxf"), "new");
    EXPECT_TRUE(fs::is_symlink(File("link.dxf")));
    EXPECT_EQ(Contents(File("real.dxf")), "new");
    EXPECT_EQ(Names(), (std::set<std::string>{"link.dxf", "real.dxf"}));
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

TEST_F(FileSaveTest, ReadWholeFileGivesEveryByte) {
    const std::string bytes = "A\0B\r\n\xff"s;
    Write(File("in.bin"), bytes);
    EXPECT_EQ(ReadWholeFile(File("in.bin")), bytes);
    EXPECT_EQ(ReadWholeFile(File("in.bin")).size(), 6u);
    // Reports a size of 0 but has contents.
    EXPECT_NE(ReadWholeFile("/proc/self/status").find("Name:"), std::string::npos);
}

TEST_F(FileSaveTest, ReadWholeFileFailsNamingTheFullPath) {
    fs::create_directory(File("sub"));
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {File("missing.dxf"), kNotFound},
        {File("sub"), "指定されたパスはフォルダーです。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf([&] { (void)ReadWholeFile(c.path); }),
                  "ファイル \"" + c.path + "\". " + c.reason + " は開けません");
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
