#pragma once

// Reading the program icon: an .ico file held in memory becomes its images, and any image becomes
// RGBA pixels, so that every front end can show the same picture the executable carries.
// No platform header, no exceptions: failures come back as values.

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace sonabrix::icon {

// One image of an icon: what the icon directory says of it, the real size from its own bitmap
// header, and its bytes exactly as stored. The directory holds sizes in one byte each, so an
// image of 256 pixels or more is listed there as 0 x 0; width and height are always real.
struct IconImage {
  int directory_width = 0;
  int directory_height = 0;
  int directory_color_count = 0;  // 0 unless the image has fewer than 256 colours
  int planes = 0;
  int bit_count = 0;
  int width = 0;
  int height = 0;                   // the header states twice this: colour bitmap plus mask
  std::vector<std::uint8_t> bytes;  // bitmap header, colour table, colour bitmap, mask
};

// Straight (not premultiplied) alpha; fully transparent pixels are 0, 0, 0, 0.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // top row first, 4 bytes a pixel: R, G, B, A
};

enum class IconFailure {
  kTruncated,          // the file ends inside its header or directory
  kNotAnIcon,          // the header does not announce an icon (a cursor, or not an .ico at all)
  kNoImages,           // the directory lists no image
  kImageOutsideFile,   // an image's offset and size reach past the end of the file
  kBadBitmapHeader,    // an image's header is malformed or promises more bytes than it has
  kUnsupportedFormat,  // a compressed image (PNG included), or a depth other than 1, 4, 8, 24, 32
};

// A short English sentence for a message to the user or a log.
std::string_view DescribeFailure(IconFailure failure);

using IconParse = std::variant<std::vector<IconImage>, IconFailure>;

// Every image is checked here, so that each one returned also decodes. One image that cannot be
// read fails the whole file: the program's own icon never has one.
IconParse ParseIcon(std::span<const std::uint8_t> file);

using RgbaDecode = std::variant<RgbaImage, IconFailure>;

// The mask gives alpha (set bit: transparent), except for a 32-bit image whose alpha channel is
// not all zero, whose own alpha is used, as Windows does. Safe on any IconImage, parsed or not.
RgbaDecode DecodeImage(const IconImage& image);

// Area-average resampling to width x height: each new pixel is the mean of the old pixels it
// covers, weighted by the covered area and by alpha, so that transparent pixels do not darken
// the edges. A width or height below 1, or an empty image, gives an empty image.
RgbaImage ScaleRgba(const RgbaImage& image, int width, int height);

}  // namespace sonabrix::icon
