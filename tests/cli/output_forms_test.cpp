// The forms of the converter's output: PNG files, thumbnails, standard input
// and output, and messages about them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/png_decode.h"
#include "support/scratch_dir.h"

namespace {

using testing_support::DecodePng;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the real program in `cwd` with `input` on a pipe as its standard
// input and its standard output on a pipe, or on `out_file` when given.
Outcome Converter(std::vector<std::string> args, const ScratchDir& cwd,
                  const std::string& input = "", const char* out_file = nullptr) {
    args.insert(args.begin(), MORLID_CONVERT_PATH);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string err_path = cwd.File(".err");
    int in_pipe[2];
    int out_pipe[2];
    if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        const int out = out_file != nullptr ? open(out_file, O_WRONLY) : out_pipe[1];
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || chdir(cwd.Path().c_str()) != 0) _exit(126);
        dup2(in_pipe[0], STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        for (const int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]}) close(fd);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    // Small drawings fit the pipe's buffer whole.
    if (write(in_pipe[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        return {};
    }
    close(in_pipe[1]);
    Outcome run;
    char buffer[65536];
    for (ssize_t got; (got = read(out_pipe[0], buffer, sizeof buffer)) > 0;) {
        run.out.append(buffer, static_cast<std::size_t>(got));
    }
    close(out_pipe[0]);
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.err = ReadFile(err_path);
    return run;
}

// The pixels of a 24-bit bottom-up bitmap file, top row first, as 0x00RRGGBB.
std::vector<uint32_t> BitmapPixels(const std::string& file) {
    auto field = [&file](std::size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(file[at + i]);
        return value;
    };
    const uint32_t width = field(18);
    const uint32_t height = field(22);
    const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
    std::vector<uint32_t> pixels;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            pixels.push_back(field(field(10) + (height - 1 - y) * stride + std::size_t{x} * 3) &
                             0xFFFFFFu);
        }
    }
    return pixels;
}

// 40 by 20 pixels: a diagonal from the top-left corner.
std::string Drawing() {
    std::string text;
    for (const char* line :
         {"  0",   "SECTION",    "  2", "ENTITIES", "  0",    "POINT", "  8",  "_0-0_", " 62",
          "    7", " 10",        "39",  " 20",      "19",     "  0",   "LINE", "  8",   "_0-0_",
          "  6",   "CONTINUOUS", " 62", "    7",    " 10",    "0",     " 20",  "19",    " 11",
          "39",    " 21",        "1",   "  0",      "ENDSEC", "  0",   "EOF"}) {
        text.append(line).append("\r\n");
    }
    return text;
}

class OutputForms : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(dir_.File("in.dxf"), Drawing());
        ASSERT_EQ(Converter({"in.dxf", "ref.bmp"}, dir_).status, 0);
        reference_ = ReadFile(dir_.File("ref.bmp"));
    }
    ScratchDir dir_;
    std::string reference_;
};

TEST_F(OutputForms, StandardStreamsCarryTheBitmapThroughPipes) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"in.dxf", "-"},
          std::vector<std::string>{"in.dxf", "/dev/stdout"}, std::vector<std::string>{"-", "-"},
          std::vector<std::string>{"-", "pipe.bmp"}}) {
        const Outcome run = Converter(args, dir_, Drawing());
        EXPECT_EQ(run.status, 0) << args[1] << ": " << run.err;
        const std::string written =
            args[1] == "pipe.bmp" ? ReadFile(dir_.File("pipe.bmp")) : run.out;
        EXPECT_EQ(written, reference_) << args[0] << " " << args[1];
    }
}

TEST_F(OutputForms, PngHoldsTheBitmapsPixelsInOneBitGrey) {
    for (const std::string& name : {std::string("in.dxf"), std::string(SAMPLES_DIR) + "/house.dxf",
                                    std::string(SAMPLES_DIR) + "/plan.dxf"}) {
        ASSERT_EQ(Converter({name, "a.bmp"}, dir_).status, 0) << name;
        const Outcome run = Converter({name, "a.PNG"}, dir_);
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        const testing_support::DecodedPng png = DecodePng(ReadFile(dir_.File("a.PNG")));
        ASSERT_TRUE(png.valid) << name;
        EXPECT_EQ(png.bit_depth, 1) << name;
        EXPECT_EQ(png.pixels, BitmapPixels(ReadFile(dir_.File("a.bmp")))) << name;
    }
}

struct ThumbnailCase {
    int size;
    int32_t width;
    int32_t height;
};

TEST_F(OutputForms, ThumbnailFitsIntoTheSizeAsPngAndKeepsItsLine) {
    for (const ThumbnailCase& expected :
         {ThumbnailCase{8, 8, 4}, ThumbnailCase{39, 39, 19}, ThumbnailCase{40, 40, 20},
          ThumbnailCase{256, 40, 20}, ThumbnailCase{1, 1, 1}}) {
        const std::string size = std::to_string(expected.size);
        const Outcome run = Converter({"--thumbnail", size, "in.dxf", "thumb"}, dir_);
        ASSERT_EQ(run.status, 0) << size << ": " << run.err;
        const testing_support::DecodedPng png = DecodePng(ReadFile(dir_.File("thumb")));
        ASSERT_TRUE(png.valid) << size;
        EXPECT_EQ(png.width, expected.width) << size;
        EXPECT_EQ(png.height, expected.height) << size;
        EXPECT_NE(std::count(png.pixels.begin(), png.pixels.end(), 0u), 0) << size;
        // Not reduced, it is the picture the viewer draws.
        if (expected.width == 40) {
            EXPECT_EQ(png.pixels, BitmapPixels(reference_)) << size;
        }
    }
}

TEST_F(OutputForms, MessagesNameTheFileOrStreamTheyConcern) {
    const struct {
        std::vector<std::string> args;
        const char* out_file;
        std::string start;
    } cases[] = {
        {{"--help"},
         "/dev/full",
         "morlid-convert: standard output: ストリームへの書き込みエラー\n"},
        {{"in.dxf", "-"},
         "/dev/full",
         "morlid-convert: standard output: ストリームへの書き込みエラー\n"},
        {{"-", "x.bmp"}, nullptr, "morlid-convert: standard input: リストのインデックス"},
        {{"in.dxf", "no/x.png"}, nullptr, "morlid-convert: no/x.png: ファイル "},
    };
    for (const auto& c : cases) {
        const Outcome run = Converter(c.args, dir_, "", c.out_file);
        EXPECT_EQ(run.status, 1) << c.start;
        EXPECT_EQ(run.err.rfind(c.start, 0), 0u) << run.err;
    }
}

}  // namespace
