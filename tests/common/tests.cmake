# A host that keeps node trees in statics and releases them while it exits: under valgrind
# with the node pool active in the normal build, under the sanitizers (no pool) otherwise.
add_executable(xmlproxy_exit_host ${CMAKE_CURRENT_LIST_DIR}/xmlproxy/host/StaticTreesHost.cpp)
target_link_libraries(xmlproxy_exit_host PRIVATE orv_xmlproxy orv_warnings)
set_target_properties(xmlproxy_exit_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
if(NOT ORV_SANITIZE AND NOT WIN32)
  # valgrind runs Linux programs only: the Windows build runs the host under wine and
  # checks that it exits cleanly.
  find_program(ORV_VALGRIND valgrind REQUIRED)
  set(ORV_EXIT_HOST_RUNNER ${ORV_VALGRIND} --quiet --error-exitcode=99 --leak-check=full
      --show-leak-kinds=all --errors-for-leak-kinds=all)
endif()
if(ORV_EXIT_HOST_RUNNER)
  add_test(NAME xmlproxy.TreesKeptInStaticsAreReleasedCleanlyAtExit
    COMMAND ${ORV_EXIT_HOST_RUNNER} $<TARGET_FILE:xmlproxy_exit_host>)
else()
  # The target's name, so that a cross build runs it through the emulator.
  add_test(NAME xmlproxy.TreesKeptInStaticsAreReleasedCleanlyAtExit COMMAND xmlproxy_exit_host)
endif()
