// Checks of the cross-built program's image, read as a file because a 32-bit Windows program
// cannot run on the build host, and of the reader that does the reading.
//
//   pe_image_tests --exe=Sonabrix.exe --machine=i386|amd64 --icon=sonabrix.ico
//                  --fixture-i386=fixture.exe --fixture-amd64=fixture.exe
//
// SONABRIX_EXE, SONABRIX_MACHINE and SONABRIX_ICON stand in for the first three. Checks whose
// input was not named are skipped; a named file that is missing or damaged fails.

#include "tests/program/pe_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sonabrix::pe {
namespace {

struct Settings {
  std::string exe;
  std::string machine;
  std::string icon;
  std::string fixture_i386;
  std::string fixture_amd64;
};

Settings& settings() {
  static Settings instance;
  return instance;
}

template <typename T>
testing::AssertionResult Succeeded(const Result<T>& result) {
  if (const auto* error = std::get_if<Error>(&result)) {
    return testing::AssertionFailure() << error->message;
  }
  return testing::AssertionSuccess();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// The one resource of that type and name; a second language of it would leave the choice to the
// loader, so it counts as a fault too.
const Resource* Only(const std::vector<Resource>& resources, const ResourceName& type,
                     const ResourceName& name) {
  const auto count = std::count_if(resources.begin(), resources.end(), [&](const Resource& r) {
    return r.type == type && r.name == name;
  });
  if (count != 1) {
    ADD_FAILURE() << "resource " << Describe(type) << "/" << Describe(name) << " occurs " << count
                  << " times, not once";
    return nullptr;
  }
  return Find(resources, type, name);
}

struct MachineKind {
  const char* name;
  std::uint16_t machine;
  std::uint16_t magic;
};

constexpr MachineKind kMachines[] = {
    {"i386", kMachineI386, kMagicPe32},
    {"amd64", kMachineAmd64, kMagicPe32Plus},
};

const MachineKind* FindMachine(std::string_view name) {
  for (const MachineKind& kind : kMachines) {
    if (name == kind.name)
      return &kind;
  }
  return nullptr;
}

// The program as built for Windows.

struct IconImage {
  std::uint16_t id;
  std::uint8_t width;
  std::uint8_t height;
  std::uint8_t colour_count;
  std::uint16_t planes;
  std::uint16_t bit_count;
  std::uint32_t bytes;
  std::int32_t header_width;
  std::int32_t header_height;  // colour bitmap and transparency mask, one above the other
};

// The sixth image is 351 pixels square, which an 8-bit directory field cannot hold, so only its
// bitmap header states its size.
constexpr IconImage kIconImages[] = {
    {30001, 64, 64, 0, 1, 8, 5672, 64, 128}, {30002, 32, 32, 0, 1, 8, 2216, 32, 64},
    {30003, 16, 16, 0, 1, 8, 1384, 16, 32},  {30004, 32, 32, 16, 1, 4, 744, 32, 64},
    {30005, 16, 16, 16, 1, 4, 296, 16, 32},  {30006, 0, 0, 0, 1, 24, 386140, 351, 702},
};

class ProgramImage : public testing::Test {
 protected:
  void SetUp() override {
    if (settings().exe.empty())
      GTEST_SKIP() << "no program named (--exe or SONABRIX_EXE)";
    kind_ = FindMachine(settings().machine);
    ASSERT_NE(kind_, nullptr) << "machine \"" << settings().machine
                              << "\" is neither i386 nor amd64 (--machine or SONABRIX_MACHINE)";
    auto image = ReadImageFile(settings().exe);
    ASSERT_TRUE(Succeeded(image));
    image_.emplace(std::move(std::get<Image>(image)));
  }

  // Fails the test, rather than skipping it, when the tree cannot be read.
  const std::vector<Resource>& resources() {
    if (!resources_) {
      auto resources = image_->Resources();
      EXPECT_TRUE(Succeeded(resources));
      resources_.emplace(std::holds_alternative<Error>(resources)
                             ? std::vector<Resource>{}
                             : std::move(std::get<std::vector<Resource>>(resources)));
    }
    return *resources_;
  }

  const MachineKind* kind_ = nullptr;
  std::optional<Image> image_;
  std::optional<std::vector<Resource>> resources_;
};

TEST_F(ProgramImage, IsAWindowsApplicationForItsMachine) {
  const Image& image = *image_;
  EXPECT_EQ(Hex(image.machine()), Hex(kind_->machine)) << "machine";
  EXPECT_EQ(Hex(image.magic()), Hex(kind_->magic)) << "optional header magic (PE32 or PE32+)";
  EXPECT_EQ(image.subsystem(), kSubsystemWindowsGui) << "a console window would open beside it";
  EXPECT_NE(image.characteristics() & kFileExecutableImage, 0);
  EXPECT_EQ(image.characteristics() & kFileDll, 0) << "built as a DLL";

  struct Flag {
    std::uint16_t bit;
    const char* name;
    bool only_64_bit;
  };
  const Flag flags[] = {
      {kDllDynamicBase, "DYNAMIC_BASE", false},
      {kDllNxCompat, "NX_COMPAT", false},
      {kDllHighEntropyVa, "HIGH_ENTROPY_VA", true},
  };
  for (const Flag& flag : flags) {
    if (flag.only_64_bit && kind_->magic != kMagicPe32Plus)
      continue;
    EXPECT_NE(image.dll_characteristics() & flag.bit, 0)
        << flag.name << " is not set in DllCharacteristics " << Hex(image.dll_characteristics());
  }
}

TEST_F(ProgramImage, ImportsOnlyWindowsSystemDlls) {
  const auto imports = image_->ImportedDlls();
  ASSERT_TRUE(Succeeded(imports));
  // The MinGW runtimes are not on a user's machine; linked as DLLs, the program would not start.
  const std::pair<std::string_view, const char*> runtimes[] = {
      {"libstdc++", "the C++ runtime"},
      {"libgcc_s_", "the GCC support library"},
      {"libwinpthread", "the threads library"},
  };
  const std::string_view system_dlls[] = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",    "comctl32.dll", "comdlg32.dll",
      "msvcrt.dll",   "ucrtbase.dll", "advapi32.dll", "shell32.dll",  "shlwapi.dll",
      "ole32.dll",    "oleaut32.dll", "uxtheme.dll",  "dwmapi.dll",   "shcore.dll",
      "ntdll.dll",    "imm32.dll",    "version.dll",  "usp10.dll",    "bcrypt.dll",
  };
  for (const std::string& dll : std::get<std::vector<std::string>>(imports)) {
    const std::string name = Lower(dll);
    for (const auto& [prefix, what] : runtimes) {
      EXPECT_FALSE(name.starts_with(prefix)) << dll << ": " << what << " is linked as a DLL";
    }
    const bool system =
        name.starts_with("api-ms-win-") ||
        std::find(std::begin(system_dlls), std::end(system_dlls), name) != std::end(system_dlls);
    EXPECT_TRUE(system) << dll << " is not a Windows system DLL";
  }
}

TEST_F(ProgramImage, IconGroupListsTheSixImagesInOrder) {
  const Resource* group = Only(resources(), kResourceGroupIcon, 1u);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->language, 0u) << "the icon is not language-neutral";
  const auto entries = ReadIconGroup(group->data);
  ASSERT_TRUE(Succeeded(entries));
  const auto& group_entries = std::get<std::vector<IconGroupEntry>>(entries);
  ASSERT_EQ(group_entries.size(), std::size(kIconImages));
  for (std::size_t i = 0; i < group_entries.size(); ++i) {
    SCOPED_TRACE("group entry " + std::to_string(i + 1));
    const IconGroupEntry& entry = group_entries[i];
    const IconImage& expected = kIconImages[i];
    EXPECT_EQ(entry.id, expected.id);
    EXPECT_EQ(entry.width, expected.width);
    EXPECT_EQ(entry.height, expected.height);
    EXPECT_EQ(entry.colour_count, expected.colour_count);
    EXPECT_EQ(entry.planes, expected.planes);
    EXPECT_EQ(entry.bit_count, expected.bit_count);
    EXPECT_EQ(entry.bytes, expected.bytes);
  }
}

