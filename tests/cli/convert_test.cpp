#include "cli/convert.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/failure.h"
#include "support/scratch_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// In a child process: becomes the real program.
[[noreturn]] void ExecConverter(const std::vector<std::string>& args) {
    std::vector<std::string> words{MORLID_CONVERT_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// Starts the real program in `cwd` with its output streams going to files.
pid_t StartConverter(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                     const std::string& out_path, const std::string& err_path) {
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(126);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        ExecConverter(args);
    }
    return child;
}

// Runs the real program in `cwd` with descriptor `fd` writing into a pipe
// that nobody reads any more; returns the wait status.
int RunIntoClosedPipe(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                      int fd) {
    int channel[2];
    if (pipe(channel) != 0) return -1;
    close(channel[0]);
    const pid_t child = fork();
    if (child == 0) {
        const int nowhere = open("/dev/null", O_WRONLY);
        if (nowhere < 0 || chdir(cwd.c_str()) != 0) _exit(126);
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        dup2(channel[1], fd);
        ExecConverter(args);
    }
    close(channel[1]);
    int status = -1;
    waitpid(child, &status, 0);
    return status;
}

// Runs the real program in `cwd`, capturing both output streams.
RunResult RunConverter(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
    ScratchDir capture;
    const std::string out_path = capture.File("out");
    const std::string err_path = capture.File("err");
    const pid_t child = StartConverter(args, cwd, out_path, err_path);
    RunResult result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    result.out = ReadFile(out_path);
    result.err = ReadFile(err_path);
    return result;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// 10 by 5 pixels: a point at (9, 4) sets the extents and a line along file
// Y = 2 becomes picture row 3, columns 0 to 8.
std::string Drawing() {
    return Lines({"  0",   "SECTION", "  2",   "ENTITIES", "  0", "POINT",      "  8",
                  "_0-0_", " 62",     "    7", " 10",      "9",   " 20",        "4",
                  "  0",   "LINE",    "  8",   "_0-0_",    "  6", "CONTINUOUS", " 62",
                  "    7", " 10",     "0",     " 20",      "2",   " 11",        "9",
                  " 21",   "2",       "  0",   "ENDSEC",   "  0", "EOF"});
}

// A line and a text as other CAD programs write them: handles, z values,
// codes without blanks. 600 by 300 units.
std::string OtherCadDrawing() {
    std::string text;
    for (const char* line :
         {"0",  "SECTION", "2",  "ENTITIES", "0",  "LINE", "5",  "1F",     "8",  "0",
          "10", "0.0",     "20", "0.0",      "30", "0.0",  "11", "600.0",  "21", "300.0",
          "31", "0.0",     "0",  "TEXT",     "5",  "20",   "8",  "0",      "10", "5",
          "20", "5",       "40", "2",        "1",  "hi",   "0",  "ENDSEC", "0",  "EOF"}) {
        text.append(line).append("\n");
    }
    return text;
}

struct Bmp {
    explicit Bmp(std::string bytes) : data(std::move(bytes)) {}
    [[nodiscard]] bool Valid() const { return data.size() >= 54 && data.compare(0, 2, "BM") == 0; }
    [[nodiscard]] uint32_t Field(std::size_t offset, int size) const {
        uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | static_cast<uint8_t>(data[offset + static_cast<std::size_t>(i)]);
        }
        return value;
    }
    [[nodiscard]] int32_t Width() const { return static_cast<int32_t>(Field(18, 4)); }
    [[nodiscard]] int32_t Height() const { return static_cast<int32_t>(Field(22, 4)); }
    // 0x00BBGGRR of a pixel, rows stored bottom-up.
    [[nodiscard]] uint32_t Pixel(int32_t x, int32_t y) const {
        const uint32_t bytes = Field(28, 2) / 8;
        const std::size_t stride = (static_cast<std::size_t>(Width()) * bytes + 3) / 4 * 4;
        const std::size_t at = Field(10, 4) + static_cast<std::size_t>(Height() - 1 - y) * stride +
                               static_cast<std::size_t>(x) * bytes;
        return Field(at, 3) & 0xFFFFFFu;  // blue, green, red: little-endian 0xRRGGBB
    }
    std::string data;
};

// What the converter says about a file that failed.
std::string Message(const std::string& file, const std::string& text) {
    return "morlid-convert: " + file + ": " + text + "\n";
}

uint32_t Swap(uint32_t rgb) { return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }

class Converter : public ::testing::Test {
  protected:
    void SetUp() override { WriteFile(In(), Drawing()); }
    [[nodiscard]] std::string In() const { return dir_.File("in.dxf"); }
    [[nodiscard]] std::string Out() const { return dir_.File("out.bmp"); }
    RunResult Run(std::vector<std::string> options) {
        options.push_back(In());
        options.push_back(Out());
        return RunConverter(options, dir_.Path());
    }
    ScratchDir dir_;
};

TEST_F(Converter, WritesTheDrawnPictureAsABitmapOfTheDrawingsSize) {
    const RunResult result = Run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
    const Bmp bmp(ReadFile(Out()));
    ASSERT_TRUE(bmp.Valid());
    EXPECT_EQ(bmp.Width(), 10);
    EXPECT_EQ(bmp.Height(), 5);
    EXPECT_EQ(Swap(bmp.Pixel(0, 3)), 0x000000u);
    EXPECT_EQ(Swap(bmp.Pixel(8, 3)), 0x000000u);
    EXPECT_EQ(Swap(bmp.Pixel(9, 3)), 0xFFFFFFu);
    EXPECT_EQ(Swap(bmp.Pixel(0, 0)), 0xFFFFFFu);
    // No trace, no key file.
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Image.txt")));
}

TEST_F(Converter, ConvertsTheShippedSamples) {
    for (const char* name : {"house.dxf", "plan.dxf"}) {
        const RunResult result = RunConverter(
            {std::string(SAMPLES_DIR) + "/" + name, dir_.File(std::string(name) + ".bmp")},
            dir_.Path());
        EXPECT_EQ(result.status, 0) << name << ": " << result.err;
        EXPECT_TRUE(Bmp(ReadFile(dir_.File(std::string(name) + ".bmp"))).Valid()) << name;
    }
}

struct BadDrawing {
    const char* name;
    std::vector<std::string> lines;
    const char* message;
};

class BadDrawings : public ::testing::TestWithParam<BadDrawing> {};

TEST_P(BadDrawings, FailWithTheExactMessageAndLeaveTheOutputAlone) {
    ScratchDir dir;
    WriteFile(dir.File("in.dxf"), Lines(GetParam().lines));
    const RunResult fresh = RunConverter({"in.dxf", "out.bmp"}, dir.Path());
    EXPECT_EQ(fresh.status, 1);
    EXPECT_EQ(fresh.err, Message("in.dxf", GetParam().message));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));

    WriteFile(dir.File("old.bmp"), "old");
    const RunResult over = RunConverter({"in.dxf", "old.bmp"}, dir.Path());
    EXPECT_EQ(over.status, 1);
    EXPECT_EQ(ReadFile(dir.File("old.bmp")), "old");
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadDrawings,
    ::testing::Values(BadDrawing{"NoEntities",
                                 {"  0", "SECTION", "  0", "EOF"},
                                 "リストのインデックスが範囲を超えています (-2)"},
                      BadDrawing{"EntitiesFirst",
                                 {"ENTITIES", "  0", "EOF"},
                                 "リストのインデックスが範囲を超えています (-1)"},
                      BadDrawing{"NotANumber",
                                 {"  2", "ENTITIES", "  0", "POINT", " 10", "abc", " 20", "1"},
                                 "'abc' は浮動小数点数ではありません"},
                      BadDrawing{
                          "PictureAboveTheLargestSize",
                          {"  2", "ENTITIES", "  0", "POINT", " 10", "16384", " 20", "16383"},
                          "システム リソースが足りません"},
                      BadDrawing{"CodeOnLastLine",
                                 {"  2", "ENTITIES", "  0", " 10"},
                                 "リストのインデックスが範囲を超えています (4)"}),
    [](const ::testing::TestParamInfo<BadDrawing>& info) { return info.param.name; });

