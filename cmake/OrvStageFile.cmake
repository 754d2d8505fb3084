# Copies one shipped file of the default installation to its place, filling in the
# installation's own values:
#   @ORV_HOME@          the installation directory the file describes
#   @ORV_VERSION@       the version of the libraries
#   @ORV_INSTALL_TYPE@  local or global
# Run as a script: cmake -DSRC=... -DDST=... -DORV_HOME=... -DORV_VERSION=...
#                        -DORV_INSTALL_TYPE=... [-DORV_BACKSLASH_PATHS=ON] -P OrvStageFile.cmake
# With ORV_BACKSLASH_PATHS (Windows) the paths below @ORV_HOME@ are joined with backslashes,
# the separator the configuration service writes and expects there; the trace library's
# file gets forward slashes.
# configure_file leaves an unchanged destination alone, so a rerun keeps its time stamp.
foreach(var SRC DST ORV_HOME ORV_VERSION ORV_INSTALL_TYPE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "OrvStageFile.cmake: ${var} is not set")
  endif()
endforeach()
cmake_policy(SET CMP0053 NEW) # "@ORV_HOME@" below is text, not a variable
set(source "${SRC}")
if(ORV_BACKSLASH_PATHS AND SRC MATCHES "OrvTrace\\.properties$")
  # The trace library reads forward slashes.
  string(REPLACE "\\" "/" ORV_HOME "${ORV_HOME}")
elseif(ORV_BACKSLASH_PATHS)
  string(REPLACE "/" "\\" ORV_HOME "${ORV_HOME}")
  file(READ "${SRC}" text)
  string(REGEX REPLACE "@ORV_HOME@/([A-Za-z0-9_.]+)/([A-Za-z0-9_.]+)" "@ORV_HOME@\\\\\\1\\\\\\2" text "${text}")
  string(REGEX REPLACE "@ORV_HOME@/([A-Za-z0-9_.]+)" "@ORV_HOME@\\\\\\1" text "${text}")
  set(source "${DST}.in")
  file(WRITE "${source}" "${text}")
endif()
configure_file("${source}" "${DST}" @ONLY NEWLINE_STYLE UNIX)
if(NOT source STREQUAL SRC)
  file(REMOVE "${source}")
endif()
