# Fails the build when the shipped engine grows past its limit (cmake -P, see EngineSize.cmake).
file(SIZE "${ENGINE}" size)
math(EXPR kib "(${size} + 1023) / 1024")
math(EXPR limit_kib "${LIMIT} / 1024")
if(size GREATER LIMIT)
  message(FATAL_ERROR
    "vantrel-setup.exe is ${size} bytes (${kib} KiB), over its limit of ${LIMIT} bytes (${limit_kib} KiB).\n"
    "Something heavy entered the engine: see \"What must not enter the engine\" in docs/building.md "
    "and compare a linker map (-Wl,-Map) with the previous build.")
endif()
message(STATUS "vantrel-setup.exe: ${size} bytes (${kib} KiB), limit ${limit_kib} KiB")
