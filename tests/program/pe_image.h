#pragma once

// A reader for Windows executables (PE32 and PE32+), so that the tests can check what the
// cross-built program carries without running it. It reads bytes only, on any host: every
// offset and length from the file is checked before it is used, and whatever does not fit comes
// back as an Error that names the structure at fault. Nothing here throws for bad input.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sonabrix::pe {

struct Error {
  std::string message;
};

template <typename T>
using Result = std::variant<T, Error>;

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;

inline constexpr std::uint16_t kFileExecutableImage = 0x0002;
inline constexpr std::uint16_t kFileDll = 0x2000;

inline constexpr std::uint16_t kMagicPe32 = 0x010B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x020B;

inline constexpr std::uint16_t kSubsystemWindowsGui = 2;
inline constexpr std::uint16_t kSubsystemWindowsConsole = 3;

inline constexpr std::uint16_t kDllHighEntropyVa = 0x0020;
inline constexpr std::uint16_t kDllDynamicBase = 0x0040;
inline constexpr std::uint16_t kDllNxCompat = 0x0100;

inline constexpr std::uint32_t kResourceIcon = 3;
inline constexpr std::uint32_t kResourceRcData = 10;
inline constexpr std::uint32_t kResourceGroupIcon = 14;
inline constexpr std::uint32_t kResourceVersion = 16;
inline constexpr std::uint32_t kResourceManifest = 24;

struct Section {
  std::string name;  // the 8-byte field without its NUL padding
  std::uint32_t virtual_address;
  std::uint32_t virtual_size;
  std::uint32_t raw_offset;
  std::uint32_t raw_size;
  std::uint32_t characteristics;
};

struct DataDirectory {
  std::uint32_t rva;
  std::uint32_t size;
};

// A resource type or name: a number, or a string (as UTF-8) for a named entry.
using ResourceName = std::variant<std::uint32_t, std::string>;

std::string Describe(const ResourceName& name);  // 14, or "NAME" in quotes

// One leaf of the resource tree: type -> name -> language -> data.
struct Resource {
  ResourceName type;
  ResourceName name;
  std::uint32_t language;
  std::uint32_t code_page;
  std::vector<std::uint8_t> data;
};

class Image {
 public:
  // Checks the headers and the section table; the imports and resources are read on demand so
  // that a fault in one of them still leaves the headers to be checked.
  static Result<Image> Read(std::vector<std::uint8_t> bytes);

  std::uint16_t machine() const { return machine_; }
  std::uint16_t characteristics() const { return characteristics_; }
  std::uint16_t magic() const { return magic_; }
  std::uint16_t subsystem() const { return subsystem_; }
  std::uint16_t dll_characteristics() const { return dll_characteristics_; }
  const std::vector<Section>& sections() const { return sections_; }
  // Absent directories (beyond the header's count) read as zero.
  DataDirectory directory(std::size_t index) const;

  // Where the `size` bytes at `rva` lie in the file, when they lie wholly in the headers or in
  // one section's file data; bytes that exist only in memory (zero fill) have no offset.
  std::optional<std::uint32_t> FileOffset(std::uint32_t rva, std::uint32_t size) const;
  std::optional<std::span<const std::uint8_t>> BytesAt(std::uint32_t rva, std::uint32_t size) const;

  // The DLL names of the import directory, as the file spells them.
  Result<std::vector<std::string>> ImportedDlls() const;

  // Every leaf of the resource tree in file order. A directory reached twice (a loop, or a shared
  // subtree) is an error rather than a walk without end.
  Result<std::vector<Resource>> Resources() const;

 private:
  Image() = default;

  std::vector<std::uint8_t> bytes_;
  std::uint16_t machine_ = 0;
  std::uint16_t characteristics_ = 0;
  std::uint16_t magic_ = 0;
  std::uint16_t subsystem_ = 0;
  std::uint16_t dll_characteristics_ = 0;
  std::uint32_t size_of_headers_ = 0;
  std::vector<DataDirectory> directories_;
  std::vector<Section> sections_;
};

inline constexpr std::size_t kImportDirectory = 1;
inline constexpr std::size_t kResourceDirectory = 2;

Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path);
Result<Image> ReadImageFile(const std::filesystem::path& path);

// Null when the list has no such type and name; any language matches.
const Resource* Find(const std::vector<Resource>& resources, const ResourceName& type,
                     const ResourceName& name);

// The fields that an icon directory entry shares between an .ico file and an icon group
// resource. A width or height of 0 stands for 256 or more.
struct IconDirectoryEntry {
  std::uint8_t width;
  std::uint8_t height;
  std::uint8_t colour_count;
  std::uint16_t planes;
  std::uint16_t bit_count;
  std::uint32_t bytes;
};

struct IconGroupEntry : IconDirectoryEntry {
  std::uint16_t id;  // of the RT_ICON resource that holds the image
};

struct IconFileImage : IconDirectoryEntry {
  std::vector<std::uint8_t> data;
};

// An RT_GROUP_ICON resource: 6-byte header, then 14-byte entries.
Result<std::vector<IconGroupEntry>> ReadIconGroup(std::span<const std::uint8_t> data);
// An .ico file: 6-byte header, 16-byte entries, each with the offset and size of its image.
Result<std::vector<IconFileImage>> ReadIconFile(std::span<const std::uint8_t> data);

// The start of a BITMAPINFOHEADER, as an icon image begins.
struct BitmapHeader {
  std::uint32_t size;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t planes;
  std::uint16_t bit_count;
  std::uint32_t compression;
};

Result<BitmapHeader> ReadBitmapHeader(std::span<const std::uint8_t> data);

// One block of a version resource: VS_VERSIONINFO at the root, then StringFileInfo,
// StringTable, String, VarFileInfo, Var.
struct VersionNode {
  std::string key;
  std::uint16_t type;               // 1: text value, 0: binary value
  std::string text;                 // a text value up to its NUL, as UTF-8
  std::vector<std::uint8_t> value;  // a binary value
  std::vector<VersionNode> children;

  const VersionNode* Child(std::string_view child_key) const;
};

// Text values are read up to their NUL and the end of their block, whether wValueLength counts
// characters (as resource compilers write it) or bytes.
Result<VersionNode> ReadVersionTree(std::span<const std::uint8_t> data);

struct FixedFileInfo {
  std::uint32_t signature;
  std::uint32_t struct_version;
  std::uint32_t file_version_ms;
  std::uint32_t file_version_ls;
  std::uint32_t product_version_ms;
  std::uint32_t product_version_ls;
  std::uint32_t file_flags_mask;
  std::uint32_t file_flags;
  std::uint32_t file_os;
  std::uint32_t file_type;
  std::uint32_t file_subtype;
  std::uint32_t file_date_ms;
  std::uint32_t file_date_ls;
};

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

// The binary value of the VS_VERSION_INFO block.
Result<FixedFileInfo> ReadFixedFileInfo(std::span<const std::uint8_t> value);

}  // namespace sonabrix::pe
