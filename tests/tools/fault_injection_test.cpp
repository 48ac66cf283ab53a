// Failures in the middle of every save the programs make: the drawing
// (SaveDxf), the viewer's bitmap, the settings dialog's "tmp.bmp" and the
// trace's "Image.txt". Whatever step fails, the user sees the right message,
// the old file keeps every byte and no temporary file is left behind.
//
// The save entry points always use the real system calls, so single steps
// are made to fail through SaveBytesAtomically, given the very bytes each
// entry point writes. Failures the file system itself produces (missing or
// read-only folders, a read-only mount, a full disk) go through the entry
// points themselves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/drawing_document.h"
#include "core/dxf_export.h"
#include "core/dxf_import.h"
#include "core/failure.h"
#include "core/file_save.h"
#include "core/picture_file.h"
#include "raster/bmp_encoder.h"
#include "raster/tbitmap.h"
#include "raster/timage.h"
#include "raster/tpicture.h"
#include "support/message_of.h"
#include "support/scratch_dir.h"
#include "tools/settings_engine.h"
#include "tools/trace_engine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::MessageOf;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

const std::string kWriteError = "ストリームへの書き込みエラー";
const std::string kNotFound = "指定されたファイルが見つかりません。";
const std::string kDenied = "アクセスが拒否されました。";
const std::string kNoSpace = "ディスクに十分な空き領域がありません。";
const std::string kDeviceError = "I/O デバイス エラーです。";
const std::string kReadOnlyMedium = "メディアは書き込み禁止になっています。";
const std::string kOldBytes = "old contents\r\nthat must survive\r\n";

std::string CreateMessage(const std::string& full_path, const std::string& reason) {
    return "ファイル \"" + full_path + "\". " + reason + " を作成できません";
}

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Runs with the process's current directory moved, as the programs write
// "tmp.bmp" and "Image.txt" there.
class InDirectory {
  public:
    explicit InDirectory(const fs::path& dir) : previous_(fs::current_path()) {
        fs::current_path(dir);
    }
    ~InDirectory() { fs::current_path(previous_); }
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

  private:
    fs::path previous_;
};

// The drawing: a template without coordinate codes after its marker and
// entities in the written layout, so a save writes this file again exactly.
const std::string kHeader = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n";
const std::string kEntities =
    "POINT\r\n  8\r\n_0-0_\r\n 62\r\n    7\r\n 10\r\n3\r\n 20\r\n4\r\n  0\r\n"
    "LINE\r\n  8\r\n_0-0_\r\n  6\r\nCONTINUOUS\r\n 62\r\n    7\r\n 10\r\n0\r\n 20\r\n0\r\n"
    " 11\r\n10\r\n 21\r\n2\r\n  0\r\n"
    "POLYLINE\r\n  8\r\n_0-0_\r\n 66\r\n     1\r\n 40\r\n0.000000\r\n 41\r\n0.000000\r\n  0\r\n"
    "VERTEX\r\n  8\r\n_0-0_\r\n 10\r\n1\r\n 20\r\n1\r\n  0\r\n"
    "VERTEX\r\n  8\r\n_0-0_\r\n 10\r\n7\r\n 20\r\n5\r\n  0\r\n"
    "SEQEND\r\n  8\r\nA\r\n  0\r\n"
    "ENDSEC\r\n  0\r\nEOF\r\n";

class SilentView final : public tools::SettingsView {
  public:
    void ShowMessage(const std::string&) override {}
    void FocusWidth() override {}
    void FocusHeight() override {}
};

class PlainTrace final : public tools::TraceControls {
  public:
    tools::BaseColour Base() override { return tools::BaseColour::None; }
    int Threshold() override { return 50; }
    bool PaintBlack() override { return false; }
    bool CancelRequested() override { return false; }
    void FirstPassStep(int64_t) override {}
    void SecondPassStep(int64_t) override {}
};

// 3 by 2, top-left pixel red.
void PaintSmallPicture(raster::TBitmap& bitmap) {
    bitmap.SetWidth(3);
    bitmap.SetHeight(2);
    bitmap.SetPixel(0, 0, raster::clRed);
}

// One save of the programs: the name it writes, the entry point writing to
// a given path (with fresh inputs every time), and the bytes it must write.
struct Save {
    std::string name;
    std::string file_name;
    std::function<void(const std::string& path)> run;
    std::string bytes;
};

