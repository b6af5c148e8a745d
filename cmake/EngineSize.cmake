# The shipped engine executable, built for size. Every setup.exe carries it (and the uninstaller
# is a copy of it), so it is built apart from the engine library that the Windows tests link:
#  - the win32 thread model instead of posix (no winpthread: its locks serve the unwinder and
#    the clocks alone), through a compiler launcher, so these sources compile twice, once per
#    model; the two models never meet in one program;
#  - link-time optimisation in one partition (for the engine alone: GCC 12 crashes on toml++
#    under LTO, and on the engine too when the link is split into partitions);
#  - no RTTI (nothing asks for a type at run time; exceptions keep their type information);
#  - the decoder-only liblzma that scripts/bootstrap builds;
#  - the standard library's throw routines replaced by fatal ends (engine/library_faults.cpp).
# A size limit fails the build when something heavy slips in, and so does a heavy library piece
# named in the linker map (cmake/CheckEngineSize.cmake); docs/building.md says what.
# The limit: 612,352 bytes measured with every feature in, plus about 7% (640 KiB), so that
# an ordinary change passes and a heavy piece of library fails; lower it as the engine
# shrinks. It is not a cache entry, so every build directory follows a change here;
# -DVANTREL_ENGINE_SIZE_LIMIT_OVERRIDE=<bytes> replaces it in one (0: no size check).
set(vantrel_engine_size_limit 655360)
set(VANTREL_ENGINE_SIZE_LIMIT_OVERRIDE "" CACHE STRING "Largest vantrel-setup.exe in bytes instead of the project's (0: no check)")
if(NOT VANTREL_ENGINE_SIZE_LIMIT_OVERRIDE STREQUAL "")
  set(vantrel_engine_size_limit ${VANTREL_ENGINE_SIZE_LIMIT_OVERRIDE})
endif()
unset(VANTREL_ENGINE_SIZE_LIMIT CACHE)  # the cache entry of earlier builds

# Code generation of the shipped engine, on top of the build type's -Os. With link-time
# optimisation these take effect where each source is compiled: the link only generates code.
set(VANTREL_ENGINE_FLAGS -ffunction-sections -fdata-sections -flto -fno-rtti -fno-ident
  -fmerge-all-constants)
set(VANTREL_LZMA_DECODER "${VANTREL_DEPS_PREFIX}/lib/liblzma-decoder.a")
if(NOT EXISTS "${VANTREL_LZMA_DECODER}")
  message(FATAL_ERROR "${VANTREL_LZMA_DECODER} is missing: run scripts/bootstrap")
endif()
string(REGEX REPLACE "-posix$" "-win32" VANTREL_WIN32_MODEL_CXX "${CMAKE_CXX_COMPILER}")
if(NOT EXISTS "${VANTREL_WIN32_MODEL_CXX}")
  message(FATAL_ERROR "${VANTREL_WIN32_MODEL_CXX} is missing: run scripts/bootstrap")
endif()
set(VANTREL_WIN32_MODEL_LAUNCHER "${PROJECT_SOURCE_DIR}/cmake/win32-thread-model")

# The throw routines go into the executable alone: the Windows tests link the engine library
# with the standard ones, where gtest expects the usual exceptions.
set(VANTREL_LIBRARY_FAULTS ${CMAKE_CURRENT_SOURCE_DIR}/engine/library_faults.cpp)
get_target_property(vantrel_engine_library_sources vantrel_engine SOURCES)
list(REMOVE_ITEM vantrel_engine_library_sources ${VANTREL_LIBRARY_FAULTS})
set_property(TARGET vantrel_engine PROPERTY SOURCES ${vantrel_engine_library_sources})

# The engine's sources: everything the engine library holds, and the format library without
# the payload writers and the encoder, which only the builder uses (they may use std::thread,
# which the win32 model lacks). The engine writes its own files (the uninstall data, the
# comma-separated records) and keeps those writers.
get_target_property(vantrel_shipped_sources vantrel_engine SOURCES)
get_target_property(vantrel_shipped_format_sources vantrel_format SOURCES)
list(FILTER vantrel_shipped_format_sources EXCLUDE REGEX
  "/(payload|payload_header|data_area|pe_section|settings_block|settings_stream|blowfish)_writer\\.cpp$|_encoder[^/]*\\.cpp$")
list(APPEND vantrel_shipped_sources ${vantrel_shipped_format_sources})

add_library(vantrel_engine_shipped STATIC ${vantrel_shipped_sources})
target_include_directories(vantrel_engine_shipped PUBLIC
  $<TARGET_PROPERTY:vantrel_engine,INTERFACE_INCLUDE_DIRECTORIES>
  $<TARGET_PROPERTY:vantrel_format,INTERFACE_INCLUDE_DIRECTORIES>)
target_include_directories(vantrel_engine_shipped SYSTEM PRIVATE "${VANTREL_DEPS_PREFIX}/include")
target_compile_definitions(vantrel_engine_shipped
  PUBLIC $<TARGET_PROPERTY:vantrel_engine,INTERFACE_COMPILE_DEFINITIONS> PRIVATE LZMA_API_STATIC)
target_compile_options(vantrel_engine_shipped PRIVATE ${VANTREL_ENGINE_FLAGS})
target_link_libraries(vantrel_engine_shipped PRIVATE vantrel_warnings)
set_target_properties(vantrel_engine_shipped PROPERTIES CXX_COMPILER_LAUNCHER "${VANTREL_WIN32_MODEL_LAUNCHER}")

# The system libraries the engine library names, without our own libraries.
get_target_property(vantrel_engine_links vantrel_engine INTERFACE_LINK_LIBRARIES)
list(FILTER vantrel_engine_links EXCLUDE REGEX "vantrel_")

target_sources(vantrel-setup PRIVATE ${VANTREL_LIBRARY_FAULTS})
set_property(TARGET vantrel-setup PROPERTY LINK_LIBRARIES
  vantrel_engine_shipped "${VANTREL_LZMA_DECODER}" ${vantrel_engine_links} vantrel_warnings)
target_compile_options(vantrel-setup PRIVATE ${VANTREL_ENGINE_FLAGS})
# One partition: GCC 12 stops with an internal compiler error (binds_to_current_def_p, in the
# modref or dead-store pass) on inline functions that the partitioning leaves public; the
# whole engine in one unit is also the smallest. library_faults.cpp must be LTO code as well:
# a plain object beside the LTO ones defines the same inline functions twice.
target_link_options(vantrel-setup PRIVATE ${VANTREL_ENGINE_FLAGS} -flto-partition=one
  -Wl,-Map=${CMAKE_CURRENT_BINARY_DIR}/vantrel-setup.map)
set_target_properties(vantrel-setup PROPERTIES
  CXX_COMPILER_LAUNCHER "${VANTREL_WIN32_MODEL_LAUNCHER}" CXX_LINKER_LAUNCHER "${VANTREL_WIN32_MODEL_LAUNCHER}")

# The size limit, and the linker map checked for library pieces that must never be linked in
# (the printf family, the float converter, standard exception classes, streams, winpthread),
# whatever the size.
add_custom_command(TARGET vantrel-setup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DENGINE=$<TARGET_FILE:vantrel-setup> -DLIMIT=${vantrel_engine_size_limit}
          -DMAP=${CMAKE_CURRENT_BINARY_DIR}/vantrel-setup.map -P ${PROJECT_SOURCE_DIR}/cmake/CheckEngineSize.cmake
  VERBATIM)
