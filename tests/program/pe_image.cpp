#include "tests/program/pe_image.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>
#include <utility>

namespace sonabrix::pe {
namespace {

using Bytes = std::span<const std::uint8_t>;

// The structure readers below take their spans from Slice, which has already checked the
// length; the checks here only keep a mistake in this file from reading out of bounds.
std::uint16_t Le16(Bytes data, std::size_t offset) {
  if (offset > data.size() || data.size() - offset < 2)
    return 0;
  return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::uint32_t Le32(Bytes data, std::size_t offset) {
  if (offset > data.size() || data.size() - offset < 4)
    return 0;
  return static_cast<std::uint32_t>(data[offset]) |
         static_cast<std::uint32_t>(data[offset + 1]) << 8 |
         static_cast<std::uint32_t>(data[offset + 2]) << 16 |
         static_cast<std::uint32_t>(data[offset + 3]) << 24;
}

std::optional<Bytes> Slice(Bytes data, std::uint64_t offset, std::uint64_t length) {
  if (offset > data.size() || length > data.size() - offset)
    return std::nullopt;
  return data.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Number(std::uint64_t value) {
  return std::to_string(value);
}

void AppendUtf8(std::string& text, char32_t code_point) {
  if (code_point < 0x80) {
    text += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    text += static_cast<char>(0xC0 | code_point >> 6);
    text += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    text += static_cast<char>(0xE0 | code_point >> 12);
    text += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | code_point >> 18);
    text += static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    text += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// Unpaired surrogates become U+FFFD, so a damaged name still prints.
std::string Utf8FromUtf16(const std::vector<char16_t>& units) {
  std::string text;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit < 0xE000) {
      AppendUtf8(text, 0xFFFD);
    } else {
      AppendUtf8(text, unit);
    }
  }
  return text;
}

std::vector<char16_t> Utf16Units(Bytes data) {
  std::vector<char16_t> units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    units.push_back(Le16(data, i));
  return units;
}

// A NUL-terminated UTF-16 text in [offset, end): the text, and where the next byte after its
// NUL lies. Null when no NUL comes before `end`.
std::optional<std::pair<std::string, std::size_t>> TerminatedUtf16(Bytes data, std::size_t offset,
                                                                   std::size_t end) {
  std::vector<char16_t> units;
  for (std::size_t at = offset; at + 2 <= end; at += 2) {
    const char16_t unit = Le16(data, at);
    if (unit == 0)
      return std::pair{Utf8FromUtf16(units), at + 2};
    units.push_back(unit);
  }
  return std::nullopt;
}

std::size_t Align4(std::size_t offset) {
  return (offset + 3) & ~std::size_t{3};
}

}  // namespace

std::string Describe(const ResourceName& name) {
  if (const auto* id = std::get_if<std::uint32_t>(&name))
    return Number(*id);
  return "\"" + std::get<std::string>(name) + "\"";
}

Result<Image> Image::Read(std::vector<std::uint8_t> bytes) {
  Image image;
  image.bytes_ = std::move(bytes);
  const Bytes file(image.bytes_);

  const auto dos = Slice(file, 0, 64);
  if (!dos) {
    return Error{"file of " + Number(file.size()) + " bytes is too short for a DOS header"};
  }
  if ((*dos)[0] != 'M' || (*dos)[1] != 'Z')
    return Error{"no MZ signature at the start"};

  const std::uint32_t pe_offset = Le32(*dos, 0x3C);
  const auto pe = Slice(file, pe_offset, 4 + 20);
  if (!pe) {
    return Error{"PE header at " + Hex(pe_offset) + " runs past the end of the file (" +
                 Number(file.size()) + " bytes)"};
  }
  if (!std::equal(pe->begin(), pe->begin() + 4, "PE\0\0")) {
    return Error{"no PE signature at " + Hex(pe_offset)};
  }
  const Bytes coff = pe->subspan(4);
  image.machine_ = Le16(coff, 0);
  const std::uint16_t section_count = Le16(coff, 2);
  const std::uint16_t optional_size = Le16(coff, 16);
  image.characteristics_ = Le16(coff, 18);

  const std::uint64_t optional_offset = std::uint64_t{pe_offset} + 24;
  const auto optional = Slice(file, optional_offset, optional_size);
  if (!optional) {
    return Error{"optional header (" + Number(optional_size) + " bytes at " + Hex(optional_offset) +
                 ") runs past the end of the file"};
  }
  if (optional->size() < 2)
    return Error{"optional header too short for its magic"};
  image.magic_ = Le16(*optional, 0);
  std::size_t count_at = 0;
  if (image.magic_ == kMagicPe32) {
    count_at = 92;
  } else if (image.magic_ == kMagicPe32Plus) {
    count_at = 108;
  } else {
    return Error{"unknown optional header magic " + Hex(image.magic_)};
  }
  const std::size_t directories_at = count_at + 4;
  if (optional->size() < directories_at) {
    return Error{"optional header of " + Number(optional->size()) + " bytes is too short for " +
                 (image.magic_ == kMagicPe32 ? "PE32" : "PE32+") + " (" + Number(directories_at) +
                 " bytes)"};
  }
  image.size_of_headers_ = Le32(*optional, 60);
  image.subsystem_ = Le16(*optional, 68);
  image.dll_characteristics_ = Le16(*optional, 70);
  // The loader reads no more than the 16 directories that the format defines.
  const std::uint32_t directory_count = std::min<std::uint32_t>(Le32(*optional, count_at), 16);
  const auto directories = Slice(*optional, directories_at, std::uint64_t{directory_count} * 8);
  if (!directories) {
    return Error{"optional header of " + Number(optional->size()) + " bytes is too short for " +
                 Number(directory_count) + " data directories"};
  }
  for (std::uint32_t i = 0; i < directory_count; ++i) {
    image.directories_.push_back({Le32(*directories, i * 8), Le32(*directories, i * 8 + 4)});
  }

  const std::uint64_t table_offset = optional_offset + optional_size;
  const auto table = Slice(file, table_offset, std::uint64_t{section_count} * 40);
  if (!table) {
    return Error{"section table (" + Number(section_count) + " sections at " + Hex(table_offset) +
                 ") runs past the end of the file"};
  }
  for (std::size_t i = 0; i < section_count; ++i) {
    const Bytes entry = table->subspan(i * 40, 40);
    Section section;
    const auto name_end = std::find(entry.begin(), entry.begin() + 8, 0);
    section.name.assign(entry.begin(), name_end);
    section.virtual_size = Le32(entry, 8);
    section.virtual_address = Le32(entry, 12);
    section.raw_size = Le32(entry, 16);
    section.raw_offset = Le32(entry, 20);
    section.characteristics = Le32(entry, 36);
    if (section.raw_size != 0 && !Slice(file, section.raw_offset, section.raw_size)) {
      return Error{"data of section " + section.name + " (" + Number(section.raw_size) +
                   " bytes at " + Hex(section.raw_offset) + ") runs past the end of the file (" +
                   Number(file.size()) + " bytes)"};
    }
    image.sections_.push_back(std::move(section));
  }
  return image;
}

DataDirectory Image::directory(std::size_t index) const {
  return index < directories_.size() ? directories_[index] : DataDirectory{0, 0};
}

std::optional<std::uint32_t> Image::FileOffset(std::uint32_t rva, std::uint32_t size) const {
  const std::uint64_t end = std::uint64_t{rva} + size;
  if (end <= size_of_headers_ && end <= bytes_.size())
    return rva;
  for (const Section& section : sections_) {
    // Past its file data a section is zero fill in memory, with nothing in the file to read.
    const std::uint32_t backed = section.virtual_size == 0
                                     ? section.raw_size
                                     : std::min(section.virtual_size, section.raw_size);
    if (rva >= section.virtual_address && end <= std::uint64_t{section.virtual_address} + backed) {
      return section.raw_offset + (rva - section.virtual_address);
    }
  }
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> Image::BytesAt(std::uint32_t rva,
                                                            std::uint32_t size) const {
  const auto offset = FileOffset(rva, size);
  if (!offset)
    return std::nullopt;
  return Slice(bytes_, *offset, size);
}

Result<std::vector<std::string>> Image::ImportedDlls() const {
  const DataDirectory imports = directory(kImportDirectory);
  std::vector<std::string> names;
  if (imports.rva == 0)
    return names;
  // Descriptors run until an all-zero one; each must lie in the file, so the walk ends within
  // the section that holds them.
  for (std::uint64_t index = 0;; ++index) {
    const std::uint64_t rva = imports.rva + index * 20;
    const auto descriptor =
        rva + 20 > UINT32_MAX ? std::nullopt : BytesAt(static_cast<std::uint32_t>(rva), 20);
    if (!descriptor) {
      return Error{"import descriptor " + Number(index) + " at RVA " + Hex(rva) +
                   " lies outside the file's data"};
    }
    if (std::all_of(descriptor->begin(), descriptor->end(), [](auto b) { return b == 0; }))
      break;
    const std::uint32_t name_rva = Le32(*descriptor, 12);
    if (name_rva == 0)
      return Error{"import descriptor " + Number(index) + " has no DLL name"};
    // A DLL name is a file name, so MAX_PATH bounds it.
    std::string name;
    for (std::uint32_t at = name_rva;; ++at) {
      const auto byte = name.size() < 260 ? BytesAt(at, 1) : std::nullopt;
      if (!byte) {
        return Error{"DLL name of import descriptor " + Number(index) + " (RVA " + Hex(name_rva) +
                     ") is not a terminated string within the file"};
      }
      if ((*byte)[0] == 0)
        break;
      name += static_cast<char>((*byte)[0]);
    }
    names.push_back(std::move(name));
  }
  return names;
}

namespace {

class ResourceWalk {
 public:
  ResourceWalk(const Image& image, Bytes tree, std::uint64_t data_limit)
      : image_(image), tree_(tree), data_limit_(data_limit) {}

  std::optional<Error> Directory(std::uint32_t offset, int level, const ResourceName& type,
                                 const ResourceName& name) {
    if (!directories_.insert(offset).second) {
      return Error{"resource directory at offset " + Hex(offset) + " is reached twice"};
    }
    const auto header = Slice(tree_, offset, 16);
    if (!header)
      return Error{"resource directory at offset " + Hex(offset) + OutsideTree()};
    const std::uint32_t count = std::uint32_t{Le16(*header, 12)} + Le16(*header, 14);
    // Entries never share bytes in a sound tree, so the tree's size bounds their number.
    entries_seen_ += count;
    const auto entries = Slice(tree_, std::uint64_t{offset} + 16, std::uint64_t{count} * 8);
    if (!entries || entries_seen_ * 8 > tree_.size()) {
      return Error{"resource directory at offset " + Hex(offset) + " with " + Number(count) +
                   " entries" + OutsideTree()};
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t key_field = Le32(*entries, i * 8);
      const std::uint32_t target = Le32(*entries, i * 8 + 4);
      Result<ResourceName> key = Key(key_field);
      if (const auto* error = std::get_if<Error>(&key))
        return *error;
      const ResourceName& id = std::get<ResourceName>(key);
      const bool is_directory = (target & 0x80000000) != 0;
      const std::uint32_t target_offset = target & 0x7FFFFFFF;
      if (level < 2) {
        if (!is_directory) {
          return Error{"resource " + Path(type, name, id, level) +
                       " leads to data where a directory belongs"};
        }
        const auto failure = level == 0 ? Directory(target_offset, 1, id, name)
                                        : Directory(target_offset, 2, type, id);
        if (failure)
          return failure;
        continue;
      }
      const std::string path = Path(type, name, id, level);
      if (is_directory)
        return Error{"resource " + path + " leads to a fourth directory level"};
      const auto* language = std::get_if<std::uint32_t>(&id);
      if (!language)
        return Error{"resource " + path + " has a named language"};
      if (auto failure = Leaf(target_offset, type, name, *language, path))
        return failure;
    }
    return std::nullopt;
  }

  std::vector<Resource> TakeResources() { return std::move(resources_); }

 private:
  static std::string OutsideTree() { return " runs past the end of the resource data"; }

  static std::string Path(const ResourceName& type, const ResourceName& name,
                          const ResourceName& id, int level) {
    if (level == 0)
      return Describe(id);
    if (level == 1)
      return Describe(type) + "/" + Describe(id);
    return Describe(type) + "/" + Describe(name) + "/" + Describe(id);
  }

  Result<ResourceName> Key(std::uint32_t field) const {
    if ((field & 0x80000000) == 0)
      return ResourceName{field};
    const std::uint32_t offset = field & 0x7FFFFFFF;
    const auto length = Slice(tree_, offset, 2);
    const auto text =
        length ? Slice(tree_, std::uint64_t{offset} + 2, Le16(*length, 0) * 2ull) : std::nullopt;
    if (!text)
      return Error{"resource name at offset " + Hex(offset) + OutsideTree()};
    return ResourceName{Utf8FromUtf16(Utf16Units(*text))};
  }

  std::optional<Error> Leaf(std::uint32_t offset, const ResourceName& type,
                            const ResourceName& name, std::uint32_t language,
                            const std::string& path) {
    const auto entry = Slice(tree_, offset, 16);
    if (!entry)
      return Error{"data entry of resource " + path + OutsideTree()};
    const std::uint32_t rva = Le32(*entry, 0);
    const std::uint32_t size = Le32(*entry, 4);
    const auto data = image_.BytesAt(rva, size);
    if (!data) {
      return Error{"data of resource " + path + " (" + Number(size) + " bytes at RVA " + Hex(rva) +
                   ") lies outside the file's data"};
    }
    // Sound resources do not overlap, so together they fit in the file; this stops a tree of
    // entries that all point at one large block from copying it without end.
    data_copied_ += size;
    if (data_copied_ > data_limit_) {
      return Error{"resource data adds up to more than the file holds at resource " + path};
    }
    resources_.push_back({type, name, language, Le32(*entry, 8), {data->begin(), data->end()}});
    return std::nullopt;
  }

  const Image& image_;
  Bytes tree_;
  std::uint64_t data_limit_;
  std::set<std::uint32_t> directories_;
  std::uint64_t entries_seen_ = 0;
  std::uint64_t data_copied_ = 0;
  std::vector<Resource> resources_;
};

}  // namespace

Result<std::vector<Resource>> Image::Resources() const {
  const DataDirectory resources = directory(kResourceDirectory);
  if (resources.rva == 0 && resources.size == 0)
    return std::vector<Resource>{};
  const auto tree = BytesAt(resources.rva, resources.size);
  if (!tree) {
    return Error{"resource directory (" + Number(resources.size) + " bytes at RVA " +
                 Hex(resources.rva) + ") lies outside the file's data"};
  }
  ResourceWalk walk(*this, *tree, bytes_.size());
  if (auto failure = walk.Directory(0, 0, ResourceName{}, ResourceName{}))
    return *failure;
  return walk.TakeResources();
}

Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    return Error{path.string() + " is not a file that can be read"};
  }
  // Far above any program or icon that this reads, and below what would strain a test host.
  constexpr std::uintmax_t kLargest = 256u << 20;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error)
    return Error{"cannot read the size of " + path.string() + ": " + error.message()};
  if (size > kLargest) {
    return Error{path.string() + " is larger than " + Number(kLargest) + " bytes"};
  }
  std::ifstream stream(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                  std::istreambuf_iterator<char>()};
  if (stream.bad())
    return Error{"cannot read " + path.string()};
  return bytes;
}

