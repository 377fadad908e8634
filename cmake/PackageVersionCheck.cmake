# Run by cpack before it builds the archives: their names carry CPACK_PACKAGE_VERSION, so the program's
# version resource (its fixed file info, found by signature) must hold the same four numbers.
file(READ "${CPACK_BRENLOW_PROGRAM}" program HEX)

# The signature 0xFEEF04BD, little-endian, on a byte boundary (an even offset in the hex text).
set(offset 0)
set(found -1)
while(found EQUAL -1)
  string(SUBSTRING "${program}" ${offset} -1 rest)
  string(FIND "${rest}" "bd04effe" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "No version resource in ${CPACK_BRENLOW_PROGRAM}")
  endif()
  math(EXPR at "${offset} + ${at}")
  math(EXPR odd "${at} % 2")
  if(odd)
    math(EXPR offset "${at} + 1")
  else()
    set(found ${at})
  endif()
endwhile()

# A little-endian 32-bit word at hex offset `at`, split into its high and low 16-bit halves.
function(read_version_word at high low)
  string(SUBSTRING "${program}" ${at} 8 word)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" word "${word}")
  string(SUBSTRING "${word}" 0 4 h)
  string(SUBSTRING "${word}" 4 4 l)
  math(EXPR h "0x${h}")
  math(EXPR l "0x${l}")
  set(${high} ${h} PARENT_SCOPE)
  set(${low} ${l} PARENT_SCOPE)
endfunction()

# After the signature: the structure version, then the file version's most and least significant words.
math(EXPR most "${found} + 16")
math(EXPR least "${found} + 24")
read_version_word(${most} major minor)
read_version_word(${least} patch build)
set(resource_version "${major}.${minor}.${patch}.${build}")
if(NOT resource_version STREQUAL CPACK_PACKAGE_VERSION)
  message(FATAL_ERROR "Brenlow.exe carries version ${resource_version}, the package ${CPACK_PACKAGE_VERSION}")
endif()
