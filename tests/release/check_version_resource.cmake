cmake_minimum_required(VERSION 3.25)
# Checks that the PE file FILE holds a version resource for VERSION (x.y.z): the resource
# type RT_VERSION in its resource directory, the fixed part's file and product versions,
# and the strings Windows' file properties show.
# Usage: cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DFILE=... -DVERSION=x.y.z -P check_version_resource.cmake
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${FILE}")
endif()
# Top level of the resource directory: type 16 is RT_VERSION.
if(NOT dump MATCHES "\n[0-9a-f]+   Entry: ID: 0x000010,")
  message(FATAL_ERROR "${FILE} has no version resource")
endif()

file(READ ${FILE} bytes HEX)
# VS_FIXEDFILEINFO: signature 0xFEEF04BD, structure version 1.0, then the file version
# and the product version as major.minor, patch.0, each 16-bit half little-endian.
string(REPLACE "." ";" parts "${VERSION}")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
function(word16 value out)
  math(EXPR low "${value} & 255")
  math(EXPR high "(${value} >> 8) & 255")
  math(EXPR low "${low}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR high "${high}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" low "${low}")
  string(REGEX REPLACE "^0x" "" high "${high}")
  string(LENGTH "${low}" n)
  if(n EQUAL 1)
    set(low "0${low}")
  endif()
  string(LENGTH "${high}" n)
  if(n EQUAL 1)
    set(high "0${high}")
  endif()
  set(${out} "${low}${high}" PARENT_SCOPE)
endfunction()
word16(${major} hi_major)
word16(${minor} hi_minor)
word16(${patch} lo_patch)
set(version_words "${hi_minor}${hi_major}0000${lo_patch}")
if(NOT bytes MATCHES "bd04effe00000100${version_words}${version_words}")
  message(FATAL_ERROR "${FILE}: no fixed version part for ${VERSION}")
endif()

# The strings, UTF-16 little-endian, each name followed by its value.
function(utf16 text out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()
foreach(pair "CompanyName=QUILLMERE" "ProductName=Brimtrace" "FileVersion=${VERSION}"
             "ProductVersion=${VERSION}" "LegalCopyright=Copyright (c) 2026 The Brimtrace authors"
             "FileDescription=Brimtrace ")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 key)
  list(GET pair 1 value)
  utf16("${key}" key_hex)
  utf16("${value}" value_hex)
  # The key ends with its terminator and padding to a 4-byte boundary, then the value.
  if(NOT bytes MATCHES "${key_hex}(0000)+${value_hex}")
    message(FATAL_ERROR "${FILE}: version resource lacks ${key} \"${value}\"")
  endif()
endforeach()
message(STATUS "${FILE}: version resource ${VERSION}")
