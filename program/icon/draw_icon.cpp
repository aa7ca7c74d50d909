// Draws the program icon from the shapes below and writes it as the six-image .ico file that the
// executable and the windows carry: draw_icon OUT.ico
//
// The output must be the same byte for byte on every run, so everything here is plain double
// arithmetic (+, -, *, /, sqrt, all exactly rounded) and integer colour work; no library maths
// function whose last bit may differ between C libraries.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <span>
#include <tuple>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// The picture, in a unit square with y pointing down.

struct Point {
  double x;
  double y;
};

struct Color {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

enum class ShapeKind { kRoundedBox, kEllipse, kOutline };

struct Shape {
  ShapeKind kind;
  // kRoundedBox: the box's corners and the radius of its rounding. kEllipse: the centre in
  // `from`, the two radii in `to`, the direction of the first radius in `axis`.
  Point from = {};
  Point to = {};
  double corner = 0;
  Point axis = {1, 0};
  // A box whose left and right edges are placed on whole pixels at sizes up to this one, at
  // least one pixel apart, so that a thin stroke stays sharp where there are few pixels.
  int snap_up_to = 0;
  // kOutline: a closed outline of quadratic curves, the start point followed by (control, end)
  // pairs, the last end joined back to the start by a straight line. Inside by the even-odd rule.
  std::span<const Point> outline = {};
};

// A layer paints the union of its shapes in one paint. The first layer is the tile: it alone
// decides which pixels are opaque, and the others paint only where it does.
struct Layer {
  std::span<const Shape> shapes;
  Color color_from;  // at the top left corner of the unit square
  Color color_to;    // at the bottom right; the same as color_from for a flat paint
  double opacity = 1;
  Point offset = {};
  double blur = 0;    // the radius of a soft edge, in the unit square; for the shadow
  int from_size = 0;  // drawn only at this size and larger
};

constexpr Shape kTile[] = {
    {.kind = ShapeKind::kRoundedBox, .from = {0, 0}, .to = {1, 1}, .corner = 0.1875},
};

constexpr Point kFlag[] = {
    {0.521875, 0.150},                     // inside the stem: its snapped edge must show
    {0.534375, 0.150}, {0.546875, 0.150},  // along the stem's top to its right edge
    {0.574375, 0.250}, {0.664375, 0.320},  // steeply down from the stem
    {0.844375, 0.450}, {0.744375, 0.660},  // the swell, ending in the tip
    {0.764375, 0.520}, {0.644375, 0.470},  // back up the inner edge
    {0.564375, 0.440}, {0.521875, 0.440},  // into the stem again
};

// An eighth note: an oval head tilted 22 degrees up to the right, a stem rising from its right
// side, and a flag. The head's rightmost point just meets the stem's right edge.
constexpr Shape kNote[] = {
    {.kind = ShapeKind::kEllipse,
     .from = {0.3832, 0.7050},
     .to = {0.1700, 0.1180},
     .axis = {0.927, -0.375}},
    {.kind = ShapeKind::kRoundedBox,
     .from = {0.496875, 0.150},
     .to = {0.546875, 0.700},
     .snap_up_to = 64},
    {.kind = ShapeKind::kOutline, .outline = kFlag},
};

constexpr Color kTileLight = {40, 184, 178};
constexpr Color kTileDark = {10, 92, 126};
constexpr Color kWhite = {255, 255, 255};
constexpr Color kShadow = {0, 32, 44};

constexpr Layer kLayers[] = {
    {.shapes = kTile, .color_from = kTileLight, .color_to = kTileDark},
    {.shapes = kNote,
     .color_from = kShadow,
     .color_to = kShadow,
     .opacity = 0.35,
     .offset = {0.012, 0.022},
     .blur = 0.02,
     .from_size = 64},
    {.shapes = kNote, .color_from = kWhite, .color_to = kWhite},
};

// ---------------------------------------------------------------------------------------------
// Drawing.

// Light adds up linearly, so coverage is blended in linear light; squaring stands in for the
// sRGB curve, close enough here and exact to the last bit everywhere.
struct Linear {
  double red;
  double green;
  double blue;
};

Linear ToLinear(Color color) {
  const auto channel = [](std::uint8_t value) {
    const double v = value / 255.0;
    return v * v;
  };
  return {channel(color.red), channel(color.green), channel(color.blue)};
}

Color ToColor(Linear linear) {
  const auto channel = [](double value) {
    const double v = std::sqrt(std::clamp(value, 0.0, 1.0)) * 255.0;
    return static_cast<std::uint8_t>(v + 0.5);
  };
  return {channel(linear.red), channel(linear.green), channel(linear.blue)};
}

Linear Mix(Linear from, Linear to, double amount) {
  return {from.red + (to.red - from.red) * amount, from.green + (to.green - from.green) * amount,
          from.blue + (to.blue - from.blue) * amount};
}

Point Quadratic(Point start, Point control, Point end, double t) {
  const double u = 1 - t;
  return {u * u * start.x + 2 * u * t * control.x + t * t * end.x,
          u * u * start.y + 2 * u * t * control.y + t * t * end.y};
}

// A shape made ready for one size: in pixels, its outline flattened to straight edges.
struct PreparedShape {
  ShapeKind kind;
  Point from;
  Point to;
  double corner;
  Point axis;
  std::vector<Point> polygon;
  Point box_min;
  Point box_max;
};

PreparedShape Prepare(const Shape& shape, int size, Point offset) {
  const double scale = size;
  const auto place = [&](Point p) {
    return Point{(p.x + offset.x) * scale, (p.y + offset.y) * scale};
  };
  PreparedShape prepared{shape.kind, {}, {}, shape.corner * scale, shape.axis, {}, {}, {}};
  switch (shape.kind) {
    case ShapeKind::kRoundedBox: {
      prepared.from = place(shape.from);
      prepared.to = place(shape.to);
      if (size <= shape.snap_up_to) {
        prepared.from.x = std::floor(prepared.from.x + 0.5);
        prepared.to.x = std::max(std::floor(prepared.to.x + 0.5), prepared.from.x + 1);
      }
      prepared.box_min = prepared.from;
      prepared.box_max = prepared.to;
      break;
    }
    case ShapeKind::kEllipse: {
      prepared.from = place(shape.from);
      prepared.to = {shape.to.x * scale, shape.to.y * scale};
      const double length = std::sqrt(shape.axis.x * shape.axis.x + shape.axis.y * shape.axis.y);
      prepared.axis = {shape.axis.x / length, shape.axis.y / length};
      const double reach = std::max(prepared.to.x, prepared.to.y);
      prepared.box_min = {prepared.from.x - reach, prepared.from.y - reach};
      prepared.box_max = {prepared.from.x + reach, prepared.from.y + reach};
      break;
    }
    case ShapeKind::kOutline: {
      constexpr int kStepsPerCurve = 32;
      prepared.polygon.push_back(place(shape.outline[0]));
      for (std::size_t i = 1; i + 1 < shape.outline.size(); i += 2) {
        const Point start = place(shape.outline[i - 1]);
        const Point control = place(shape.outline[i]);
        const Point end = place(shape.outline[i + 1]);
        for (int step = 1; step <= kStepsPerCurve; ++step) {
          prepared.polygon.push_back(
              Quadratic(start, control, end, static_cast<double>(step) / kStepsPerCurve));
        }
      }
      prepared.box_min = prepared.box_max = prepared.polygon.front();
      for (const Point& p : prepared.polygon) {
        prepared.box_min = {std::min(prepared.box_min.x, p.x), std::min(prepared.box_min.y, p.y)};
        prepared.box_max = {std::max(prepared.box_max.x, p.x), std::max(prepared.box_max.y, p.y)};
      }
      break;
    }
  }
  return prepared;
}

bool Inside(const PreparedShape& shape, Point p) {
  if (p.x < shape.box_min.x || p.x > shape.box_max.x || p.y < shape.box_min.y ||
      p.y > shape.box_max.y) {
    return false;
  }
  switch (shape.kind) {
    case ShapeKind::kRoundedBox: {
      // Distance from the box shrunk by the corner radius.
      const double dx =
          std::max({shape.from.x + shape.corner - p.x, 0.0, p.x - (shape.to.x - shape.corner)});
      const double dy =
          std::max({shape.from.y + shape.corner - p.y, 0.0, p.y - (shape.to.y - shape.corner)});
      return dx * dx + dy * dy <= shape.corner * shape.corner;
    }
    case ShapeKind::kEllipse: {
      const double dx = p.x - shape.from.x;
      const double dy = p.y - shape.from.y;
      const double along = (dx * shape.axis.x + dy * shape.axis.y) / shape.to.x;
      const double across = (dy * shape.axis.x - dx * shape.axis.y) / shape.to.y;
      return along * along + across * across <= 1;
    }
    case ShapeKind::kOutline: {
      bool inside = false;
      const std::vector<Point>& polygon = shape.polygon;
      for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[i];
        const Point b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
          inside = !inside;
        }
      }
      return inside;
    }
  }
  return false;
}

