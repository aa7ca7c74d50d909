# cmake -DINPUT=FILE -DOUTPUT=SOURCE -DNAME=FUNCTION -P EmbedFile.cmake
#
# Writes SOURCE, a C++ file whose function sonabrix::NAME() returns the bytes of FILE, so that
# the program carries them inside its executable and needs no file beside it at run time.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the file readable in an editor (CMake's expressions have no {n}).
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Made by EmbedFile.cmake from ${INPUT}.\n"
  "#include <cstdint>\n#include <span>\n\nnamespace sonabrix {\nnamespace {\n"
  "constexpr std::uint8_t kBytes[] = {\n${bytes}\n};\n}  // namespace\n\n"
  "std::span<const std::uint8_t> ${NAME}() {\n  return kBytes;\n}\n\n}  // namespace sonabrix\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