TEST_F(ProgramImage, IconImagesAreUncompressedBitmapsWithTheirMasks) {
  for (const IconImage& expected : kIconImages) {
    SCOPED_TRACE("icon image " + std::to_string(expected.id));
    const Resource* image = Only(resources(), kResourceIcon, std::uint32_t{expected.id});
    if (!image)
      continue;
    EXPECT_EQ(image->language, 0u) << "the icon is not language-neutral";
    EXPECT_EQ(image->data.size(), expected.bytes);
    const auto header = ReadBitmapHeader(image->data);
    ASSERT_TRUE(Succeeded(header));
    const BitmapHeader& bitmap = std::get<BitmapHeader>(header);
    EXPECT_EQ(bitmap.size, 40u);
    EXPECT_EQ(bitmap.width, expected.header_width);
    EXPECT_EQ(bitmap.height, expected.header_height);
    EXPECT_EQ(bitmap.planes, 1);
    EXPECT_EQ(bitmap.bit_count, expected.bit_count);
    EXPECT_EQ(bitmap.compression, 0u) << "compressed (a PNG image, or BI_BITFIELDS)";
  }
}

TEST_F(ProgramImage, IconImagesAreTheWindowIconFilesImages) {
  if (settings().icon.empty())
    GTEST_SKIP() << "no icon file named (--icon or SONABRIX_ICON)";
  const auto bytes = ReadFileBytes(settings().icon);
  ASSERT_TRUE(Succeeded(bytes));
  const auto file = ReadIconFile(std::get<std::vector<std::uint8_t>>(bytes));
  ASSERT_TRUE(Succeeded(file));
  const auto& file_images = std::get<std::vector<IconFileImage>>(file);
  ASSERT_EQ(file_images.size(), std::size(kIconImages)) << settings().icon;
  for (std::size_t i = 0; i < file_images.size(); ++i) {
    SCOPED_TRACE("icon image " + std::to_string(kIconImages[i].id));
    const Resource* image = Only(resources(), kResourceIcon, std::uint32_t{kIconImages[i].id});
    if (!image)
      continue;
    EXPECT_TRUE(image->data == file_images[i].data)
        << "the program's image (" << image->data.size() << " bytes) differs from image " << i + 1
        << " of " << settings().icon << " (" << file_images[i].data.size() << " bytes)";
  }
}

