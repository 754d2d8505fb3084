# Copies one shipped file of the default installation to its place, filling in the
# installation's own values:
#   @ORV_HOME@          the installation directory the file describes
#   @ORV_VERSION@       the version of the libraries
#   @ORV_INSTALL_TYPE@  local or global
# Run as a script: cmake -DSRC=... -DDST=... -DORV_HOME=... -DORV_VERSION=...
#                        -DORV_INSTALL_TYPE=... -P OrvStageFile.cmake
# configure_file leaves an unchanged destination alone, so a rerun keeps its time stamp.
foreach(var SRC DST ORV_HOME ORV_VERSION ORV_INSTALL_TYPE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "OrvStageFile.cmake: ${var} is not set")
  endif()
endforeach()
configure_file("${SRC}" "${DST}" @ONLY NEWLINE_STYLE UNIX)
