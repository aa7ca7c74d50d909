// Writes the program icon as the PNG files a Linux desktop's icon theme takes:
// export_png ICO OUTDIR makes OUTDIR/sonabrix-16.png, -32, -64 from the icon's images of those
// sizes and OUTDIR/sonabrix-256.png resampled from its largest image.

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "program/icon/icon_file.h"

namespace {

using sonabrix::icon::IconImage;
using sonabrix::icon::RgbaImage;

void AppendDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

void AppendChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
                 const std::vector<std::uint8_t>& data) {
  AppendDword(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, &out[type_at], static_cast<uInt>(out.size() - type_at));
  AppendDword(out, static_cast<std::uint32_t>(crc));
}

// An 8-bit RGBA PNG, every row unfiltered; the pictures are small and flat, so deflate alone
// does well. Empty when zlib fails.
std::vector<std::uint8_t> EncodePng(const RgbaImage& image) {
  const auto row_bytes = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> raw;
  raw.reserve((row_bytes + 1) * static_cast<std::size_t>(image.height));
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
    raw.push_back(0);
    const auto row = image.pixels.begin() + static_cast<std::ptrdiff_t>(y * row_bytes);
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(row_bytes));
  }
  uLongf compressed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> compressed(compressed_size);
  if (compress2(compressed.data(), &compressed_size, raw.data(), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return {};
  }
  compressed.resize(compressed_size);

  std::vector<std::uint8_t> header;
  AppendDword(header, static_cast<std::uint32_t>(image.width));
  AppendDword(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits a channel, RGBA, no interlace

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", compressed);
  AppendChunk(png, "IEND", {});
  return png;
}

// Of the images of this width, the one with the most colours.
const IconImage* FindImage(const std::vector<IconImage>& images, int width) {
  const IconImage* found = nullptr;
  for (const IconImage& image : images) {
    if (image.width == width && (found == nullptr || image.bit_count > found->bit_count)) {
      found = &image;
    }
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: export_png ICO OUTDIR\n");
    return 2;
  }
  const std::filesystem::path ico_path = argv[1];
  const std::filesystem::path out_dir = argv[2];

  std::ifstream in(ico_path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "export_png: could not read %s\n", ico_path.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  const auto parsed = sonabrix::icon::ParseIcon(file);
  if (const auto* failure = std::get_if<sonabrix::icon::IconFailure>(&parsed)) {
    const std::string reason(sonabrix::icon::DescribeFailure(*failure));
    std::fprintf(stderr, "export_png: %s: %s\n", ico_path.c_str(), reason.c_str());
    return 1;
  }
  const auto& images = std::get<std::vector<IconImage>>(parsed);

  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  if (error) {
    std::fprintf(stderr, "export_png: could not make %s: %s\n", out_dir.c_str(),
                 error.message().c_str());
    return 1;
  }

  const IconImage* largest =
      &*std::max_element(images.begin(), images.end(),
                         [](const IconImage& a, const IconImage& b) { return a.width < b.width; });
  for (const int size : {16, 32, 64, 256}) {
    const IconImage* image = FindImage(images, size);
    const IconImage* source = image != nullptr ? image : largest;
    const auto decoded = sonabrix::icon::DecodeImage(*source);
    // ParseIcon has checked every image, so decoding cannot fail here.
    RgbaImage rgba = std::get<RgbaImage>(decoded);
    if (rgba.width != size || rgba.height != size) {
      rgba = sonabrix::icon::ScaleRgba(rgba, size, size);
    }
    const std::vector<std::uint8_t> png = EncodePng(rgba);
    const std::filesystem::path out_path = out_dir / ("sonabrix-" + std::to_string(size) + ".png");
    std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (png.empty() || !out) {
      std::fprintf(stderr, "export_png: could not write %s\n", out_path.c_str());
      return 1;
    }
  }
  return 0;
}
