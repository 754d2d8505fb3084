# tools_tests: runs the built orvcfg as a subprocess against temporary installations.
# tools_install_tests: installs this build tree into a temporary prefix and builds the
# example host against it; it shares a lock with the other installation checks, which
# install the same build tree.
if(TARGET orvcfg_cli)
  if(ORV_SANITIZE)
    set(ORV_TOOLS_TEST_SANITIZE 1)
  else()
    set(ORV_TOOLS_TEST_SANITIZE 0)
  endif()
  orv_system_sources(ORV_TOOLS_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR})
  set(ORV_TOOLS_TEST_HELPERS ${ORV_TOOLS_TEST_SOURCES})
  list(FILTER ORV_TOOLS_TEST_HELPERS INCLUDE REGEX "/ToolHarness\\.cpp$")
  list(APPEND ORV_TOOLS_TEST_HELPERS ${ORV_TEST_SUPPORT_SOURCES})
  list(FILTER ORV_TOOLS_TEST_SOURCES EXCLUDE REGEX "/InstallTest\\.cpp$")

  function(orv_add_tools_test name)
    add_executable(${name} ${ARGN} ${ORV_TOOLS_TEST_HELPERS})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main PkgConfig::LIBZIP ${ORV_TEST_SUPPORT_LIBS} orv_warnings)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support ${CMAKE_CURRENT_LIST_DIR})
    target_compile_definitions(${name} PRIVATE
      ORV_TEST_TOOL="$<TARGET_FILE:orvcfg_cli>"
      ORV_TEST_LIB_DIR="$<TARGET_FILE_DIR:orvcfg>"
      ORV_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      ORV_TEST_BINARY_DIR="${PROJECT_BINARY_DIR}"
      ORV_TEST_CMAKE="${CMAKE_COMMAND}"
      ORV_TEST_VERSION="${PROJECT_VERSION}"
      ORV_TEST_SANITIZE=${ORV_TOOLS_TEST_SANITIZE}
      ORV_TEST_FSPROBE="$<TARGET_FILE:fsprobe>")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_dependencies(${name} orvcfg_cli)
  endfunction()

  list(REMOVE_ITEM ORV_TOOLS_TEST_SOURCES ${ORV_TOOLS_TEST_HELPERS})
  orv_add_tools_test(tools_tests ${ORV_TOOLS_TEST_SOURCES})
  gtest_discover_tests(tools_tests DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)

  # On Windows the installation archive's test (tests/install) takes this one's place: the
  # installed tree cannot run CMake under wine.
  if(NOT WIN32)
    orv_add_tools_test(tools_install_tests ${CMAKE_CURRENT_LIST_DIR}/InstallTest.cpp)
    gtest_discover_tests(tools_install_tests DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600 RESOURCE_LOCK install-prefix)
  endif()
endif()
