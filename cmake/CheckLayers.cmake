# Fails when a source file includes a header from a layer above its own. Run as
#   cmake -DSOURCE_DIR=<repository> -P cmake/CheckLayers.cmake
# The layers, bottom to top; folders on one line (comma-separated) form one layer and may
# include each other.
set(VANTREL_LAYERS
  "format"
  "support"
  "run"
  "context"
  "actions,uninstall,ui"
  "engine")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

# Rank of each folder of src/.
set(rank 0)
foreach(layer IN LISTS VANTREL_LAYERS)
  # A ";" inside one entry would split it into layers of their own.
  string(REPLACE "," ";" folders "${layer}")
  foreach(folder IN LISTS folders)
    set(rank_${folder} ${rank})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()
# The builder sits on the portable formats only.
set(rank_builder 0)

set(violations "")
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp"
     "${SOURCE_DIR}/builder/*.h" "${SOURCE_DIR}/builder/*.cpp")
foreach(source IN LISTS sources)
  if(source MATCHES "^src/([a-z_]+)/")
    set(own "${CMAKE_MATCH_1}")
  elseif(source MATCHES "^builder/")
    set(own "builder")
  else()
    continue()
  endif()
  if(NOT DEFINED rank_${own})
    list(APPEND violations "${source}: folder '${own}' belongs to no layer")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*\"([a-z_]+)/")
      set(target "${CMAKE_MATCH_1}")
      if(own STREQUAL "builder")
        if(NOT target STREQUAL "format" AND NOT target STREQUAL "builder")
          list(APPEND violations "${source}: the builder includes '${target}/' (only format/ is allowed)")
        endif()
      elseif(NOT DEFINED rank_${target})
        list(APPEND violations "${source}: includes '${target}/', which belongs to no layer")
      elseif(rank_${target} GREATER rank_${own})
        list(APPEND violations "${source}: ${own}/ includes from ${target}/, a layer above it")
      endif()
    elseif(line MATCHES "<windows\\.h>" AND own STREQUAL "format")
      list(APPEND violations "${source}: portable code includes <windows.h>")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Layer check failed:\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "Layer check: ${count} files, every include from its own layer or below")