class ProgramVersion : public ProgramImage {
 protected:
  void SetUp() override {
    ProgramImage::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    const Resource* record = Only(resources(), kResourceVersion, 1u);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->language, 0x0409u) << "the version record is not US English";
    auto tree = ReadVersionTree(record->data);
    ASSERT_TRUE(Succeeded(tree));
    root_ = std::move(std::get<VersionNode>(tree));
    ASSERT_EQ(root_.key, "VS_VERSION_INFO");
  }

  VersionNode root_;
};

TEST_F(ProgramVersion, FixedPartIsVersion1_0_0_1OfAnApplication) {
  EXPECT_EQ(root_.type, 0);
  const auto fixed = ReadFixedFileInfo(root_.value);
  ASSERT_TRUE(Succeeded(fixed));
  const FixedFileInfo& info = std::get<FixedFileInfo>(fixed);
  struct Field {
    const char* name;
    std::uint32_t FixedFileInfo::*member;
    std::uint32_t expected;
  };
  const Field fields[] = {
      {"signature", &FixedFileInfo::signature, kFixedFileInfoSignature},
      {"file version (high)", &FixedFileInfo::file_version_ms, 0x00010000},
      {"file version (low)", &FixedFileInfo::file_version_ls, 0x00000001},
      {"product version (high)", &FixedFileInfo::product_version_ms, 0x00010000},
      {"product version (low)", &FixedFileInfo::product_version_ls, 0x00000001},
      {"file flags", &FixedFileInfo::file_flags, 0},
      {"operating system (VOS__WINDOWS32)", &FixedFileInfo::file_os, 4},
      {"file type (VFT_APP)", &FixedFileInfo::file_type, 1},
  };
  for (const Field& field : fields) {
    EXPECT_EQ(info.*field.member, field.expected)
        << field.name << " is " << Hex(info.*field.member);
  }
}

TEST_F(ProgramVersion, StringTableIsUsEnglishUnicode) {
  const VersionNode* strings = root_.Child("StringFileInfo");
  ASSERT_NE(strings, nullptr);
  const VersionNode* table = strings->Child("040904B0");
  ASSERT_NE(table, nullptr) << "no string table for 0x0409, code page 1200";
  struct Expected {
    const char* key;
    const char* text;  // null: any text but an empty one
  };
  const Expected expected_strings[] = {
      {"FileDescription", "Converter"},
      {"ProductName", "Sonabrix"},
      {"FileVersion", "1.00.0001"},
      {"ProductVersion", "1.00.0001"},
      {"InternalName", "Sonabrix"},
      {"OriginalFilename", "Sonabrix.exe"},
      {"Comments", nullptr},
      {"CompanyName", nullptr},
  };
  for (const Expected& expected : expected_strings) {
    const VersionNode* string = table->Child(expected.key);
    if (!string) {
      ADD_FAILURE() << "no string " << expected.key;
      continue;
    }
    EXPECT_EQ(string->type, 1) << expected.key << " is not a text value";
    if (expected.text) {
      EXPECT_EQ(string->text, expected.text) << expected.key;
    } else {
      EXPECT_FALSE(string->text.empty()) << expected.key << " is empty";
    }
  }
}

TEST_F(ProgramVersion, TranslationIsUsEnglishUnicode) {
  const VersionNode* variables = root_.Child("VarFileInfo");
  ASSERT_NE(variables, nullptr);
  const VersionNode* translation = variables->Child("Translation");
  ASSERT_NE(translation, nullptr);
  // One pair of 16-bit words: language, code page.
  ASSERT_EQ(translation->value.size(), 4u);
  const auto word = [&](std::size_t at) {
    return static_cast<unsigned>(translation->value[at] | translation->value[at + 1] << 8);
  };
  EXPECT_EQ(Hex(word(0)), "0x409") << "language";
  EXPECT_EQ(word(2), 1200u) << "code page";
}

