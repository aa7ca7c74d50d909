# sonabrix_icon_resources(ICO OUT_RC)
#
# Writes OUT_RC, a resource script fragment that carries the icon file ICO in the executable:
# each image as an RT_ICON resource (type 3), numbered 30001 onwards in the file's order, and the
# group that lists them as RT_GROUP_ICON resource 1 (type 14), all language neutral. Include it
# from the program's .rc file; the LANGUAGE statement it opens with stays in force after it, so
# resources that follow must state their own.
#
# This runs at configure time in plain CMake, because a cross build has no host tool to run,
# and configures again whenever ICO changes. A relative ICO is taken from the current source
# folder, a relative OUT_RC from the current binary folder. OUT_RC is rewritten only when its
# content changes, so the resources are not recompiled for nothing.
#
# The types are written as numbers: windres takes the words RT_ICON and RT_GROUP_ICON for the
# names of types of its own, not for the standard ones.

include_guard(GLOBAL)

# The little-endian number of COUNT bytes at byte AT of HEX (lower-case hex digits, two a byte).
function(_sonabrix_icon_number hex at count out_var)
  set(digits "")
  math(EXPR last "${at} + ${count} - 1")
  foreach(byte RANGE ${last} ${at} -1)
    math(EXPR start "${byte} * 2")
    string(SUBSTRING "${hex}" ${start} 2 pair)
    string(APPEND digits "${pair}")
  endforeach()
  math(EXPR value "0x${digits}")
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

# The bytes in HEX as a raw data block of 16-bit little-endian words, eight to a line.
function(_sonabrix_icon_words hex out_var)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])([0-9a-f][0-9a-f])" "0x\\2\\1, " words "${hex}")
  set(word "0x[0-9a-f][0-9a-f][0-9a-f][0-9a-f], ")
  string(REGEX REPLACE "(${word}${word}${word}${word}${word}${word}${word}${word})" "\\1\n"
         words "${words}")
  string(REPLACE " \n" "\n  " words "${words}")
  string(REGEX REPLACE "[, \n]+$" "" words "${words}")
  set(${out_var} "BEGIN\n  ${words}\nEND\n" PARENT_SCOPE)
endfunction()

function(sonabrix_icon_resources ico out_rc)
  get_filename_component(ico "${ico}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(out_rc "${out_rc}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  set(fail "sonabrix_icon_resources: ${ico}:")
  if(NOT EXISTS "${ico}")
    message(FATAL_ERROR "${fail} no such file")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ico}")

  file(READ "${ico}" hex HEX)
  string(TOLOWER "${hex}" hex)
  string(LENGTH "${hex}" digits)
  math(EXPR file_size "${digits} / 2")
  if(file_size LESS 6)
    message(FATAL_ERROR "${fail} too short for an icon file")
  endif()
  _sonabrix_icon_number("${hex}" 0 2 reserved)
  _sonabrix_icon_number("${hex}" 2 2 type)
  _sonabrix_icon_number("${hex}" 4 2 count)
  if(NOT reserved EQUAL 0 OR NOT type EQUAL 1)
    message(FATAL_ERROR "${fail} not an icon file")
  endif()
  math(EXPR directory_end "6 + 16 * ${count}")
  if(count EQUAL 0 OR file_size LESS directory_end)
    message(FATAL_ERROR "${fail} ${count} images listed, and the file holds no room for them")
  endif()

  get_filename_component(ico_name "${ico}" NAME)
  set(rc "// Made from ${ico_name} by sonabrix_icon_resources() in cmake/IconResources.cmake.\n")
  string(APPEND rc "// Icon group 1 and its ${count} images, 3 being RT_ICON and 14 RT_GROUP_ICON.\n")
  string(APPEND rc "LANGUAGE 0, 0\n")
  # The group is the file's directory with each image's file offset replaced by its resource
  # number: a 6-byte header, then 14 bytes an image.
  string(SUBSTRING "${hex}" 0 12 group)
  math(EXPR last "${count} - 1")
  foreach(index RANGE ${last})
    math(EXPR entry "6 + 16 * ${index}")
    math(EXPR id "30001 + ${index}")
    math(EXPR number "${index} + 1")
    math(EXPR size_at "${entry} + 8")
    math(EXPR offset_at "${entry} + 12")
    _sonabrix_icon_number("${hex}" ${size_at} 4 size)
    _sonabrix_icon_number("${hex}" ${offset_at} 4 offset)
    math(EXPR end "${offset} + ${size}")
    if(size EQUAL 0 OR end GREATER file_size)
      message(FATAL_ERROR "${fail} image ${number} (${size} bytes at ${offset}) is not inside "
                          "the file of ${file_size} bytes")
    endif()
    math(EXPR odd "${size} % 2")
    if(odd)
      message(FATAL_ERROR "${fail} image ${number} is ${size} bytes, an odd number; the resource "
                          "script holds data as 16-bit words, so every image must be of even size")
    endif()
    math(EXPR entry_at "${entry} * 2")
    string(SUBSTRING "${hex}" ${entry_at} 24 entry_fields)
    math(EXPR id_hex "${id}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${id_hex}" 2 -1 id_hex)
    string(LENGTH "${id_hex}" id_digits)
    while(id_digits LESS 4)
      string(PREPEND id_hex "0")
      math(EXPR id_digits "${id_digits} + 1")
    endwhile()
    string(SUBSTRING "${id_hex}" 2 2 id_low)
    string(SUBSTRING "${id_hex}" 0 2 id_high)
    string(APPEND group "${entry_fields}${id_low}${id_high}")

    math(EXPR image_at "${offset} * 2")
    math(EXPR image_digits "${size} * 2")
    string(SUBSTRING "${hex}" ${image_at} ${image_digits} image)
    _sonabrix_icon_words("${image}" words)
    string(APPEND rc "\n${id} 3\n${words}")
  endforeach()
  _sonabrix_icon_words("${group}" words)
  string(APPEND rc "\n1 14\n${words}")

  file(WRITE "${out_rc}.new" "${rc}")
  configure_file("${out_rc}.new" "${out_rc}" COPYONLY)
  file(REMOVE "${out_rc}.new")
endfunction()