// The largest picture we make: 16384 by 16384 pixels, about 800 MB of bitmap.
TEST(LargestPicture, ConvertsToA16384By16384Bitmap) {
    ScratchDir dir;
    WriteFile(dir.File("in.dxf"),
              Lines({"  2", "ENTITIES", "  0", "POINT", " 10", "16383", " 20", "16383"}));
    const RunResult result = RunConverter({"in.dxf", "out.bmp"}, dir.Path());
    ASSERT_EQ(result.status, 0) << result.err;
    const std::uintmax_t stride = std::uintmax_t{16384} * 3;
    EXPECT_EQ(std::filesystem::file_size(dir.File("out.bmp")), 54 + stride * 16384);
}

TEST_F(Converter, MissingInputNamesTheFile) {
    const std::string missing = dir_.File("missing.dxf");
    const RunResult result = RunConverter({missing, Out()}, dir_.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              Message(missing, core::CannotOpen(missing, core::SystemErrorText(ENOENT)).what()));
    EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(Converter, UncreatableOutputNamesTheFile) {
    const std::string out = dir_.File("missing/out.bmp");
    const RunResult result = RunConverter({In(), out}, dir_.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              Message(out, core::CannotCreate(out, core::SystemErrorText(ENOENT)).what()));
}

// Every output is refused when it is the input or another output, by any
// name, and then nothing at all is written.
TEST_F(Converter, RefusesOutputsThatAreTheInputOrEachOther) {
    std::filesystem::create_directories(dir_.File("D"));
    std::filesystem::create_directories(dir_.File("sub"));
    WriteFile(dir_.File("sub/a.dxf"), Drawing());
    std::filesystem::create_symlink("D/a.bmp", dir_.File("alias.dxf"));
    std::filesystem::create_symlink("out.bmp", dir_.File("keys.lnk"));
    // Named by the output, or the batch's input, that the clash stops.
    const auto refusal = [&](const std::string& stopped, const std::string& name) {
        return "morlid-convert: " + stopped + ": " +
               core::CannotCreate(dir_.File(name), "入力ファイルと同じファイルです。").what() +
               "\n";
    };
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"in.dxf", "./in.dxf"}, refusal("./in.dxf", "in.dxf")},
        {{"--trace", "50", "--keys", "in.dxf", "in.dxf", "out.bmp"}, refusal("out.bmp", "in.dxf")},
        {{"--trace", "50", "--keys", "out.bmp", "in.dxf", "out.bmp"},
         refusal("out.bmp", "out.bmp")},
        {{"--trace", "50", "--keys", "keys.lnk", "in.dxf", "out.bmp"},
         refusal("out.bmp", "out.bmp")},
        {{"--trace", "50", "--keys", "D/../out.bmp", "in.dxf", "out.bmp"},
         refusal("out.bmp", "out.bmp")},
        {{"--trace", "50", "--out-dir", "D", "D/a.txt"}, refusal("D/a.txt", "D/a.txt")},
        {{"--out-dir", "D", "D/a.bmp"}, refusal("D/a.bmp", "D/a.bmp")},
        // One input's bitmap would be another input, reached through a link.
        {{"--out-dir", "D", "-j", "1", "sub/a.dxf", "alias.dxf"}, refusal("sub/a.dxf", "D/a.bmp")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        WriteFile(dir_.File("D/a.txt"), Drawing());
        WriteFile(dir_.File("D/a.bmp"), Drawing());
        const RunResult result = RunConverter(c.args, dir_.Path());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(ReadFile(In()), Drawing());
        EXPECT_EQ(ReadFile(dir_.File("D/a.txt")), Drawing());
        EXPECT_EQ(ReadFile(dir_.File("D/a.bmp")), Drawing());
        EXPECT_FALSE(std::filesystem::exists(Out()));
        EXPECT_FALSE(std::filesystem::exists(dir_.File("Image.txt")));
    }
}