// The share of each pixel that the union of the shapes covers, from a grid of samples.
std::vector<double> Coverage(const Layer& layer, int size) {
  std::vector<PreparedShape> shapes;
  for (const Shape& shape : layer.shapes) {
    shapes.push_back(Prepare(shape, size, layer.offset));
  }
  const int samples = size <= 64 ? 16 : 8;
  std::vector<double> coverage(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int hits = 0;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const Point p = {x + (sx + 0.5) / samples, y + (sy + 0.5) / samples};
          hits += std::any_of(shapes.begin(), shapes.end(),
                              [&](const PreparedShape& shape) { return Inside(shape, p); });
        }
      }
      coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
               static_cast<std::size_t>(x)] = static_cast<double>(hits) / (samples * samples);
    }
  }
  return coverage;
}

// Three passes of a box blur each way come close to a Gaussian.
void Blur(std::vector<double>& values, int size, int radius) {
  if (radius < 1) {
    return;
  }
  std::vector<double> line(static_cast<std::size_t>(size));
  const auto pass = [&](std::size_t first, std::size_t stride) {
    for (int i = 0; i < size; ++i) {
      line[static_cast<std::size_t>(i)] = values[first + static_cast<std::size_t>(i) * stride];
    }
    for (int i = 0; i < size; ++i) {
      double sum = 0;
      for (int k = -radius; k <= radius; ++k) {
        const int at = i + k;
        if (at >= 0 && at < size) {
          sum += line[static_cast<std::size_t>(at)];
        }
      }
      values[first + static_cast<std::size_t>(i) * stride] = sum / (2 * radius + 1);
    }
  };
  const auto count = static_cast<std::size_t>(size);
  for (int round = 0; round < 3; ++round) {
    for (std::size_t row = 0; row < count; ++row) {
      pass(row * count, 1);
    }
    for (std::size_t column = 0; column < count; ++column) {
      pass(column, count);
    }
  }
}