std::vector<Save> Saves(const fs::path& inputs) {
    const std::string header = (inputs / "Header.dat").string();
    const std::string drawing = (inputs / "drawing.dxf").string();
    WriteFile(header, kHeader);
    WriteFile(drawing, kHeader + kEntities);

    raster::TBitmap small;
    PaintSmallPicture(small);
    const std::string small_bmp = raster::EncodeBmp(small);

    return {
        {"SaveDxf", "drawing.dxf",
         [header, drawing](const std::string& path) {
             core::DrawingDocument document;
             core::LoadDxf(document, drawing);
             core::SaveDxf(document, path, header);
         },
         kHeader + kEntities},
        {"SavePictureToFile", "picture.bmp",
         [](const std::string& path) {
             raster::TPicture picture;
             PaintSmallPicture(picture.Bitmap());
             core::SavePictureToFile(picture, path);
         },
         small_bmp},
        {"ApplySettings", "tmp.bmp",
         [](const std::string& path) {
             raster::TImage image;
             PaintSmallPicture(image.Picture.Bitmap());
             SilentView view;
             tools::ApplySettings(tools::SettingsEntries{}, image, view, path);
         },
         small_bmp},
        {"RunTrace", "Image.txt",
         [](const std::string& path) {
             raster::TBitmap bitmap;
             bitmap.SetWidth(3);
             bitmap.SetHeight(1);
             bitmap.SetPixel(0, 0, 0x000000);
             bitmap.SetPixel(1, 0, 0x555555);
             bitmap.SetPixel(2, 0, 0xFFFFFF);
             PlainTrace controls;
             tools::RunTrace(bitmap, controls, path);
         },
         "000000\r\n000085\r\n000255\r\n"},
    };
}

// Writes go through in pieces of this size, so that a save makes several
// write calls and each of them can be made to fail.
constexpr std::size_t kPiece = 16;

std::size_t WriteCalls(std::size_t bytes) { return (bytes + kPiece - 1) / kPiece; }

// The system calls of a save with one step failing; `failing_write` counts
// write calls from 1, 0 for none.
struct Step {
    std::string name;
    int failing_write = 0;
    std::function<void(core::FileOps&)> break_step;
    std::string reason;  // empty: the write error, else the create message's reason
};

core::FileOps PiecewiseOps(int failing_write, std::shared_ptr<int> calls) {
    core::FileOps ops = core::SystemFileOps();
    ops.write = [failing_write, calls = std::move(calls)](int fd, const void* data,
                                                          std::size_t size) -> ssize_t {
        if (++*calls == failing_write) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, data, size < kPiece ? size : kPiece);
    };
    return ops;
}

std::vector<Step> Steps(std::size_t bytes) {
    std::vector<Step> steps;
    steps.push_back({"temporary file", 0,
                     [](core::FileOps& ops) {
                         ops.make_temp = [](char*) {
                             errno = ENOSPC;
                             return -1;
                         };
                     },
                     kNoSpace});
    for (std::size_t k = 1; k <= WriteCalls(bytes); ++k) {
        steps.push_back({"write " + std::to_string(k), static_cast<int>(k), nullptr, ""});
    }
    steps.push_back({"fsync", 0,
                     [](core::FileOps& ops) {
                         ops.fsync = [](int) {
                             errno = EIO;
                             return -1;
                         };
                     },
                     ""});
    steps.push_back({"close", 0,
                     [](core::FileOps& ops) {
                         ops.close = [](int fd) {
                             ::close(fd);
                             errno = EIO;
                             return -1;
                         };
                     },
                     ""});
    steps.push_back({"rename", 0,
                     [](core::FileOps& ops) {
                         ops.rename = [](const char*, const char*) {
                             errno = EIO;
                             return -1;
                         };
                     },
                     kDeviceError});
    return steps;
}

class SaveFaults : public testing::Test {
  protected:
    SaveFaults() : saves_(Saves(inputs_.Path())) {}

    // The bytes the entry point writes, from a save into a folder of its own.
    static std::string WrittenBy(const Save& save) {
        ScratchDir dir;
        save.run(dir.File(save.file_name));
        return ReadFile(dir.File(save.file_name));
    }

    // Saves `save`'s bytes to its name in the work folder with `step` failing.
    std::string SaveWithFailure(const Save& save, const Step& step) const {
        const InDirectory here(work_.Path());
        core::FileOps ops = PiecewiseOps(step.failing_write, std::make_shared<int>(0));
        if (step.break_step) step.break_step(ops);
        return MessageOf([&] { core::SaveBytesAtomically(save.file_name, save.bytes, ops); });
    }

    std::string Expected(const Save& save, const Step& step) const {
        return step.reason.empty() ? kWriteError
                                   : CreateMessage(work_.File(save.file_name), step.reason);
    }

    ScratchDir inputs_;
    ScratchDir work_;
    std::vector<Save> saves_;
};

