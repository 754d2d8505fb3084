# A host that keeps node trees in statics and releases them while the program exits. The
# normal build runs it under valgrind with the node pool active; the sanitizer build, which
# has no pool, runs it under its own checks.
add_executable(xmlproxy_exit_host ${CMAKE_CURRENT_LIST_DIR}/xmlproxy/host/StaticTreesHost.cpp)
target_link_libraries(xmlproxy_exit_host PRIVATE orv_xmlproxy orv_warnings)
set_target_properties(xmlproxy_exit_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
if(ORV_SANITIZE)
  add_test(NAME xmlproxy.TreesKeptInStaticsAreReleasedCleanlyAtExit COMMAND xmlproxy_exit_host)
else()
  find_program(ORV_VALGRIND valgrind REQUIRED)
  add_test(NAME xmlproxy.TreesKeptInStaticsAreReleasedCleanlyAtExit
    COMMAND ${ORV_VALGRIND} --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=all
            --errors-for-leak-kinds=all $<TARGET_FILE:xmlproxy_exit_host>)
endif()