Result<Image> ReadImageFile(const std::filesystem::path& path) {
  auto bytes = ReadFileBytes(path);
  if (auto* error = std::get_if<Error>(&bytes))
    return *error;
  auto image = Image::Read(std::move(std::get<std::vector<std::uint8_t>>(bytes)));
  if (auto* error = std::get_if<Error>(&image))
    return Error{path.string() + ": " + error->message};
  return image;
}

const Resource* Find(const std::vector<Resource>& resources, const ResourceName& type,
                     const ResourceName& name) {
  const auto found = std::find_if(resources.begin(), resources.end(), [&](const Resource& r) {
    return r.type == type && r.name == name;
  });
  return found == resources.end() ? nullptr : &*found;
}

namespace {

// The 6-byte header that .ico files and icon groups share: reserved 0, type 1, count.
Result<std::uint16_t> IconCount(Bytes data, const char* what) {
  const auto header = Slice(data, 0, 6);
  if (!header)
    return Error{std::string(what) + " is too short for its header"};
  if (Le16(*header, 0) != 0 || Le16(*header, 2) != 1) {
    return Error{std::string(what) + " does not begin as an icon directory (reserved " +
                 Number(Le16(*header, 0)) + ", type " + Number(Le16(*header, 2)) + ")"};
  }
  return Le16(*header, 4);
}

IconDirectoryEntry ReadIconEntry(Bytes entry) {
  return {entry[0], entry[1], entry[2], Le16(entry, 4), Le16(entry, 6), Le32(entry, 8)};
}

}  // namespace