// A closed pipe on a standard stream fails the writes to it, and does not end
// the program in the middle of a save.
TEST_F(Converter, AClosedPipeOnAStreamFailsItsWritesWithoutEndingTheProgram) {
    WriteFile(dir_.File("bad.dxf"), Lines({"  2", "ENTITIES", "  0", "POINT", " 10", "abc"}));
    const struct {
        std::vector<std::string> args;
        int fd;
        int status;
        const char* written;  // "" when nothing is
    } cases[] = {
        {{"--out-dir", "D", "-j", "1", "bad.dxf", "in.dxf"}, STDERR_FILENO, 1, "D/in.bmp"},
        {{"bad.dxf", "out.bmp"}, STDERR_FILENO, 1, ""},
        {{"--help"}, STDOUT_FILENO, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::filesystem::remove_all(dir_.File("D"));
        const int status = RunIntoClosedPipe(c.args, dir_.Path(), c.fd);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << status;
        if (*c.written != '\0') {
            EXPECT_TRUE(Bmp(ReadFile(dir_.File(c.written))).Valid());
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("D")),
                                    std::filesystem::directory_iterator()),
                      1);
        }
    }
}

// Ctrl+C while a large bitmap is being written.
TEST(Interrupted, SaveLeavesNoTemporaryFileAndEndsByTheSignal) {
    ScratchDir dir;
    WriteFile(dir.File("in.dxf"),
              Lines({"  2", "ENTITIES", "  0", "POINT", " 10", "4095", " 20", "4095"}));
    const pid_t child =
        StartConverter({"in.dxf", "out.bmp"}, dir.Path(), dir.File("o"), dir.File("e"));
    ASSERT_GT(child, 0);
    bool seen = false;
    int status = 0;
    while (!seen && waitpid(child, &status, WNOHANG) == 0) {
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            seen = seen || entry.path().filename().string().starts_with(".out.bmp.");
        }
        if (!seen) usleep(500);
    }
    ASSERT_TRUE(seen) << "the save ended before it was seen";
    kill(child, SIGINT);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"e", "in.dxf", "o"}));
}