// One drawn size: a colour for every pixel, and which pixels the mask leaves opaque.
struct Picture {
  int size = 0;
  std::vector<Color> colors;  // top row first
  std::vector<bool> opaque;
};

Picture Draw(int size) {
  const auto pixels = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  std::vector<Linear> light(pixels);
  std::vector<double> tile;
  for (const Layer& layer : kLayers) {
    if (size < layer.from_size) {
      continue;
    }
    std::vector<double> coverage = Coverage(layer, size);
    Blur(coverage, size, static_cast<int>(layer.blur * size + 0.5));
    const Linear from = ToLinear(layer.color_from);
    const Linear to = ToLinear(layer.color_to);
    for (std::size_t i = 0; i < pixels; ++i) {
      const double x = (static_cast<double>(i % static_cast<std::size_t>(size)) + 0.5) / size;
      const double y = (static_cast<double>(i / static_cast<std::size_t>(size)) + 0.5) / size;
      const Linear paint = Mix(from, to, (x + y) / 2);
      light[i] = tile.empty() ? paint : Mix(light[i], paint, coverage[i] * layer.opacity);
    }
    if (tile.empty()) {
      tile = std::move(coverage);
    }
  }

  Picture picture;
  picture.size = size;
  picture.colors.resize(pixels);
  picture.opaque.resize(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    picture.opaque[i] = tile[i] >= 0.5;
    picture.colors[i] = picture.opaque[i] ? ToColor(light[i]) : Color{0, 0, 0};
  }
  return picture;
}

