# The Windows build (cross-built with cmake/mingw-w64-x86_64.cmake, run under wine):
# the DLLs that the programs load besides ours, beside them in the build tree and in the
# installation, and the emulator that runs the tests.
if(NOT ORV_WIN_DEPS)
  message(FATAL_ERROR "The Windows build needs -DORV_WIN_DEPS=<prefix of scripts/win-deps.sh>")
endif()

file(GLOB ORV_WIN_RUNTIME_DLLS ${ORV_WIN_DEPS}/bin/*.dll)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "The compiler runtime ${dll} is missing")
  endif()
  get_filename_component(path ${path} REALPATH)
  list(APPEND ORV_WIN_RUNTIME_DLLS ${path})
endforeach()
file(COPY ${ORV_WIN_RUNTIME_DLLS} DESTINATION ${CMAKE_BINARY_DIR}/bin)
install(FILES ${ORV_WIN_RUNTIME_DLLS} DESTINATION bin)

# Wine finds the DLLs of bin/ for the test programs in tests/ through its PATH. The
# prefix is created on the first start (about 10 s) and kept.
set(ORV_WINEPREFIX "$ENV{HOME}/.cache/orvcfg-win/wine" CACHE PATH "The wine prefix of the Windows tests")
string(REPLACE "/" "\\" ORV_WIN_BIN_DIR "Z:${CMAKE_BINARY_DIR}/bin")
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all WINEPREFIX=${ORV_WINEPREFIX}
    "WINEPATH=${ORV_WIN_BIN_DIR}" wine)

# Packing (./dev win, and the archive's test while other tests run) follows a complete
# build and must not start one.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