TEST_F(SaveFaults, EverySaveWritesItsBytesUnderItsNameInPieces) {
    for (const Save& save : saves_) {
        EXPECT_EQ(WrittenBy(save), save.bytes) << save.name;
        // The same bytes through the piecewise calls, every call counted.
        const InDirectory here(work_.Path());
        auto calls = std::make_shared<int>(0);
        core::SaveBytesAtomically(save.file_name, save.bytes, PiecewiseOps(0, calls));
        EXPECT_EQ(ReadFile(work_.File(save.file_name)), save.bytes) << save.name;
        EXPECT_EQ(static_cast<std::size_t>(*calls), WriteCalls(save.bytes.size())) << save.name;
        EXPECT_GT(*calls, 1) << save.name;
        fs::remove(work_.File(save.file_name));
    }
    EXPECT_TRUE(Names(work_.Path()).empty());
}

TEST_F(SaveFaults, AFailedStepKeepsTheOldFileByteForByte) {
    for (const Save& save : saves_) {
        for (const Step& step : Steps(save.bytes.size())) {
            WriteFile(work_.File(save.file_name), kOldBytes);
            EXPECT_EQ(SaveWithFailure(save, step), Expected(save, step))
                << save.name << ", " << step.name;
            EXPECT_EQ(ReadFile(work_.File(save.file_name)), kOldBytes)
                << save.name << ", " << step.name;
            EXPECT_EQ(Names(work_.Path()), std::set<std::string>{save.file_name})
                << save.name << ", " << step.name;
            fs::remove(work_.File(save.file_name));
        }
    }
}

TEST_F(SaveFaults, AFailedStepLeavesNoFileWhereThereWasNone) {
    for (const Save& save : saves_) {
        for (const Step& step : Steps(save.bytes.size())) {
            EXPECT_EQ(SaveWithFailure(save, step), Expected(save, step))
                << save.name << ", " << step.name;
            EXPECT_TRUE(Names(work_.Path()).empty()) << save.name << ", " << step.name;
        }
    }
}

// Folders and files the save may not write, as the entry points meet them.
// Tests run as root, who could write regardless; the saves go by the
// permission bits all the same.
TEST_F(SaveFaults, UnwritablePlacesFailWithTheCreateMessage) {
    const struct {
        std::string place;
        std::function<std::string(const Save&)> prepare;  // returns the target path
        std::string reason;
        bool old_file;
    } cases[] = {
        {"missing folder",
         [this](const Save& save) { return work_.File("missing/" + save.file_name); }, kNotFound,
         false},
        // (An old file there is written in place instead.)
        {"folder without write bits",
         [this](const Save& save) {
             const std::string folder = work_.File("locked");
             fs::create_directory(folder);
             chmod(folder.c_str(), 0555);
             return folder + "/" + save.file_name;
         },
         kDenied, false},
        {"file without write bits",
         [this](const Save& save) {
             std::string path = work_.File(save.file_name);
             WriteFile(path, kOldBytes);
             chmod(path.c_str(), 0444);
             return path;
         },
         kDenied, true},
    };
    for (const auto& c : cases) {
        for (const Save& save : saves_) {
            const std::string target = c.prepare(save);
            const fs::path folder = fs::path(target).parent_path();
            const std::set<std::string> before =
                c.old_file ? Names(folder) : std::set<std::string>{};
            EXPECT_EQ(MessageOf([&] { save.run(target); }), CreateMessage(target, c.reason))
                << save.name << " in a " << c.place;
            if (c.old_file) {
                EXPECT_EQ(ReadFile(target), kOldBytes) << save.name << " in a " << c.place;
                EXPECT_EQ(Names(folder), before) << save.name << " in a " << c.place;
            } else {
                EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder)) << save.name;
            }
            chmod(work_.File("locked").c_str(), 0700);
            fs::remove_all(work_.File("locked"));
            fs::remove(work_.File(save.file_name));
        }
    }
}

TEST_F(SaveFaults, AMissingTemplateFailsNamingItAndWritesNothing) {
    const std::string header = work_.File("no/Header.dat");
    const std::string target = work_.File("drawing.dxf");
    core::DrawingDocument document;
    core::LoadDxf(document, (inputs_.Path() / "drawing.dxf").string());

    EXPECT_EQ(MessageOf([&] { core::SaveDxf(document, target, header); }),
              "ファイル \"" + header + "\". " + kNotFound + " は開けません");
    EXPECT_TRUE(Names(work_.Path()).empty());

    WriteFile(target, kOldBytes);
    EXPECT_NE(MessageOf([&] { core::SaveDxf(document, target, header); }), "");
    EXPECT_EQ(ReadFile(target), kOldBytes);
    EXPECT_EQ(Names(work_.Path()), std::set<std::string>{"drawing.dxf"});
}

// What a save in a child process saw, sent back to the test.
struct Seen {
    bool skipped = false;
    std::string skip_reason;
    std::string message;
    std::string old_file;
    std::set<std::string> names;
};

void WriteText(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t ignored = ::write(fd, text.data(), text.size());
    ::close(fd);
}