// The manifest read as far as these checks need: its tags in order, names without their
// namespace prefix (asmv3:, ws2:), and comments dropped so that a commented-out element does not
// count.
struct XmlTag {
  std::string name;
  bool closing;
  std::string text;     // between < and >
  std::string content;  // the text up to the next tag
};

std::vector<XmlTag> XmlTags(std::string xml) {
  for (std::size_t at; (at = xml.find("<!--")) != std::string::npos;) {
    const std::size_t end = xml.find("-->", at);
    xml.erase(at, end == std::string::npos ? std::string::npos : end + 3 - at);
  }
  std::vector<XmlTag> tags;
  for (std::size_t at = xml.find('<'); at != std::string::npos;) {
    const std::size_t end = xml.find('>', at);
    if (end == std::string::npos)
      break;
    const std::size_t next = xml.find('<', end);
    XmlTag tag;
    tag.text = xml.substr(at + 1, end - at - 1);
    tag.content = xml.substr(end + 1, next == std::string::npos ? next : next - end - 1);
    tag.closing = tag.text.starts_with('/');
    const std::size_t name_at = tag.closing ? 1 : 0;
    tag.name = tag.text.substr(name_at, tag.text.find_first_of(" \t\r\n/", name_at) - name_at);
    if (const std::size_t colon = tag.name.find(':'); colon != std::string::npos) {
      tag.name.erase(0, colon + 1);
    }
    if (!tag.text.starts_with('?') && !tag.text.starts_with('!'))
      tags.push_back(std::move(tag));
    at = next;
  }
  return tags;
}

// One attribute of a start tag, or empty when it has none.
std::string Attribute(const XmlTag& tag, const std::string& name) {
  const std::regex pattern("\\s" + name + "\\s*=\\s*(\"([^\"]*)\"|'([^']*)')");
  std::smatch match;
  if (!std::regex_search(tag.text, match, pattern))
    return {};
  return match[2].matched ? match[2].str() : match[3].str();
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

TEST_F(ProgramImage, ManifestAsksForPerMonitorV2AndCommonControls6) {
  const Resource* manifest = Only(resources(), kResourceManifest, 1u);
  ASSERT_NE(manifest, nullptr);
  const std::vector<XmlTag> tags = XmlTags({manifest->data.begin(), manifest->data.end()});

  const auto awareness = std::find_if(tags.begin(), tags.end(), [](const XmlTag& tag) {
    return tag.name == "dpiAwareness" && !tag.closing;
  });
  ASSERT_NE(awareness, tags.end()) << "no dpiAwareness element";
  // A list, of which Windows takes the first value that it knows.
  const std::string content = awareness->content;
  EXPECT_EQ(Trim(content.substr(0, content.find(','))), "PerMonitorV2") << content;

  int depth = 0;
  bool found = false;
  for (const XmlTag& tag : tags) {
    if (tag.name == "dependentAssembly")
      depth += tag.closing ? -1 : 1;
    if (depth <= 0 || tag.name != "assemblyIdentity" ||
        Attribute(tag, "name") != "Microsoft.Windows.Common-Controls") {
      continue;
    }
    found = true;
    EXPECT_EQ(Attribute(tag, "version"), "6.0.0.0");
    EXPECT_EQ(Attribute(tag, "type"), "win32");
  }
  EXPECT_TRUE(found) << "no dependentAssembly of Microsoft.Windows.Common-Controls";
}

// The reader itself, against small programs built with MinGW for the purpose, whose contents
// are known: see pe_image_tests.cmake.

struct FixtureKind {
  const char* machine;
  std::string Settings::*path;
  std::uint16_t dll_characteristics;  // as the fixture is linked: no NX_COMPAT, on purpose
};

const FixtureKind kFixtures[] = {
    {"i386", &Settings::fixture_i386, kDllDynamicBase},
    {"amd64", &Settings::fixture_amd64, kDllDynamicBase | kDllHighEntropyVa},
};

struct Fixture {
  const FixtureKind* kind;
  std::vector<std::uint8_t> bytes;
};

// The fixtures named on the command line, read; a named one that cannot be read fails the test.
std::vector<Fixture> Fixtures() {
  std::vector<Fixture> fixtures;
  for (const FixtureKind& kind : kFixtures) {
    const std::string& path = settings().*kind.path;
    if (path.empty())
      continue;
    auto bytes = ReadFileBytes(path);
    EXPECT_TRUE(Succeeded(bytes));
    if (auto* read = std::get_if<std::vector<std::uint8_t>>(&bytes)) {
      fixtures.push_back({&kind, std::move(*read)});
    }
  }
  return fixtures;
}

// Runs `check` on each fixture that reads as an image; skips the test when none was named.
void ForEachFixture(const std::function<void(const Fixture&, const Image&)>& check) {
  const std::vector<Fixture> fixtures = Fixtures();
  if (fixtures.empty())
    GTEST_SKIP() << "no fixture named (--fixture-i386, --fixture-amd64)";
  for (const Fixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.kind->machine);
    const auto image = Image::Read(fixture.bytes);
    EXPECT_TRUE(Succeeded(image));
    if (const auto* read = std::get_if<Image>(&image))
      check(fixture, *read);
  }
}