// ---------------------------------------------------------------------------------------------
// Colours for the paletted images.

using Palette = std::vector<Color>;

// A paletted image's colour table, and the entries its opaque pixels are drawn in. Index 0 is
// black, for the transparent pixels.
struct ColorTable {
  Palette colors;
  std::vector<std::uint8_t> drawn;
};

// The 16 colours every display has had, in their usual order. The picture is drawn only in the
// tile's teal, silver and white: the nearest of all sixteen would edge the white note with grey
// and olive where it is smoothed.
ColorTable StandardSixteenColors() {
  return {{{0, 0, 0},
           {128, 0, 0},
           {0, 128, 0},
           {128, 128, 0},
           {0, 0, 128},
           {128, 0, 128},
           {0, 128, 128},
           {192, 192, 192},
           {128, 128, 128},
           {255, 0, 0},
           {0, 255, 0},
           {255, 255, 0},
           {0, 0, 255},
           {255, 0, 255},
           {0, 255, 255},
           {255, 255, 255}},
          {6, 7, 15}};
}

int Distance(Color a, Color b) {
  const int red = a.red - b.red;
  const int green = a.green - b.green;
  const int blue = a.blue - b.blue;
  return red * red + green * green + blue * blue;
}

// The first of the nearest entries, so that ties always go the same way.
std::uint8_t Index(const ColorTable& table, Color color, bool opaque) {
  if (!opaque || table.drawn.empty()) {
    return 0;
  }
  std::uint8_t best = table.drawn.front();
  for (const std::uint8_t index : table.drawn) {
    if (Distance(table.colors[index], color) < Distance(table.colors[best], color)) {
      best = index;
    }
  }
  return best;
}

std::uint8_t Channel(Color color, int channel) {
  return channel == 0 ? color.red : channel == 1 ? color.green : color.blue;
}