// A mount namespace of the calling process alone, so that mounts made in it
// are never seen outside; as a plain user through a user namespace.
bool EnterOwnMountNamespace(std::string& why) {
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            why = "no namespace of our own: " + std::string(std::strerror(errno));
            return false;
        }
        WriteText("/proc/self/setgroups", "deny");
        WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why = "mounts cannot be made private: " + std::string(std::strerror(errno));
        return false;
    }
    return true;
}

void Put(std::string& out, const std::string& field) {
    out += std::to_string(field.size()) + ":" + field;
}

bool Take(const std::string& in, std::size_t& at, std::string& field) {
    const std::size_t colon = in.find(':', at);
    if (colon == std::string::npos) return false;
    const std::size_t size = std::stoul(in.substr(at, colon - at));
    field = in.substr(colon + 1, size);
    at = colon + 1 + size;
    return field.size() == size;
}

// Runs `scenario` in a child process with a small memory file system of its
// own mounted on `mount_point`. The scenario returns the save's message.
Seen OnOwnFileSystem(const fs::path& mount_point, const std::string& old_name,
                     const std::function<std::string()>& scenario) {
    int channel[2];
    if (::pipe(channel) != 0) return {true, "no pipe", "", "", {}};
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return {true, "no child process", "", "", {}};
    }
    if (child == 0) {
        ::close(channel[0]);
        std::string report;
        std::string why;
        if (!EnterOwnMountNamespace(why)) {
            report = "S" + why;
        } else if (::mount("tmpfs", mount_point.c_str(), "tmpfs", 0, "size=64k,mode=0777") != 0) {
            report = "Ssmall file systems cannot be mounted: " + std::string(std::strerror(errno));
        } else {
            try {
                std::string message = scenario();
                report = "R";
                Put(report, message);
                Put(report, ReadFile((mount_point / old_name).string()));
                for (const std::string& name : Names(mount_point)) Put(report, name);
            } catch (const std::exception& error) {
                report = "R";
                Put(report, std::string("unexpected: ") + error.what());
            }
        }
        std::size_t sent = 0;
        while (sent < report.size()) {
            const ssize_t n = ::write(channel[1], report.data() + sent, report.size() - sent);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    Seen seen;
    if (report.empty()) {
        // A child that died on the way fails the comparisons below.
        seen.message = "no report, child status " + std::to_string(status);
        return seen;
    }
    if (report[0] == 'S') {
        seen.skipped = true;
        seen.skip_reason = report.substr(1);
        return seen;
    }
    std::size_t at = 1;
    Take(report, at, seen.message);
    Take(report, at, seen.old_file);
    for (std::string name; Take(report, at, name);) seen.names.insert(name);
    return seen;
}

TEST_F(SaveFaults, AReadOnlyMountFailsWithTheCreateMessage) {
    const fs::path mount_point = work_.Path() / "mnt";
    for (const Save& save : saves_) {
        fs::create_directory(mount_point);
        const fs::path target = mount_point / save.file_name;
        const Seen seen = OnOwnFileSystem(mount_point, save.file_name, [&] {
            WriteFile(target.string(), kOldBytes);
            if (::mount("tmpfs", mount_point.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                        "size=64k") != 0) {
                return std::string("remount failed");
            }
            return MessageOf([&] { save.run(target.string()); });
        });
        if (seen.skipped) GTEST_SKIP() << seen.skip_reason;
        EXPECT_EQ(seen.message, CreateMessage(target.string(), kReadOnlyMedium)) << save.name;
        EXPECT_EQ(seen.old_file, kOldBytes) << save.name;
        EXPECT_EQ(seen.names, std::set<std::string>{save.file_name}) << save.name;
        fs::remove_all(mount_point);
    }
}

TEST_F(SaveFaults, AFullDiskFailsWithTheWriteErrorAndKeepsTheOldFile) {
    const fs::path mount_point = work_.Path() / "mnt";
    for (const Save& save : saves_) {
        fs::create_directory(mount_point);
        const Seen seen = OnOwnFileSystem(mount_point, save.file_name, [&] {
            WriteFile((mount_point / save.file_name).string(), kOldBytes);
            // Takes every free block.
            const int fd = ::open((mount_point / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
            const std::string block(4096, 'x');
            while (::write(fd, block.data(), block.size()) > 0) {
            }
            ::close(fd);
            // The programs write "tmp.bmp" and "Image.txt" in the current folder.
            const InDirectory here(mount_point);
            return MessageOf([&] { save.run(save.file_name); });
        });
        if (seen.skipped) GTEST_SKIP() << seen.skip_reason;
        EXPECT_EQ(seen.message, kWriteError) << save.name;
        EXPECT_EQ(seen.old_file, kOldBytes) << save.name;
        EXPECT_EQ(seen.names, (std::set<std::string>{save.file_name, "filler"})) << save.name;
        fs::remove_all(mount_point);
    }
}

}  // namespace
