#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "program/icon/icon_file.h"

// Paths given by the build: the tools just built, and the icon committed in the source tree.
#ifndef SONABRIX_DRAW_ICON
#error "SONABRIX_DRAW_ICON must name the draw_icon tool"
#endif
#ifndef SONABRIX_EXPORT_PNG
#error "SONABRIX_EXPORT_PNG must name the export_png tool"
#endif
#ifndef SONABRIX_ICON_ICO
#error "SONABRIX_ICON_ICO must name the committed sonabrix.ico"
#endif

namespace sonabrix::icon {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<IconImage> CommittedImages() {
  IconParse parsed = ParseIcon(ReadFile(SONABRIX_ICON_ICO));
  if (auto* failure = std::get_if<IconFailure>(&parsed)) {
    ADD_FAILURE() << DescribeFailure(*failure);
    return {};
  }
  return std::get<std::vector<IconImage>>(std::move(parsed));
}

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  }
  return value;
}

void SetLittle(std::vector<std::uint8_t>& bytes, std::size_t at, int count, std::uint32_t value) {
  for (int i = 0; i < count; ++i) {
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sonabrix-icon-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

int RunTool(const std::string& tool, const std::vector<std::filesystem::path>& arguments) {
  std::string command = "'" + tool + "'";
  for (const auto& argument : arguments) {
    command += " '" + argument.string() + "'";
  }
  return std::system(command.c_str());
}

TEST(DrawIcon, DrawsTheCommittedIconByteForByte) {
  const TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const auto drawn = folder.path() / "drawn.ico";
  ASSERT_EQ(RunTool(SONABRIX_DRAW_ICON, {drawn}), 0);

  const std::vector<std::uint8_t> expected = ReadFile(SONABRIX_ICON_ICO);
  const std::vector<std::uint8_t> actual = ReadFile(drawn);
  ASSERT_EQ(actual.size(), expected.size());
  const auto [differs, ignored] = std::mismatch(actual.begin(), actual.end(), expected.begin());
  EXPECT_TRUE(differs == actual.end())
      << "first difference at byte " << (differs - actual.begin())
      << "; after a change to the drawing, build update_icon and commit sonabrix.ico";
}

struct ExpectedImage {
  int directory_size;
  int color_count;
  int bit_count;
  std::uint32_t bytes;
  int size;
};

constexpr ExpectedImage kExpectedImages[] = {
    {64, 0, 8, 5672, 64}, {32, 0, 8, 2216, 32}, {16, 0, 8, 1384, 16},
    {32, 16, 4, 744, 32}, {16, 16, 4, 296, 16}, {0, 0, 24, 386140, 351},
};

TEST(IconFile, DirectoryAndHeadersHoldTheSixImages) {
  const std::vector<std::uint8_t> file = ReadFile(SONABRIX_ICON_ICO);
  ASSERT_EQ(file.size(), 396554u);
  ASSERT_EQ(Little(file, 4, 2), std::size(kExpectedImages));
  std::uint32_t next_offset = 6 + 16 * std::size(kExpectedImages);

  for (std::size_t i = 0; i < std::size(kExpectedImages); ++i) {
    SCOPED_TRACE("image " + std::to_string(i + 1));
    const ExpectedImage& expected = kExpectedImages[i];
    const std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(file[entry], expected.directory_size);
    EXPECT_EQ(file[entry + 1], expected.directory_size);
    EXPECT_EQ(file[entry + 2], expected.color_count);
    EXPECT_EQ(file[entry + 3], 0);
    EXPECT_EQ(Little(file, entry + 4, 2), 1u);
    EXPECT_EQ(Little(file, entry + 6, 2), static_cast<std::uint32_t>(expected.bit_count));
    EXPECT_EQ(Little(file, entry + 8, 4), expected.bytes);
    // The images follow the directory in its order, with nothing between them.
    const std::uint32_t offset = Little(file, entry + 12, 4);
    EXPECT_EQ(offset, next_offset);
    next_offset = offset + expected.bytes;

    EXPECT_EQ(Little(file, offset, 4), 40u);
    EXPECT_EQ(Little(file, offset + 4, 4), static_cast<std::uint32_t>(expected.size));
    EXPECT_EQ(Little(file, offset + 8, 4), static_cast<std::uint32_t>(2 * expected.size));
    EXPECT_EQ(Little(file, offset + 12, 2), 1u);
    EXPECT_EQ(Little(file, offset + 14, 2), static_cast<std::uint32_t>(expected.bit_count));
    EXPECT_EQ(Little(file, offset + 16, 4), 0u);
    EXPECT_EQ(Little(file, offset + 32, 4), 0u) << "every colour of the depth in the table";

    if (expected.bit_count == 4) {
      constexpr std::array<std::uint32_t, 16> kStandardColors = {
          0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
          0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
      for (std::size_t c = 0; c < kStandardColors.size(); ++c) {
        EXPECT_EQ(Little(file, offset + 40 + 4 * c, 4), kStandardColors[c]) << "colour " << c;
      }
    }
  }
  EXPECT_EQ(next_offset, file.size());
}

std::array<std::uint8_t, 4> PixelAt(const RgbaImage& image, int x, int y) {
  const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                   static_cast<std::size_t>(x)) *
                  4;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2], image.pixels[at + 3]};
}