// The 256 colours of the 8-bit images: black first, for the transparent pixels, then 255 made
// for the picture by median cut over the opaque pixels of the pictures given. Integer work
// throughout, with every sort fully ordered, so the palette never varies.
ColorTable MedianCutPalette(std::span<const Picture> pictures) {
  std::vector<Color> colors;
  for (const Picture& picture : pictures) {
    for (std::size_t i = 0; i < picture.colors.size(); ++i) {
      if (picture.opaque[i]) {
        colors.push_back(picture.colors[i]);
      }
    }
  }
  const auto order = [](Color a, Color b) {
    return std::tie(a.red, a.green, a.blue) < std::tie(b.red, b.green, b.blue);
  };
  std::sort(colors.begin(), colors.end(), order);

  struct Box {
    std::size_t begin;
    std::size_t end;
  };
  const auto widest_channel = [&](Box box, int& width) {
    int best = 0;
    width = -1;
    for (int channel = 0; channel < 3; ++channel) {
      const auto [low, high] = std::minmax_element(
          colors.begin() + static_cast<std::ptrdiff_t>(box.begin),
          colors.begin() + static_cast<std::ptrdiff_t>(box.end),
          [&](Color a, Color b) { return Channel(a, channel) < Channel(b, channel); });
      const int channel_width = Channel(*high, channel) - Channel(*low, channel);
      if (channel_width > width) {
        width = channel_width;
        best = channel;
      }
    }
    return best;
  };

  constexpr std::size_t kColors = 255;
  std::vector<Box> boxes;
  if (!colors.empty()) {
    boxes.push_back({0, colors.size()});
  }
  while (boxes.size() < kColors) {
    // Split the box whose colours spread widest; a box of one colour cannot be split.
    std::size_t chosen = boxes.size();
    int chosen_width = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      int width = 0;
      widest_channel(boxes[i], width);
      if (width > chosen_width) {
        chosen = i;
        chosen_width = width;
      }
    }
    if (chosen == boxes.size()) {
      break;
    }
    const Box box = boxes[chosen];
    int width = 0;
    const int channel = widest_channel(box, width);
    const auto first = colors.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = colors.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last, [&](Color a, Color b) {
      return Channel(a, channel) != Channel(b, channel) ? Channel(a, channel) < Channel(b, channel)
                                                        : order(a, b);
    });
    // Cut at the median, moved off a run of equal values so both halves are non-empty.
    std::size_t cut = box.begin + (box.end - box.begin) / 2;
    const std::uint8_t median = Channel(colors[cut], channel);
    while (cut > box.begin && Channel(colors[cut - 1], channel) == median) {
      --cut;
    }
    if (cut == box.begin) {
      while (cut < box.end && Channel(colors[cut], channel) == median) {
        ++cut;
      }
    }
    boxes[chosen] = {box.begin, cut};
    boxes.push_back({cut, box.end});
  }

  Palette palette = {{0, 0, 0}};
  for (const Box& box : boxes) {
    std::array<std::uint64_t, 3> sum = {0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i) {
      for (int channel = 0; channel < 3; ++channel) {
        sum[static_cast<std::size_t>(channel)] += Channel(colors[i], channel);
      }
    }
    const std::uint64_t count = box.end - box.begin;
    const auto mean = [&](std::size_t channel) {
      return static_cast<std::uint8_t>((sum[channel] + count / 2) / count);
    };
    palette.push_back({mean(0), mean(1), mean(2)});
  }
  ColorTable table{palette, {}};
  for (std::size_t i = 1; i < palette.size(); ++i) {
    table.drawn.push_back(static_cast<std::uint8_t>(i));
  }
  table.colors.resize(kColors + 1, Color{0, 0, 0});
  return table;
}

// ---------------------------------------------------------------------------------------------
// The .ico file.