TEST(PeReader, ReadsTheHeadersOfBothFormats) {
  ForEachFixture([](const Fixture& fixture, const Image& image) {
    const MachineKind* kind = FindMachine(fixture.kind->machine);
    EXPECT_EQ(image.machine(), kind->machine);
    EXPECT_EQ(image.magic(), kind->magic);
    EXPECT_EQ(image.subsystem(), kSubsystemWindowsConsole);
    EXPECT_EQ(image.dll_characteristics() & (kDllDynamicBase | kDllNxCompat | kDllHighEntropyVa),
              fixture.kind->dll_characteristics);
    EXPECT_NE(image.characteristics() & kFileExecutableImage, 0);
    EXPECT_EQ(image.characteristics() & kFileDll, 0);
  });
}

TEST(PeReader, MapsRvasOnlyToFileData) {
  ForEachFixture([](const Fixture&, const Image& image) {
    const auto rsrc = std::find_if(image.sections().begin(), image.sections().end(),
                                   [](const Section& s) { return s.name == ".rsrc"; });
    ASSERT_NE(rsrc, image.sections().end());
    EXPECT_EQ(image.directory(kResourceDirectory).rva, rsrc->virtual_address);
    EXPECT_EQ(image.FileOffset(rsrc->virtual_address, 16), rsrc->raw_offset);
    EXPECT_EQ(image.FileOffset(rsrc->virtual_address + 10, 6), rsrc->raw_offset + 10);
    EXPECT_EQ(image.FileOffset(0, 2), 0u) << "the headers map to the start of the file";
    // The last byte of the section's file data, and one byte more.
    const std::uint32_t backed = std::min(rsrc->virtual_size, rsrc->raw_size);
    EXPECT_EQ(image.FileOffset(rsrc->virtual_address + backed - 1, 1),
              rsrc->raw_offset + backed - 1);
    EXPECT_EQ(image.FileOffset(rsrc->virtual_address + backed - 1, 2), std::nullopt);
    EXPECT_EQ(image.FileOffset(0xFFFFFFF0, 0x20), std::nullopt) << "wraps past 4 GiB";
  });
}

