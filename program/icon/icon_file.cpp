#include "program/icon/icon_file.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace sonabrix::icon {
namespace {

constexpr std::size_t kIconHeaderBytes = 6;
constexpr std::size_t kDirectoryEntryBytes = 16;
constexpr std::size_t kBitmapHeaderBytes = 40;
constexpr std::uint32_t kUncompressed = 0;

std::uint32_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  }
  return value;
}

// Where the parts of one uncompressed bitmap lie within its bytes.
struct BitmapLayout {
  int width = 0;
  int height = 0;
  int bit_count = 0;
  std::size_t colors_at = 0;
  std::size_t color_count = 0;
  std::size_t bitmap_at = 0;
  std::size_t bitmap_row_bytes = 0;
  std::size_t mask_at = 0;
  std::size_t mask_row_bytes = 0;
};

using LayoutResult = std::variant<BitmapLayout, IconFailure>;

std::size_t PaddedRowBytes(std::uint64_t width, std::uint64_t bit_count) {
  return static_cast<std::size_t>((width * bit_count + 31) / 32 * 4);
}

LayoutResult ReadLayout(std::span<const std::uint8_t> bytes) {
  constexpr std::array<std::uint8_t, 4> kPngSignature = {0x89, 'P', 'N', 'G'};
  if (bytes.size() >= kPngSignature.size() &&
      std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin())) {
    return IconFailure::kUnsupportedFormat;
  }
  if (bytes.size() < kBitmapHeaderBytes || ReadLittleEndian(bytes, 0, 4) != kBitmapHeaderBytes) {
    return IconFailure::kBadBitmapHeader;
  }
  const auto width = static_cast<std::int32_t>(ReadLittleEndian(bytes, 4, 4));
  const auto double_height = static_cast<std::int32_t>(ReadLittleEndian(bytes, 8, 4));
  const std::uint32_t planes = ReadLittleEndian(bytes, 12, 2);
  const std::uint32_t bit_count = ReadLittleEndian(bytes, 14, 2);
  const std::uint32_t compression = ReadLittleEndian(bytes, 16, 4);
  const std::uint32_t colors_used = ReadLittleEndian(bytes, 32, 4);
  // A negative height would mean a top-down bitmap, which icons never are.
  if (width <= 0 || double_height <= 0 || double_height % 2 != 0 || planes != 1) {
    return IconFailure::kBadBitmapHeader;
  }
  if (compression != kUncompressed) {
    return IconFailure::kUnsupportedFormat;
  }
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 24 && bit_count != 32) {
    return IconFailure::kUnsupportedFormat;
  }
  const std::uint64_t full_table = bit_count <= 8 ? (std::uint64_t{1} << bit_count) : 0;
  // Above 8 bits a colour table is optional and unused for drawing; it still takes its room.
  const std::uint64_t color_count = colors_used != 0 ? colors_used : full_table;
  if (bit_count <= 8 && color_count > full_table) {
    return IconFailure::kBadBitmapHeader;
  }

  BitmapLayout layout;
  layout.width = width;
  layout.height = double_height / 2;
  layout.bit_count = static_cast<int>(bit_count);
  layout.colors_at = kBitmapHeaderBytes;
  layout.bitmap_row_bytes = PaddedRowBytes(static_cast<std::uint64_t>(width), bit_count);
  layout.mask_row_bytes = PaddedRowBytes(static_cast<std::uint64_t>(width), 1);
  const std::uint64_t rows = static_cast<std::uint64_t>(layout.height);
  const std::uint64_t bitmap_at = kBitmapHeaderBytes + color_count * 4;
  const std::uint64_t mask_at = bitmap_at + layout.bitmap_row_bytes * rows;
  const std::uint64_t end = mask_at + layout.mask_row_bytes * rows;
  if (end > bytes.size()) {
    return IconFailure::kBadBitmapHeader;
  }
  layout.color_count = static_cast<std::size_t>(color_count);
  layout.bitmap_at = static_cast<std::size_t>(bitmap_at);
  layout.mask_at = static_cast<std::size_t>(mask_at);
  return layout;
}

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

}  // namespace