TEST(IconFile, DecodesEveryImageWithTransparentCorners) {
  const std::vector<IconImage> images = CommittedImages();
  ASSERT_EQ(images.size(), std::size(kExpectedImages));
  for (std::size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE("image " + std::to_string(i + 1));
    const IconImage& image = images[i];
    EXPECT_EQ(image.width, kExpectedImages[i].size);
    EXPECT_EQ(image.height, kExpectedImages[i].size);
    const RgbaDecode decoded = DecodeImage(image);
    ASSERT_TRUE(std::holds_alternative<RgbaImage>(decoded));
    const auto& rgba = std::get<RgbaImage>(decoded);
    ASSERT_EQ(rgba.width, image.width);
    ASSERT_EQ(rgba.height, image.height);

    const int last = rgba.width - 1;
    const std::array<std::pair<int, int>, 4> corners = {
        {{0, 0}, {last, 0}, {0, last}, {last, last}}};
    for (const auto& [x, y] : corners) {
      EXPECT_EQ(PixelAt(rgba, x, y)[3], 0) << "corner " << x << ", " << y;
    }
    // The tile is dark behind the white stem, which runs through the middle of the picture.
    const auto tile = PixelAt(rgba, rgba.width / 4, rgba.height / 4);
    const auto stem = PixelAt(rgba, rgba.width * 33 / 64, rgba.height / 2);
    EXPECT_EQ(tile[3], 255);
    EXPECT_EQ(stem[3], 255);
    EXPECT_LT(tile[0], 128);
    EXPECT_GT(stem[0], 224);
    EXPECT_GT(stem[1], 224);
    EXPECT_GT(stem[2], 224);

    // Transparent pixels are black in the colour bitmap, so that the mask alone cuts them out.
    // The bottom-left pixel is stored first.
    const std::size_t table_bytes = image.bit_count <= 8 ? (std::size_t{4} << image.bit_count) : 0;
    const std::size_t bitmap_at = 40 + table_bytes;
    if (image.bit_count < 8) {
      EXPECT_EQ(image.bytes[bitmap_at] >> (8 - image.bit_count), 0);
    } else {
      for (std::size_t b = 0; b < static_cast<std::size_t>(image.bit_count / 8); ++b) {
        EXPECT_EQ(image.bytes[bitmap_at + b], 0);
      }
    }
    if (table_bytes != 0) {
      EXPECT_EQ(Little(image.bytes, 40, 4), 0u) << "colour 0 is black";
    }
  }
}

struct BrokenFile {
  const char* what;
  void (*damage)(std::vector<std::uint8_t>& file);
  IconFailure failure;
};

// The first image's header starts right after the six directory entries.
constexpr std::size_t kFirstHeader = 6 + 6 * 16;

const BrokenFile kBrokenFiles[] = {
    {"empty", [](auto& f) { f.clear(); }, IconFailure::kTruncated},
    {"cut inside the directory", [](auto& f) { f.resize(50); }, IconFailure::kTruncated},
    {"a cursor", [](auto& f) { SetLittle(f, 2, 2, 2); }, IconFailure::kNotAnIcon},
    {"reserved word set", [](auto& f) { SetLittle(f, 0, 2, 1); }, IconFailure::kNotAnIcon},
    {"no images", [](auto& f) { SetLittle(f, 4, 2, 0); }, IconFailure::kNoImages},
    {"last image cut short", [](auto& f) { f.pop_back(); }, IconFailure::kImageOutsideFile},
    {"offset past the end", [](auto& f) { SetLittle(f, 6 + 12, 4, 0xFFFFFFF0); },
     IconFailure::kImageOutsideFile},
    {"header of 12 bytes", [](auto& f) { SetLittle(f, kFirstHeader, 4, 12); },
     IconFailure::kBadBitmapHeader},
    {"odd header height", [](auto& f) { SetLittle(f, kFirstHeader + 8, 4, 129); },
     IconFailure::kBadBitmapHeader},
    {"width beyond its bytes", [](auto& f) { SetLittle(f, kFirstHeader + 4, 4, 0x7FFFFFFF); },
     IconFailure::kBadBitmapHeader},
    {"colour table beyond its depth", [](auto& f) { SetLittle(f, kFirstHeader + 32, 4, 300); },
     IconFailure::kBadBitmapHeader},
    {"run-length compressed", [](auto& f) { SetLittle(f, kFirstHeader + 16, 4, 1); },
     IconFailure::kUnsupportedFormat},
    {"16 bits a pixel", [](auto& f) { SetLittle(f, kFirstHeader + 14, 2, 16); },
     IconFailure::kUnsupportedFormat},
    {"a PNG image", [](auto& f) { SetLittle(f, kFirstHeader, 4, 0x474E5089); },
     IconFailure::kUnsupportedFormat},
};