TEST(PeReader, ListsTheImportedDlls) {
  ForEachFixture([](const Fixture&, const Image& image) {
    const auto imports = image.ImportedDlls();
    ASSERT_TRUE(Succeeded(imports));
    const auto& names = std::get<std::vector<std::string>>(imports);
    for (const char* expected : {"KERNEL32.dll", "msvcrt.dll", "USER32.dll"}) {
      EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    }
  });
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST(PeReader, WalksTheResourceTreeWithNumbersAndNames) {
  const std::string_view manifest = "<?xml version=\"1.0\"?>\n<assembly/>\n";
  struct Expected {
    ResourceName type;
    ResourceName name;
    std::uint32_t language;
    std::vector<std::uint8_t> data;  // empty: not compared
  };
  const Expected expected_resources[] = {
      {kResourceRcData, 7u, 0, Bytes("seven")},
      {kResourceRcData, "NAMED", 0, {0x01, 0x02, 0x03, 0x04}},
      {"FIXTUREDATA", 5u, 0, Bytes("five")},
      {kResourceManifest, 1u, 0, Bytes(manifest)},
      {kResourceVersion, 1u, 0x0407, {}},
  };
  ForEachFixture([&](const Fixture&, const Image& image) {
    const auto resources = image.Resources();
    ASSERT_TRUE(Succeeded(resources));
    const auto& list = std::get<std::vector<Resource>>(resources);
    EXPECT_EQ(list.size(), std::size(expected_resources));
    for (const Expected& expected : expected_resources) {
      SCOPED_TRACE(Describe(expected.type) + "/" + Describe(expected.name));
      const Resource* found = Only(list, expected.type, expected.name);
      if (!found)
        continue;
      EXPECT_EQ(found->language, expected.language);
      if (!expected.data.empty()) {
        EXPECT_EQ(found->data, expected.data);
      }
    }
  });
}

TEST(PeReader, ReadsAVersionRecord) {
  ForEachFixture([&](const Fixture&, const Image& image) {
    const auto resources = image.Resources();
    ASSERT_TRUE(Succeeded(resources));
    const Resource* record = Find(std::get<std::vector<Resource>>(resources), kResourceVersion, 1u);
    ASSERT_NE(record, nullptr);
    const auto tree = ReadVersionTree(record->data);
    ASSERT_TRUE(Succeeded(tree));
    const VersionNode& root = std::get<VersionNode>(tree);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    const auto fixed = ReadFixedFileInfo(root.value);
    ASSERT_TRUE(Succeeded(fixed));
    const FixedFileInfo& info = std::get<FixedFileInfo>(fixed);
    EXPECT_EQ(info.signature, kFixedFileInfoSignature);
    EXPECT_EQ(info.file_version_ms, 0x00020003u);
    EXPECT_EQ(info.file_version_ls, 0x00040005u);
    EXPECT_EQ(info.product_version_ms, 0x00060007u);
    EXPECT_EQ(info.product_version_ls, 0x00080009u);
    EXPECT_EQ(info.file_flags_mask, 0x3Fu);
    EXPECT_EQ(info.file_flags, 0x2u);
    EXPECT_EQ(info.file_os, 0x40004u);
    EXPECT_EQ(info.file_type, 2u);

    const VersionNode* strings = root.Child("StringFileInfo");
    ASSERT_NE(strings, nullptr);
    const VersionNode* table = strings->Child("040704B0");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->children.size(), 2u);
    EXPECT_EQ(table->children[0].key, "FileDescription");
    EXPECT_EQ(table->children[0].text, "Fixture");
    EXPECT_EQ(table->children[1].key, "Empty");
    EXPECT_EQ(table->children[1].text, "");
    const VersionNode* variables = root.Child("VarFileInfo");
    ASSERT_NE(variables, nullptr);
    const VersionNode* translation = variables->Child("Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->value, (std::vector<std::uint8_t>{0x07, 0x04, 0xB0, 0x04}));
  });
}

// One String block, laid out as resource compilers lay it out, with the value length chosen.
std::vector<std::uint8_t> StringBlock(std::u16string_view key, std::u16string_view text,
                                      std::uint16_t value_length) {
  std::vector<std::uint8_t> block(6);
  const auto put16 = [&](char16_t unit) {
    block.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    block.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (char16_t unit : key)
    put16(unit);
  put16(0);
  while (block.size() % 4 != 0)
    block.push_back(0);
  for (char16_t unit : text)
    put16(unit);
  put16(0);
  const std::size_t length = block.size();
  while (block.size() % 4 != 0)
    block.push_back(0);
  block[0] = static_cast<std::uint8_t>(length & 0xFF);
  block[1] = static_cast<std::uint8_t>(length >> 8);
  block[2] = static_cast<std::uint8_t>(value_length & 0xFF);
  block[3] = static_cast<std::uint8_t>(value_length >> 8);
  block[4] = 1;
  return block;
}

TEST(VersionBlocks, TakeTextUpToItsNulWhateverTheValueLengthCounts) {
  struct Case {
    const char* counts;
    std::uint16_t value_length;
  };
  // "Sonabrix" is 8 characters.
  const Case cases[] = {
      {"characters with the NUL", 9},
      {"characters without the NUL", 8},
      {"bytes with the NUL", 18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.counts);
    const auto tree = ReadVersionTree(StringBlock(u"ProductName", u"Sonabrix", c.value_length));
    ASSERT_TRUE(Succeeded(tree));
    const VersionNode& node = std::get<VersionNode>(tree);
    EXPECT_EQ(node.key, "ProductName");
    EXPECT_EQ(node.text, "Sonabrix");
    EXPECT_TRUE(node.children.empty());
  }
}

// Damaged input, each kind caught where it is first read, with a message that says what.

enum class Stage { kRead, kImports, kResources, kVersion, kIconGroup, kIconFile };

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | bytes.at(at + i);
  return value;
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<std::uint8_t>(value);
  bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, static_cast<std::uint16_t>(value));
  Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// Where the damage goes, found in the undamaged fixture.
struct Layout {
  std::size_t pe = 0;           // "PE\0\0"
  std::size_t optional = 0;     // the optional header
  std::size_t directories = 0;  // its data directories
  std::size_t imports = 0;      // the first import descriptor
  std::size_t resources = 0;    // the root resource directory
  std::size_t first_leaf = 0;   // the data entry of the first resource
};

Layout FindLayout(const std::vector<std::uint8_t>& bytes, const Image& image) {
  Layout layout;
  layout.pe = Get32(bytes, 0x3C);
  layout.optional = layout.pe + 24;
  layout.directories = layout.optional + (image.magic() == kMagicPe32 ? 96 : 112);
  layout.imports = image.FileOffset(image.directory(kImportDirectory).rva, 20).value_or(0);
  layout.resources = image.FileOffset(image.directory(kResourceDirectory).rva, 16).value_or(0);
  // Down the first entry of each level: type, name, language.
  std::size_t directory = layout.resources;
  for (int level = 0; level < 3; ++level) {
    directory = layout.resources + (Get32(bytes, directory + 16 + 4) & 0x7FFFFFFF);
  }
  layout.first_leaf = directory;
  return layout;
}

// A version record of this size has a first child at 92: the 6-byte header, "VS_VERSION_INFO"
// and its NUL (32 bytes), padding to 40 and the 52-byte fixed part.
constexpr std::size_t kFirstVersionChild = 92;

std::vector<std::uint8_t> OneImageIconGroup() {
  return {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0x68, 0x04, 0, 0, 0x31, 0x75};
}

std::vector<std::uint8_t> OneImageIconFile() {
  std::vector<std::uint8_t> file = {0, 0,  1, 0, 1, 0, 1, 1,  0, 0, 1,
                                    0, 32, 0, 8, 0, 0, 0, 22, 0, 0, 0};
  file.resize(file.size() + 8, 0xAB);
  return file;
}

struct Corruption {
  const char* what;
  Stage stage;
  void (*damage)(std::vector<std::uint8_t>& bytes, const Layout& at);
  const char* message;
};

const Corruption kCorruptions[] = {
    {"empty file", Stage::kRead, [](auto& b, auto&) { b.clear(); }, "too short for a DOS header"},
    {"cut inside the DOS header", Stage::kRead, [](auto& b, auto&) { b.resize(40); },
     "too short for a DOS header"},
    {"MZ damaged", Stage::kRead, [](auto& b, auto&) { b[1] = 'X'; }, "no MZ signature"},
    {"PE header offset past the end", Stage::kRead,
     [](auto& b, auto&) { Put32(b, 0x3C, 0xFFFFFFF0); }, "PE header at 0xFFFFFFF0 runs past"},
    {"PE signature damaged", Stage::kRead, [](auto& b, auto& at) { b[at.pe + 2] = 1; },
     "no PE signature"},
    {"cut after the COFF header", Stage::kRead, [](auto& b, auto& at) { b.resize(at.pe + 24); },
     "optional header ("},
    {"unknown optional header magic", Stage::kRead,
     [](auto& b, auto& at) { Put16(b, at.optional, 0x0999); }, "magic 0x999"},
    {"optional header too short for its format", Stage::kRead,
     [](auto& b, auto& at) { Put16(b, at.pe + 4 + 16, 64); }, "too short for PE32"},
    {"65535 sections", Stage::kRead, [](auto& b, auto& at) { Put16(b, at.pe + 4 + 2, 0xFFFF); },
     "section table (65535 sections"},
    {"cut inside the section data", Stage::kRead, [](auto& b, auto&) { b.resize(b.size() / 2); },
     "data of section"},
    {"import directory outside every section", Stage::kImports,
     [](auto& b, auto& at) { Put32(b, at.directories + 8, 0x7FFFFFF0); },
     "import descriptor 0 at RVA 0x7FFFFFF0 lies outside"},
    {"DLL name outside the file", Stage::kImports,
     [](auto& b, auto& at) { Put32(b, at.imports + 12, 0x7FFFFF00); },
     "DLL name of import descriptor 0"},
    {"resource directory outside every section", Stage::kResources,
     [](auto& b, auto& at) { Put32(b, at.directories + 16, 0x7FFFFFF0); }, "resource directory ("},
    {"resource root claims 65535 entries", Stage::kResources,
     [](auto& b, auto& at) { Put16(b, at.resources + 14, 0xFFFF); },
     "resource directory at offset 0x0 with"},
    {"resource type leads back to the root", Stage::kResources,
     [](auto& b, auto& at) { Put32(b, at.resources + 16 + 4, 0x80000000); }, "reached twice"},
    {"resource type leads straight to data", Stage::kResources,
     [](auto& b, auto& at) { Put32(b, at.resources + 16 + 4, 0); },
     "leads to data where a directory belongs"},
    {"resource name outside the tree", Stage::kResources,
     [](auto& b, auto& at) { Put32(b, at.resources + 16, 0xFFFFFFF0); },
     "resource name at offset 0x7FFFFFF0"},
    {"resource data larger than the file", Stage::kResources,
     [](auto& b, auto& at) { Put32(b, at.first_leaf + 4, 0x7FFFFFF0); },
     "lies outside the file's data"},
    {"version record cut short", Stage::kVersion, [](auto& b, auto&) { b.resize(40); }, "claims"},
    {"version record of no length", Stage::kVersion, [](auto& b, auto&) { Put16(b, 0, 0); },
     "claims 0 bytes"},
    {"version block larger than its parent", Stage::kVersion,
     [](auto& b, auto&) { Put16(b, kFirstVersionChild, 0xFFFF); }, "claims 65535 bytes"},
    {"version key without its NUL", Stage::kVersion,
     [](auto& b, auto&) {
       Put16(b, 0, 38);
       Put16(b, 36, 'X');
     },
     "no terminated key"},
    {"icon group shorter than its count", Stage::kIconGroup, [](auto& b, auto&) { Put16(b, 4, 7); },
     "too short for its 7 entries"},
    {"icon group of cursors", Stage::kIconGroup, [](auto& b, auto&) { Put16(b, 2, 2); },
     "does not begin as an icon directory"},
    {"icon file image past its end", Stage::kIconFile,
     [](auto& b, auto&) { Put32(b, 6 + 12, 0xFFFFFFF0); }, "runs past its end"},
};

// Runs one stage on `bytes`: the error when it fails, nothing when it succeeds.
std::optional<Error> RunStage(Stage stage, std::vector<std::uint8_t> bytes) {
  const auto error_of = [](const auto& result) -> std::optional<Error> {
    if (const auto* error = std::get_if<Error>(&result))
      return *error;
    return std::nullopt;
  };
  switch (stage) {
    case Stage::kVersion:
      return error_of(ReadVersionTree(bytes));
    case Stage::kIconGroup:
      return error_of(ReadIconGroup(bytes));
    case Stage::kIconFile:
      return error_of(ReadIconFile(bytes));
    default:
      break;
  }
  const auto image = Image::Read(std::move(bytes));
  if (stage == Stage::kRead || std::holds_alternative<Error>(image))
    return error_of(image);
  if (stage == Stage::kImports)
    return error_of(std::get<Image>(image).ImportedDlls());
  return error_of(std::get<Image>(image).Resources());
}

TEST(PeReaderCorruptInput, FailsWithAMessageNeverACrash) {
  ForEachFixture([](const Fixture& fixture, const Image& image) {
    const Layout layout = FindLayout(fixture.bytes, image);
    const auto resources = image.Resources();
    ASSERT_TRUE(Succeeded(resources));
    const Resource* version =
        Find(std::get<std::vector<Resource>>(resources), kResourceVersion, 1u);
    ASSERT_NE(version, nullptr);
    const auto pristine = [&](Stage stage) {
      switch (stage) {
        case Stage::kVersion:
          return version->data;
        case Stage::kIconGroup:
          return OneImageIconGroup();
        case Stage::kIconFile:
          return OneImageIconFile();
        default:
          return fixture.bytes;
      }
    };
    for (const Corruption& corruption : kCorruptions) {
      SCOPED_TRACE(corruption.what);
      std::vector<std::uint8_t> bytes = pristine(corruption.stage);
      ASSERT_FALSE(RunStage(corruption.stage, bytes).has_value()) << "undamaged input fails";
      corruption.damage(bytes, layout);
      const auto error = RunStage(corruption.stage, std::move(bytes));
      ASSERT_TRUE(error.has_value()) << "damaged input succeeds";
      EXPECT_NE(error->message.find(corruption.message), std::string::npos)
          << "failed with \"" << error->message << "\", not \"" << corruption.message << "\"";
    }
  });
}

}  // namespace
}  // namespace sonabrix::pe

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  using sonabrix::pe::settings;
  const auto from_environment = [](const char* name, std::string& value) {
    if (const char* text = std::getenv(name))
      value = text;
  };
  from_environment("SONABRIX_EXE", settings().exe);
  from_environment("SONABRIX_MACHINE", settings().machine);
  from_environment("SONABRIX_ICON", settings().icon);
  const std::pair<std::string_view, std::string*> options[] = {
      {"--exe=", &settings().exe},
      {"--machine=", &settings().machine},
      {"--icon=", &settings().icon},
      {"--fixture-i386=", &settings().fixture_i386},
      {"--fixture-amd64=", &settings().fixture_amd64},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const auto option = std::find_if(std::begin(options), std::end(options),
                                     [&](const auto& o) { return argument.starts_with(o.first); });
    if (option == std::end(options)) {
      std::cerr << "unknown argument " << argument << "\n";
      return 2;
    }
    *option->second = argument.substr(option->first.size());
  }
  return RUN_ALL_TESTS();
}