std::string_view DescribeFailure(IconFailure failure) {
  switch (failure) {
    case IconFailure::kTruncated:
      return "The icon file ends before its directory does.";
    case IconFailure::kNotAnIcon:
      return "The file is not an icon.";
    case IconFailure::kNoImages:
      return "The icon holds no images.";
    case IconFailure::kImageOutsideFile:
      return "An image of the icon reaches past the end of the file.";
    case IconFailure::kBadBitmapHeader:
      return "An image of the icon has a malformed bitmap header.";
    case IconFailure::kUnsupportedFormat:
      return "An image of the icon is stored in a format that cannot be read here.";
  }
  return "The icon cannot be read.";
}

IconParse ParseIcon(std::span<const std::uint8_t> file) {
  if (file.size() < kIconHeaderBytes) {
    return IconFailure::kTruncated;
  }
  constexpr std::uint32_t kIconType = 1;
  if (ReadLittleEndian(file, 0, 2) != 0 || ReadLittleEndian(file, 2, 2) != kIconType) {
    return IconFailure::kNotAnIcon;
  }
  const std::size_t count = ReadLittleEndian(file, 4, 2);
  if (count == 0) {
    return IconFailure::kNoImages;
  }
  if (file.size() < kIconHeaderBytes + count * kDirectoryEntryBytes) {
    return IconFailure::kTruncated;
  }

  std::vector<IconImage> images;
  images.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kIconHeaderBytes + i * kDirectoryEntryBytes;
    const std::uint64_t size = ReadLittleEndian(file, entry + 8, 4);
    const std::uint64_t offset = ReadLittleEndian(file, entry + 12, 4);
    if (offset + size > file.size()) {
      return IconFailure::kImageOutsideFile;
    }
    const auto bytes =
        file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    const LayoutResult layout = ReadLayout(bytes);
    if (const auto* failure = std::get_if<IconFailure>(&layout)) {
      return *failure;
    }
    IconImage image;
    image.directory_width = file[entry];
    image.directory_height = file[entry + 1];
    image.directory_color_count = file[entry + 2];
    image.planes = static_cast<int>(ReadLittleEndian(file, entry + 4, 2));
    image.bit_count = static_cast<int>(ReadLittleEndian(file, entry + 6, 2));
    image.width = std::get<BitmapLayout>(layout).width;
    image.height = std::get<BitmapLayout>(layout).height;
    image.bytes.assign(bytes.begin(), bytes.end());
    images.push_back(std::move(image));
  }
  return images;
}

RgbaDecode DecodeImage(const IconImage& image) {
  const std::span<const std::uint8_t> bytes(image.bytes);
  const LayoutResult layout_or_failure = ReadLayout(bytes);
  if (const auto* failure = std::get_if<IconFailure>(&layout_or_failure)) {
    return *failure;
  }
  const auto& layout = std::get<BitmapLayout>(layout_or_failure);

  // Indices past a short colour table draw black rather than fail the image.
  std::vector<Rgb> colors(layout.bit_count <= 8 ? (std::size_t{1} << layout.bit_count) : 0);
  for (std::size_t i = 0; i < colors.size() && i < layout.color_count; ++i) {
    const std::size_t at = layout.colors_at + i * 4;
    colors[i] = {bytes[at + 2], bytes[at + 1], bytes[at]};
  }

  RgbaImage rgba;
  rgba.width = layout.width;
  rgba.height = layout.height;
  rgba.pixels.resize(static_cast<std::size_t>(layout.width) *
                     static_cast<std::size_t>(layout.height) * 4);
  auto pixel_at = [&rgba](int y, std::size_t column) {
    return &rgba.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(rgba.width) +
                         column) *
                        4];
  };
  bool has_alpha_channel = false;
  for (int y = 0; y < layout.height; ++y) {
    // Bottom-up: the first stored row is the lowest one on screen.
    const std::size_t stored_row = static_cast<std::size_t>(layout.height - 1 - y);
    const std::size_t row_at = layout.bitmap_at + stored_row * layout.bitmap_row_bytes;
    for (int x = 0; x < layout.width; ++x) {
      const auto column = static_cast<std::size_t>(x);
      std::uint8_t* out = pixel_at(y, column);
      Rgb color;
      std::uint8_t alpha = 0;
      switch (layout.bit_count) {
        case 1:
          color = colors[(bytes[row_at + column / 8] >> (7 - column % 8)) & 1];
          break;
        case 4:
          color = colors[(bytes[row_at + column / 2] >> (column % 2 == 0 ? 4 : 0)) & 0x0F];
          break;
        case 8:
          color = colors[bytes[row_at + column]];
          break;
        case 24:
          color = {bytes[row_at + column * 3 + 2], bytes[row_at + column * 3 + 1],
                   bytes[row_at + column * 3]};
          break;
        default:
          color = {bytes[row_at + column * 4 + 2], bytes[row_at + column * 4 + 1],
                   bytes[row_at + column * 4]};
          alpha = bytes[row_at + column * 4 + 3];
          has_alpha_channel = has_alpha_channel || alpha != 0;
          break;
      }
      out[0] = color.red;
      out[1] = color.green;
      out[2] = color.blue;
      out[3] = alpha;
    }
  }

  for (int y = 0; y < layout.height; ++y) {
    const std::size_t stored_row = static_cast<std::size_t>(layout.height - 1 - y);
    const std::size_t row_at = layout.mask_at + stored_row * layout.mask_row_bytes;
    for (int x = 0; x < layout.width; ++x) {
      const auto column = static_cast<std::size_t>(x);
      std::uint8_t* out = pixel_at(y, column);
      if (!has_alpha_channel) {
        const bool transparent = ((bytes[row_at + column / 8] >> (7 - column % 8)) & 1) != 0;
        out[3] = transparent ? 0 : 255;
      }
      if (out[3] == 0) {
        std::fill(out, out + 4, std::uint8_t{0});
      }
    }
  }
  return rgba;
}