TEST(IconFile, RefusesBrokenFilesWithTheReason) {
  const std::vector<std::uint8_t> good = ReadFile(SONABRIX_ICON_ICO);
  for (const BrokenFile& broken : kBrokenFiles) {
    SCOPED_TRACE(broken.what);
    std::vector<std::uint8_t> file = good;
    broken.damage(file);
    const IconParse parsed = ParseIcon(file);
    ASSERT_TRUE(std::holds_alternative<IconFailure>(parsed));
    EXPECT_EQ(std::get<IconFailure>(parsed), broken.failure)
        << DescribeFailure(std::get<IconFailure>(parsed));
  }
  EXPECT_EQ(std::get<IconFailure>(DecodeImage(IconImage{})), IconFailure::kBadBitmapHeader);
}

struct ScaleCase {
  const char* what;
  RgbaImage from;
  int width;
  int height;
  RgbaImage expected;
};

TEST(ScaleRgba, AveragesByAreaAndAlpha) {
  const ScaleCase cases[] = {
      {"four pixels to one",
       {2, 2, {0, 0, 0, 255, 100, 0, 0, 255, 0, 200, 0, 255, 0, 0, 40, 255}},
       1,
       1,
       {1, 1, {25, 50, 10, 255}}},
      // Averaging straight colours would make this grey: the black is transparent, not there.
      {"transparent neighbour does not darken",
       {2, 1, {0, 0, 0, 0, 255, 255, 255, 255}},
       1,
       1,
       {1, 1, {255, 255, 255, 128}}},
      // Three to two: the middle pixel is shared half and half.
      {"a third of a pixel each way",
       {3, 1, {30, 0, 0, 255, 90, 0, 0, 255, 150, 0, 0, 255}},
       2,
       1,
       {2, 1, {50, 0, 0, 255, 130, 0, 0, 255}}},
      {"no size", {1, 1, {1, 2, 3, 255}}, 0, 5, {}},
      {"pixels missing", {2, 2, {1, 2, 3, 255}}, 1, 1, {}},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(c.what);
    const RgbaImage scaled = ScaleRgba(c.from, c.width, c.height);
    EXPECT_EQ(scaled.width, c.expected.width);
    EXPECT_EQ(scaled.height, c.expected.height);
    EXPECT_EQ(scaled.pixels, c.expected.pixels);
  }
}

// Read by libpng, so the files are checked by a reader that is not ours.
RgbaImage ReadPng(const std::filesystem::path& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  RgbaImage image;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
    ADD_FAILURE() << path << ": " << png.message;
    return image;
  }
  png.format = PNG_FORMAT_RGBA;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.pixels.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << path << ": " << png.message;
  }
  png_image_free(&png);
  return image;
}

TEST(PngExport, WritesTheIconThemeSizes) {
  const TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const auto out = folder.path() / "icons";
  ASSERT_EQ(RunTool(SONABRIX_EXPORT_PNG, {SONABRIX_ICON_ICO, out}), 0);

  const std::vector<IconImage> images = CommittedImages();
  ASSERT_EQ(images.size(), std::size(kExpectedImages));
  const auto decode = [&](std::size_t index) {
    return std::get<RgbaImage>(DecodeImage(images[index]));
  };
  const struct {
    int size;
    RgbaImage expected;
  } sizes[] = {
      {16, decode(2)},
      {32, decode(1)},
      {64, decode(0)},
      {256, ScaleRgba(decode(5), 256, 256)},
  };
  for (const auto& [size, expected] : sizes) {
    SCOPED_TRACE(size);
    const RgbaImage read = ReadPng(out / ("sonabrix-" + std::to_string(size) + ".png"));
    EXPECT_EQ(read.width, size);
    EXPECT_EQ(read.height, size);
    EXPECT_TRUE(read.pixels == expected.pixels);
  }
}

TEST(PngExport, ExplainsAFileThatIsNoIcon) {
  const TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const auto not_an_icon = folder.path() / "notes.txt";
  std::ofstream(not_an_icon) << "3C 6C\n";
  EXPECT_NE(RunTool(SONABRIX_EXPORT_PNG, {not_an_icon, folder.path() / "icons"}), 0);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "icons" / "sonabrix-16.png"));
}

}  // namespace
}  // namespace sonabrix::icon
