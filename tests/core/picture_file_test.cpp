#include "core/picture_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dxf_builder.h"
#include "raster/bmp_encoder.h"

namespace {

using core::SavePictureToFile;

TEST(PictureFile, PictureWithoutContentWritesNoFile) {
    dxf_test::ScratchDir dir;
    raster::TPicture picture;
    const std::string fresh = dir.File("fresh.bmp");
    SavePictureToFile(picture, fresh);
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const std::string existing = dir.File("existing.bmp");
    std::ofstream(existing, std::ios::binary) << "old bytes";
    SavePictureToFile(picture, existing);
    EXPECT_EQ(dxf_test::ReadFile(existing), "old bytes");
    EXPECT_FALSE(picture.HasContent());
}

TEST(PictureFile, BitmapWithoutPixelsWritesEmptyFile) {
    struct Case {
        const char* name;
        int32_t width;
        int32_t height;
    };
    for (const Case& c :
         {Case{"empty bitmap", 0, 0}, Case{"width only", 4, 0}, Case{"height only", 0, 3}}) {
        SCOPED_TRACE(c.name);
        dxf_test::ScratchDir dir;
        raster::TPicture picture;
        picture.Bitmap().SetWidth(c.width);
        picture.Bitmap().SetHeight(c.height);
        const std::string path = dir.File("picture.bmp");
        std::ofstream(path, std::ios::binary) << "old bytes";
        SavePictureToFile(picture, path);
        ASSERT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
    }
}

TEST(PictureFile, PictureWithPixelsWritesItsBitmapFile) {
    dxf_test::ScratchDir dir;
    raster::TPicture picture;
    picture.Bitmap().SetWidth(5);
    picture.Bitmap().SetHeight(1);
    picture.Bitmap().SetPixel(0, 0, raster::clRed);
    const std::string path = dir.File("picture.bmp");
    SavePictureToFile(picture, path);
    const std::string bytes = dxf_test::ReadFile(path);
    EXPECT_EQ(bytes.size(), 70u);
    EXPECT_EQ(bytes, raster::EncodeBmp(*picture.Content()));
}

}  // namespace