Result<std::vector<IconGroupEntry>> ReadIconGroup(std::span<const std::uint8_t> data) {
  const auto count = IconCount(data, "icon group");
  if (const auto* error = std::get_if<Error>(&count))
    return *error;
  const std::uint16_t n = std::get<std::uint16_t>(count);
  const auto entries = Slice(data, 6, n * 14ull);
  if (!entries) {
    return Error{"icon group of " + Number(data.size()) + " bytes is too short for its " +
                 Number(n) + " entries"};
  }
  std::vector<IconGroupEntry> group;
  for (std::size_t i = 0; i < n; ++i) {
    const Bytes entry = entries->subspan(i * 14, 14);
    group.push_back({ReadIconEntry(entry), Le16(entry, 12)});
  }
  return group;
}

Result<std::vector<IconFileImage>> ReadIconFile(std::span<const std::uint8_t> data) {
  const auto count = IconCount(data, "icon file");
  if (const auto* error = std::get_if<Error>(&count))
    return *error;
  const std::uint16_t n = std::get<std::uint16_t>(count);
  const auto entries = Slice(data, 6, n * 16ull);
  if (!entries) {
    return Error{"icon file of " + Number(data.size()) + " bytes is too short for its " +
                 Number(n) + " entries"};
  }
  std::vector<IconFileImage> images;
  for (std::size_t i = 0; i < n; ++i) {
    const Bytes entry = entries->subspan(i * 16, 16);
    const IconDirectoryEntry fields = ReadIconEntry(entry);
    const std::uint32_t offset = Le32(entry, 12);
    const auto image = Slice(data, offset, fields.bytes);
    if (!image) {
      return Error{"image " + Number(i + 1) + " of the icon file (" + Number(fields.bytes) +
                   " bytes at " + Hex(offset) + ") runs past its end"};
    }
    images.push_back({fields, {image->begin(), image->end()}});
  }
  return images;
}