TEST_F(Converter, ResizeGivesTheBitmapTheNewSize) {
    const RunResult result = Run({"--resize", "20x7"});
    EXPECT_EQ(result.status, 0) << result.err;
    const Bmp bmp(ReadFile(Out()));
    EXPECT_EQ(bmp.Width(), 20);
    EXPECT_EQ(bmp.Height(), 7);
}

TEST_F(Converter, ResizeToZeroFailsWithTheDivisionMessageAndNoOutput) {
    const RunResult result = Run({"--resize", "0x5"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, Message(In(), "0 による浮動小数点数除算"));
    EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(Converter, TraceWritesTheKeysWhereAskedAndPaints) {
    const RunResult result = Run({"--trace", "50", "--black", "--keys", "keys.txt"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadFile(dir_.File("keys.txt")), "000000\r\n000255\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Image.txt")));
    // Black and white at 50 with black requested: everything black.
    const Bmp bmp(ReadFile(Out()));
    EXPECT_EQ(Swap(bmp.Pixel(9, 0)), 0x000000u);
    EXPECT_EQ(Swap(bmp.Pixel(0, 3)), 0x000000u);
}

struct TraceOrder {
    std::vector<std::string> options;
    const char* keys;
};

class TraceOptions : public ::testing::TestWithParam<TraceOrder> {};

TEST_P(TraceOptions, ApplyInCommandLineOrderWithBaseForEveryTrace) {
    ScratchDir dir;
    WriteFile(dir.File("in.dxf"), Drawing());
    std::vector<std::string> args = GetParam().options;
    args.insert(args.end(), {"in.dxf", "out.bmp"});
    const RunResult result = RunConverter(args, dir.Path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadFile(dir.File("Image.txt")), GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TraceOptions,
    ::testing::Values(TraceOrder{{"--trace", "49"}, "000000\r\n000255\r\n"},
                      // Shrunk to its white top-left pixel before the trace.
                      TraceOrder{{"--resize", "1x1", "--trace", "49"}, "000255\r\n"},
                      TraceOrder{{"--trace", "49", "--resize", "1x1"}, "000000\r\n000255\r\n"},
                      TraceOrder{{"--trace=49", "--base", "red"}, "000000\r\n000340\r\n"},
                      // The last trace's keys: after the first, only black is left.
                      TraceOrder{{"--trace", "50", "--black", "--trace", "0"}, "000000\r\n"}));

TEST_F(Converter, HelpPrintsUsageAndSucceedsWhateverElseIsGiven) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"-h"},
          std::vector<std::string>{"--bogus", "--help", "x"}}) {
        const RunResult result = RunConverter(args, dir_.Path());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_NE(result.out.find("usage: morlid-convert [options] IN.dxf OUT.bmp"),
                  std::string::npos);
        EXPECT_NE(result.out.find("--black"), std::string::npos);
    }
}

