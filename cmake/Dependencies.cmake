# Third-party libraries: Debian's packages on the host, the bootstrap's static builds for mingw.
if(VANTREL_WINDOWS)
  set(VANTREL_DEPS_PREFIX "$ENV{VANTREL_DEPS}" CACHE PATH "Prefix of the mingw dependencies")
  if(NOT VANTREL_DEPS_PREFIX)
    set(VANTREL_DEPS_PREFIX "/opt/vantrel-deps/i686-w64-mingw32" CACHE PATH "" FORCE)
  endif()
  add_library(vantrel_lzma STATIC IMPORTED GLOBAL)
  set_target_properties(vantrel_lzma PROPERTIES
    IMPORTED_LOCATION "${VANTREL_DEPS_PREFIX}/lib/liblzma.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VANTREL_DEPS_PREFIX}/include"
    INTERFACE_COMPILE_DEFINITIONS "LZMA_API_STATIC")
  add_library(vantrel_gtest STATIC IMPORTED GLOBAL)
  set_target_properties(vantrel_gtest PROPERTIES
    IMPORTED_LOCATION "${VANTREL_DEPS_PREFIX}/lib/libgtest.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VANTREL_DEPS_PREFIX}/include")
  add_library(vantrel_gtest_main STATIC IMPORTED GLOBAL)
  set_target_properties(vantrel_gtest_main PROPERTIES
    IMPORTED_LOCATION "${VANTREL_DEPS_PREFIX}/lib/libgtest_main.a"
    INTERFACE_LINK_LIBRARIES vantrel_gtest)
  # toml++ is header-only and portable; expose just its folder to the cross compiler,
  # never the whole host include tree.
  set(VANTREL_TOML_SHIM "${CMAKE_BINARY_DIR}/toml-include")
  file(MAKE_DIRECTORY "${VANTREL_TOML_SHIM}")
  file(CREATE_LINK /usr/include/toml++ "${VANTREL_TOML_SHIM}/toml++" SYMBOLIC)
  add_library(vantrel_toml INTERFACE)
  target_include_directories(vantrel_toml SYSTEM INTERFACE "${VANTREL_TOML_SHIM}")
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LZMA REQUIRED IMPORTED_TARGET liblzma)
  add_library(vantrel_lzma ALIAS PkgConfig::LZMA)
  find_package(GTest REQUIRED)
  add_library(vantrel_gtest ALIAS GTest::gtest)
  add_library(vantrel_gtest_main ALIAS GTest::gtest_main)
  add_library(vantrel_toml INTERFACE)
endif()
