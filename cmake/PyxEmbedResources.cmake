# Script mode: writes OUT, a C++ source with one byte array per file of
# FILES ("|"-separated) and the function NAMESPACE::FUNCTION returning the table.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" FILES "${FILES}")
set(_arrays "")
set(_entries "")
set(_names "")
set(_i 0)
foreach(_f IN LISTS FILES)
  get_filename_component(_stem "${_f}" NAME_WE)
  string(TOUPPER "${_stem}" _name)
  if(NOT _name MATCHES "^[A-Z0-9_]+$")
    message(FATAL_ERROR "Resource file name is not an identifier: ${_f}")
  endif()
  if(_name IN_LIST _names)
    message(FATAL_ERROR "Two resources are named ${_name}")
  endif()
  list(APPEND _names ${_name})
  file(READ "${_f}" _hex HEX)
  string(LENGTH "${_hex}" _len)
  math(EXPR _size "${_len} / 2")
  if(_size EQUAL 0)
    set(_bytes "0")
  else()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  endif()
  string(APPEND _arrays "alignas(8) const unsigned char kResource${_i}[] = {${_bytes}};\n")
  string(APPEND _entries "    {\"${_name}\", kResource${_i}, ${_size}},\n")
  math(EXPR _i "${_i} + 1")
endforeach()
if(_i EQUAL 0)
  set(_entries "    {\"\", nullptr, 0},\n")
endif()
file(WRITE "${OUT}.tmp" "// Generated from the resource folder; do not edit.
#include \"vcl/Resources.h\"

namespace {
${_arrays}
const vcl::TResourceEntry kEntries[] = {
${_entries}};
} // namespace

namespace ${NAMESPACE} {
const vcl::TResourceTable& ${FUNCTION}()
{
    static const vcl::TResourceTable table{kEntries, ${_i}};
    return table;
}
} // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
