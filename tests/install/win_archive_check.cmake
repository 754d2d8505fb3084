# The Windows installation archive: made with cpack, unpacked into a scratch folder, and
# orvcfg.exe run there under wine with the commands a scanner's administrator uses.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DEMULATOR=<command list> -P win_archive_check.cmake
foreach(var BUILD_DIR WORK_DIR EMULATOR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "win_archive_check.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/package" "${WORK_DIR}/unpacked")
execute_process(COMMAND cpack -G ZIP -B "${WORK_DIR}/package" WORKING_DIRECTORY "${BUILD_DIR}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB archive "${WORK_DIR}/package/*.zip")
file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${WORK_DIR}/unpacked")
set(home "${WORK_DIR}/unpacked")

foreach(rel bin/orvcfg.exe bin/orvcfg.dll bin/orvbase.dll bin/orvtrace.dll bin/orvcli.xsd
            config/Orv.properties config/OrvTrace.properties config/orvcli.xml
            install/orv_install.properties)
  if(NOT EXISTS "${home}/${rel}")
    message(FATAL_ERROR "the archive lacks ${rel}")
  endif()
endforeach()
file(GLOB dlls RELATIVE "${home}/bin" "${home}/bin/*.dll")
message(STATUS "DLLs beside orvcfg.exe: ${dlls}")

# Runs orvcfg.exe of the unpacked tree; `expected` must occur in its output.
function(run_orvcfg expected)
  execute_process(COMMAND ${EMULATOR} "${home}/bin/orvcfg.exe" ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "orvcfg ${ARGN}: exit ${rc}\n${out}${err}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "orvcfg ${ARGN} failed")
  endif()
  string(FIND "${out}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "orvcfg ${ARGN}: no \"${expected}\" in its output")
  endif()
endfunction()

# The directories are found from the place of the program: the scratch folder, as wine's
# drive Z: names it.
string(REPLACE "/" "\\" native_home "Z:${home}")
run_orvcfg("${native_home}\\config\\" dirs)
run_orvcfg("MIN" get trace_level)
run_orvcfg("" set trace_level MAX)
run_orvcfg("MAX" get trace_level)
file(READ "${home}/config/OrvTrace.properties" trace)
if(NOT trace MATCHES "DEBUG_MAX")
  message(FATAL_ERROR "set trace_level did not reach OrvTrace.properties")
endif()
run_orvcfg("" parse "${native_home}\\config\\orvcli.xml")