TEST_F(Converter, VersionPrintsTheProgramAndItsVersion) {
    const RunResult result = RunConverter({"--version"}, dir_.Path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("morlid-convert (Korvane) 1.", 0), 0u) << result.out;
}

// Failures are reported with the input's name, leave nothing in the folder
// and do not stop the other inputs: a bad drawing, and a bitmap that cannot
// be saved after its keys were written.
TEST_F(Converter, BatchConvertsEveryInputAndReportsEachFailureByName) {
    WriteFile(dir_.File("bad.dxf"), Lines({"  2", "ENTITIES", "  0", "POINT", " 10", "abc"}));
    std::filesystem::create_directories(dir_.File("sub"));
    WriteFile(dir_.File("sub/c.dxf"), Drawing());
    std::filesystem::create_directories(dir_.File("out/blocked.bmp"));
    WriteFile(dir_.File("blocked.dxf"), Drawing());
    const RunResult result = RunConverter({"--trace", "50", "--out-dir", "out", "-j", "2", "in.dxf",
                                           "bad.dxf", "sub/c.dxf", "blocked.dxf"},
                                          dir_.Path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(Message("bad.dxf", "'abc' は浮動小数点数ではありません")),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("morlid-convert: blocked.dxf: "), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    for (const char* name : {"in", "c"}) {
        EXPECT_TRUE(Bmp(ReadFile(dir_.File(std::string("out/") + name + ".bmp"))).Valid()) << name;
        EXPECT_EQ(ReadFile(dir_.File(std::string("out/") + name + ".txt")), "000000\r\n000255\r\n");
    }
    for (const char* name : {"out/bad.bmp", "out/bad.txt", "out/blocked.txt"}) {
        EXPECT_FALSE(std::filesystem::exists(dir_.File(name))) << name;
    }
}

// The general reader's import saved as .dxf opens again the fixed way with
// the identical picture; both forms say what was not drawn and the scale
// they chose.
TEST_F(Converter, ReadAnyDrawsOtherProgramsFilesAndItsDxfReopensIdentically) {
    WriteFile(In(), OtherCadDrawing());
    const RunResult chosen = Run({"--read", "any"});
    EXPECT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(chosen.err, "morlid-convert: " + In() + ": not drawn: TEXT 1\n" +
                              "morlid-convert: " + In() + ": scale: 1 pixels per drawing unit\n");
    const RunResult saved =
        RunConverter({"--read", "any", "--scale", "1", In(), "s.dxf"}, dir_.Path());
    EXPECT_EQ(saved.err, "morlid-convert: " + In() + ": not drawn: TEXT 1\n");
    const RunResult reopened = RunConverter({"s.dxf", "b.bmp"}, dir_.Path());
    EXPECT_EQ(reopened.status, 0);
    EXPECT_EQ(reopened.err, "");  // the saved file is in the fixed layout
    EXPECT_EQ(Bmp(ReadFile(dir_.File("b.bmp"))).Width(), 601);
    EXPECT_EQ(ReadFile(dir_.File("b.bmp")), ReadFile(Out()));

    const RunResult batch = RunConverter(
        {"--read", "any", "--fit", "60x60", "--out-dir", "out", "in.dxf"}, dir_.Path());
    EXPECT_EQ(batch.status, 0);
    EXPECT_EQ(batch.err.rfind("morlid-convert: in.dxf: not drawn: TEXT 1\n"
                              "morlid-convert: in.dxf: scale: 0.09",
                              0),
              0u)
        << batch.err;
    EXPECT_EQ(Bmp(ReadFile(dir_.File("out/in.bmp"))).Width(), 60);
}

// The default reader warns of a file it misreads, and otherwise does as before.
TEST_F(Converter, FixedReaderWarnsOnceOfAnotherProgramsFile) {
    WriteFile(In(), OtherCadDrawing());
    const RunResult result = Run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err.rfind("morlid-convert: " + In() + ": warning: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("--read any"), std::string::npos);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(Bmp(ReadFile(Out())).Valid());
}

class BadUsage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadUsage, ExitsWithTwoAndAUsageMessageWithoutWriting) {
    ScratchDir dir;
    WriteFile(dir.File("in.dxf"), Drawing());
    const RunResult result = RunConverter(GetParam(), dir.Path());
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("morlid-convert: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("usage: morlid-convert"), std::string::npos);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadUsage,
    ::testing::Values(
        std::vector<std::string>{}, std::vector<std::string>{"in.dxf"},
        std::vector<std::string>{"in.dxf", "out.bmp", "extra"},
        std::vector<std::string>{"--trace", "101", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--trace", "-1", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--trace", "abc", "in.dxf", "out.bmp"},
        std::vector<std::string>{"in.dxf", "out.bmp", "--trace"},
        std::vector<std::string>{"--resize", "10", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--resize", "x10", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--resize", "10x", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--resize", "-5x5", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--resize", "99999999999x5", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--base", "purple", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--black=yes", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--keys=", "in.dxf", "out.bmp"},
        std::vector<std::string>{"-x", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--bogus", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--out-dir", "out"},
        std::vector<std::string>{"--jobs", "2", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--out-dir", "out", "--jobs", "0", "in.dxf"},
        std::vector<std::string>{"--out-dir", "out", "--keys", "k", "in.dxf"},
        std::vector<std::string>{"--out-dir", "out", "in.dxf", "./in.dxf"},
        std::vector<std::string>{"--read", "all", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--scale", "2", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--read", "any", "--scale", "0", "in.dxf", "out.bmp"},
        std::vector<std::string>{"--read", "any", "--scale", "2", "--fit", "9x9", "in.dxf",
                                 "out.bmp"},
        std::vector<std::string>{"--read", "any", "--fit", "0x9", "in.dxf", "out.bmp"},
        std::vector<std::string>{"in.dxf", "out.gif"},
        std::vector<std::string>{"--trace", "5", "in.dxf", "out.dxf"},
        std::vector<std::string>{"in.dxf", "out.jpg"}, std::vector<std::string>{"in.dxf", "out"},
        std::vector<std::string>{"--thumbnail", "0", "in.dxf", "out.png"},
        std::vector<std::string>{"--thumbnail", "64", "--trace", "5", "in.dxf", "o"},
        std::vector<std::string>{"--thumbnail", "64", "--read", "any", "--fit", "9x9", "in.dxf",
                                 "o"}));

TEST(ParseArguments, KeepsStepsInOrderAndAppliesChoicesToEveryTrace) {
    const cli::ParsedArguments parsed =
        cli::ParseArguments({"--trace", "30", "a.dxf", "--resize=8X6", "--black", "--trace=0",
                             "--base", "blue", "--keys", "k.txt", "--", "-b.bmp"});
    ASSERT_EQ(parsed.action, cli::ParsedArguments::Action::Convert) << parsed.problem;
    const cli::ConvertRequest& request = parsed.request;
    EXPECT_EQ(request.input, "a.dxf");
    EXPECT_EQ(request.output, "-b.bmp");
    ASSERT_EQ(request.steps.size(), 3u);
    EXPECT_EQ(request.steps[0].kind, cli::Step::Kind::Trace);
    EXPECT_EQ(request.steps[0].threshold, 30);
    EXPECT_EQ(request.steps[1].kind, cli::Step::Kind::Resize);
    EXPECT_EQ(request.steps[1].width, 8);
    EXPECT_EQ(request.steps[1].height, 6);
    EXPECT_EQ(request.steps[2].threshold, 0);
    EXPECT_TRUE(request.paint_black);
    EXPECT_EQ(request.base, tools::BaseColour::Blue);
    EXPECT_EQ(request.keys_path, "k.txt");
}

}  // namespace