class Bytes {
 public:
  void Byte(std::uint32_t value) { data_.push_back(static_cast<std::uint8_t>(value)); }
  void Word(std::uint32_t value) {
    Byte(value & 0xFF);
    Byte(value >> 8);
  }
  void Dword(std::uint32_t value) {
    Word(value & 0xFFFF);
    Word(value >> 16);
  }
  void Append(const std::vector<std::uint8_t>& more) {
    data_.insert(data_.end(), more.begin(), more.end());
  }
  void PadTo(std::size_t multiple, std::size_t row_start) {
    while ((data_.size() - row_start) % multiple != 0) {
      Byte(0);
    }
  }
  std::size_t Size() const { return data_.size(); }
  const std::vector<std::uint8_t>& Data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

// An uncompressed bitmap of 4, 8 or 24 bits with its mask, rows bottom-up and padded to four
// bytes, as an icon image is stored. The table is empty for 24 bits a pixel.
std::vector<std::uint8_t> EncodeImage(const Picture& picture, int bit_count,
                                      const ColorTable& table) {
  const int size = picture.size;
  const auto at = [&](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
           static_cast<std::size_t>(x);
  };
  const std::uint32_t bitmap_row = static_cast<std::uint32_t>((size * bit_count + 31) / 32 * 4);
  const std::uint32_t mask_row = static_cast<std::uint32_t>((size + 31) / 32 * 4);
  const auto rows = static_cast<std::uint32_t>(size);

  Bytes out;
  out.Dword(40);
  out.Dword(static_cast<std::uint32_t>(size));
  out.Dword(static_cast<std::uint32_t>(size * 2));
  out.Word(1);
  out.Word(static_cast<std::uint32_t>(bit_count));
  out.Dword(0);  // uncompressed
  out.Dword((bitmap_row + mask_row) * rows);
  out.Dword(0);
  out.Dword(0);
  out.Dword(0);  // all 2^bit_count colours
  out.Dword(0);
  for (const Color& color : table.colors) {
    out.Byte(color.blue);
    out.Byte(color.green);
    out.Byte(color.red);
    out.Byte(0);
  }
  for (int y = size - 1; y >= 0; --y) {
    const std::size_t row_start = out.Size();
    std::uint32_t pending = 0;
    for (int x = 0; x < size; ++x) {
      const Color color = picture.colors[at(x, y)];
      const bool opaque = picture.opaque[at(x, y)];
      if (bit_count == 24) {
        out.Byte(color.blue);
        out.Byte(color.green);
        out.Byte(color.red);
      } else if (bit_count == 8) {
        out.Byte(Index(table, color, opaque));
      } else if (x % 2 == 0) {
        pending = static_cast<std::uint32_t>(Index(table, color, opaque)) << 4;
      } else {
        out.Byte(pending | Index(table, color, opaque));
      }
    }
    if (bit_count == 4 && size % 2 != 0) {
      out.Byte(pending);
    }
    out.PadTo(4, row_start);
  }
  for (int y = size - 1; y >= 0; --y) {
    const std::size_t row_start = out.Size();
    std::uint32_t bits = 0;
    for (int x = 0; x < size; ++x) {
      bits = (bits << 1) | (picture.opaque[at(x, y)] ? 0 : 1);
      if (x % 8 == 7) {
        out.Byte(bits);
        bits = 0;
      }
    }
    if (size % 8 != 0) {
      out.Byte(bits << (8 - size % 8));
    }
    out.PadTo(4, row_start);
  }
  return out.Data();
}

struct ImageFormat {
  int size;
  int bit_count;
};

// The order matters: it is the order of the icon group in the executable.
constexpr ImageFormat kImages[] = {{64, 8}, {32, 8}, {16, 8}, {32, 4}, {16, 4}, {351, 24}};

std::vector<std::uint8_t> EncodeIcon() {
  std::vector<Picture> pictures;
  for (const int size : {16, 32, 64, 351}) {
    pictures.push_back(Draw(size));
  }
  const auto picture = [&](int size) -> const Picture& {
    return *std::find_if(pictures.begin(), pictures.end(),
                         [&](const Picture& p) { return p.size == size; });
  };
  const ColorTable full = MedianCutPalette(std::span(pictures).first(3));
  const ColorTable sixteen = StandardSixteenColors();
  const ColorTable none;

  std::vector<std::vector<std::uint8_t>> images;
  for (const ImageFormat& format : kImages) {
    const ColorTable& table = format.bit_count == 8 ? full : format.bit_count == 4 ? sixteen : none;
    images.push_back(EncodeImage(picture(format.size), format.bit_count, table));
  }

  Bytes out;
  out.Word(0);
  out.Word(1);  // an icon, not a cursor
  out.Word(static_cast<std::uint32_t>(images.size()));
  auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const ImageFormat& format = kImages[i];
    // One byte each for width and height: 0 stands for anything from 256 up.
    out.Byte(format.size < 256 ? static_cast<std::uint32_t>(format.size) : 0);
    out.Byte(format.size < 256 ? static_cast<std::uint32_t>(format.size) : 0);
    out.Byte(format.bit_count < 8 ? 1u << format.bit_count : 0);
    out.Byte(0);
    out.Word(1);
    out.Word(static_cast<std::uint32_t>(format.bit_count));
    out.Dword(static_cast<std::uint32_t>(images[i].size()));
    out.Dword(offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) {
    out.Append(image);
  }
  return out.Data();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_icon OUT.ico\n");
    return 2;
  }
  const std::vector<std::uint8_t> icon = EncodeIcon();
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "draw_icon: could not write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