Result<BitmapHeader> ReadBitmapHeader(std::span<const std::uint8_t> data) {
  const auto header = Slice(data, 0, 40);
  if (!header) {
    return Error{"image of " + Number(data.size()) + " bytes is too short for a bitmap header"};
  }
  return BitmapHeader{Le32(*header, 0),
                      static_cast<std::int32_t>(Le32(*header, 4)),
                      static_cast<std::int32_t>(Le32(*header, 8)),
                      Le16(*header, 12),
                      Le16(*header, 14),
                      Le32(*header, 16)};
}

const VersionNode* VersionNode::Child(std::string_view child_key) const {
  const auto found = std::find_if(children.begin(), children.end(),
                                  [&](const VersionNode& child) { return child.key == child_key; });
  return found == children.end() ? nullptr : &*found;
}

namespace {

// The blocks that a version resource holds nest four deep; more is damage, not data.
constexpr int kDeepestVersionBlock = 8;

// Offsets count from the start of the resource, to which the 32-bit alignment refers.
Result<VersionNode> ReadVersionBlock(Bytes data, std::size_t offset, std::size_t end, int depth,
                                     std::size_t& block_length) {
  const std::string where = "version block at " + Hex(offset);
  if (depth > kDeepestVersionBlock) {
    return Error{where + " is nested deeper than " + Number(kDeepestVersionBlock)};
  }
  if (end - offset < 6)
    return Error{where + " is too short for its header"};
  const std::uint16_t length = Le16(data, offset);
  const std::uint16_t value_length = Le16(data, offset + 2);
  VersionNode node;
  node.type = Le16(data, offset + 4);
  if (length < 6 || length > end - offset) {
    return Error{where + " claims " + Number(length) + " bytes where " + Number(end - offset) +
                 " remain"};
  }
  const std::size_t block_end = offset + length;
  const auto key = TerminatedUtf16(data, offset + 6, block_end);
  if (!key)
    return Error{where + " has no terminated key"};
  node.key = key->first;
  std::size_t at = Align4(key->second);
  if (node.type == 1) {
    const std::size_t value_end = std::min(at + value_length * std::size_t{2}, block_end);
    if (at < value_end) {
      const auto text = TerminatedUtf16(data, at, value_end);
      node.text = text ? text->first : Utf8FromUtf16(Utf16Units(data.subspan(at, value_end - at)));
    }
    at = value_end;
  } else if (node.type == 0) {
    if (value_length > block_end - std::min(at, block_end)) {
      return Error{"value of version block \"" + node.key + "\" (" + Number(value_length) +
                   " bytes) runs past its end"};
    }
    node.value.assign(data.begin() + at, data.begin() + at + value_length);
    at += value_length;
  } else {
    return Error{"version block \"" + node.key + "\" has unknown type " + Number(node.type)};
  }
  for (at = Align4(at); at < block_end && block_end - at >= 6;) {
    std::size_t child_length = 0;
    auto child = ReadVersionBlock(data, at, block_end, depth + 1, child_length);
    if (const auto* error = std::get_if<Error>(&child))
      return *error;
    node.children.push_back(std::move(std::get<VersionNode>(child)));
    at = Align4(at + child_length);
  }
  block_length = length;
  return node;
}

}  // namespace

Result<VersionNode> ReadVersionTree(std::span<const std::uint8_t> data) {
  std::size_t length = 0;
  return ReadVersionBlock(data, 0, data.size(), 0, length);
}

Result<FixedFileInfo> ReadFixedFileInfo(std::span<const std::uint8_t> value) {
  const auto fields = Slice(value, 0, 52);
  if (!fields) {
    return Error{"fixed file info of " + Number(value.size()) + " bytes is shorter than 52"};
  }
  const auto field = [&](std::size_t index) { return Le32(*fields, index * 4); };
  return FixedFileInfo{field(0), field(1), field(2), field(3),  field(4),  field(5), field(6),
                       field(7), field(8), field(9), field(10), field(11), field(12)};
}

}  // namespace sonabrix::pe