RgbaImage ScaleRgba(const RgbaImage& image, int width, int height) {
  RgbaImage scaled;
  const auto source_width = static_cast<std::uint64_t>(image.width);
  const auto source_height = static_cast<std::uint64_t>(image.height);
  if (width < 1 || height < 1 || image.width < 1 || image.height < 1 ||
      image.pixels.size() != source_width * source_height * 4) {
    return scaled;
  }
  scaled.width = width;
  scaled.height = height;
  scaled.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);

  // In units of 1 / width of a source pixel, source pixel i spans [i * width, (i + 1) * width)
  // and new pixel x spans [x * source_width, (x + 1) * source_width): every overlap is a whole
  // number, so the weights are exact and the result the same everywhere.
  const auto new_width = static_cast<std::uint64_t>(width);
  const auto new_height = static_cast<std::uint64_t>(height);
  for (std::uint64_t y = 0; y < new_height; ++y) {
    const std::uint64_t top = y * source_height;
    const std::uint64_t bottom = top + source_height;
    for (std::uint64_t x = 0; x < new_width; ++x) {
      const std::uint64_t left = x * source_width;
      const std::uint64_t right = left + source_width;
      std::array<std::uint64_t, 3> premultiplied = {0, 0, 0};
      std::uint64_t alpha = 0;
      for (std::uint64_t sy = top / new_height; sy * new_height < bottom; ++sy) {
        const std::uint64_t weight_y =
            std::min(bottom, (sy + 1) * new_height) - std::max(top, sy * new_height);
        for (std::uint64_t sx = left / new_width; sx * new_width < right; ++sx) {
          const std::uint64_t weight_x =
              std::min(right, (sx + 1) * new_width) - std::max(left, sx * new_width);
          const std::uint8_t* in = &image.pixels[(sy * source_width + sx) * 4];
          const std::uint64_t weighted_alpha = weight_x * weight_y * in[3];
          for (std::size_t c = 0; c < 3; ++c) {
            premultiplied[c] += weighted_alpha * in[c];
          }
          alpha += weighted_alpha;
        }
      }
      std::uint8_t* out = &scaled.pixels[(y * new_width + x) * 4];
      const std::uint64_t area = source_width * source_height;
      out[3] = static_cast<std::uint8_t>((alpha + area / 2) / area);
      for (std::size_t c = 0; c < 3; ++c) {
        out[c] =
            out[3] == 0 ? 0 : static_cast<std::uint8_t>((premultiplied[c] + alpha / 2) / alpha);
      }
    }
  }
  return scaled;
}

}  // namespace sonabrix::icon
