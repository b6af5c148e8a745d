# Fails the build when the shipped engine grows past its limit, or when its link pulled in a
# library piece that must not enter the engine (cmake -P, see EngineSize.cmake).
#   ENGINE: the executable; LIMIT: its largest size in bytes (0: no size check);
#   MAP: the linker map of the same link (optional).
file(SIZE "${ENGINE}" size)
math(EXPR kib "(${size} + 1023) / 1024")

# Each heavy piece by the archive member that brings it; the map names the object and the
# symbol that pulled it in, which is what the message shows.
set(heavy_pieces
  "mingw_pformat|mingw_[a-z]*printf|the printf family (swprintf, snprintf, std::to_wstring): use DecimalText, FormatText, ShortDecimalText"
  "gdtoa|strtodg|mingw_strtod|the floating-point converter (printf's %f, wcstod, strtod)"
  "cow-stdexcept|functexcept|stdexcept|snprintf_lite|standard exception classes (a direct throw std::..., .at(), std::stoi)"
  "^locale|locale-inst|ios_init|ostream|istream|sstream|streambuf|codecvt|the streams and locales"
  "libwinpthread|winpthread (a posix-model object in the engine)")
set(found "")
if(MAP AND EXISTS "${MAP}")
  file(STRINGS "${MAP}" map_lines REGEX "^[^ ].*\\.a\\(|^  +[^ ].*\\(")
  set(member "")
  foreach(line IN LISTS map_lines)
    # A member of a system library (our own archives are not checked): its reason follows on
    # the next line, or on the same one after the name when that is short.
    if(line MATCHES "^[^ ][^(]*\\.a\\(([^)]*)\\)(.*)$")
      set(member "${CMAKE_MATCH_1}")
      set(rest "${CMAKE_MATCH_2}")
      if(line MATCHES "^[^(]*vantrel[^(]*\\.a\\(")
        set(member "")
      endif()
      if(member STREQUAL "" OR rest MATCHES "^ *$")
        continue()
      endif()
      set(line "${rest}")
    endif()
    if(member STREQUAL "")
      continue()
    endif()
    foreach(piece IN LISTS heavy_pieces)
      string(REGEX REPLACE "\\|[^|]*$" "" pattern "${piece}")
      string(REGEX REPLACE "^.*\\|" "" what "${piece}")
      if(member MATCHES "${pattern}")
        string(STRIP "${line}" reason)
        string(APPEND found "\n  ${what}:\n    ${member}, needed by ${reason}")
      endif()
    endforeach()
    set(member "")
  endforeach()
endif()
if(NOT found STREQUAL "")
  message(FATAL_ERROR
    "vantrel-setup.exe links library pieces that must not enter the engine (see \"What must not "
    "enter the engine\" in docs/building.md):${found}")
endif()

if(LIMIT GREATER 0)
  math(EXPR limit_kib "${LIMIT} / 1024")
  if(size GREATER LIMIT)
    message(FATAL_ERROR
      "vantrel-setup.exe is ${size} bytes (${kib} KiB), over its limit of ${LIMIT} bytes (${limit_kib} KiB).\n"
      "Something heavy entered the engine: see \"What must not enter the engine\" in docs/building.md; "
      "scripts/engine-size-report shows where the bytes go.")
  endif()
  message(STATUS "vantrel-setup.exe: ${size} bytes (${kib} KiB), limit ${limit_kib} KiB")
endif()
