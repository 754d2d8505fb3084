# tools_tests: runs the built orvcfg as a subprocess against temporary installations, and
# builds the example host against an installed package.
if(TARGET orvcfg_cli)
  file(GLOB ORV_TOOLS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  add_executable(tools_tests ${ORV_TOOLS_TEST_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/support/TestSupport.cpp)
  target_link_libraries(tools_tests PRIVATE GTest::gtest GTest::gtest_main orv_warnings)
  target_include_directories(tools_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support)
  if(ORV_SANITIZE)
    set(ORV_TOOLS_TEST_SANITIZE 1)
  else()
    set(ORV_TOOLS_TEST_SANITIZE 0)
  endif()
  target_compile_definitions(tools_tests PRIVATE
    ORV_TEST_TOOL="$<TARGET_FILE:orvcfg_cli>"
    ORV_TEST_LIB_DIR="$<TARGET_FILE_DIR:orvcfg>"
    ORV_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ORV_TEST_BINARY_DIR="${PROJECT_BINARY_DIR}"
    ORV_TEST_CMAKE="${CMAKE_COMMAND}"
    ORV_TEST_VERSION="${PROJECT_VERSION}"
    ORV_TEST_INSTALL_LIBDIR="${CMAKE_INSTALL_LIBDIR}"
    ORV_TEST_SANITIZE=${ORV_TOOLS_TEST_SANITIZE})
  set_target_properties(tools_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_dependencies(tools_tests orvcfg_cli)
  # The installation test installs this build tree; it shares the lock with the other
  # installation checks.
  gtest_discover_tests(tools_tests DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600 RESOURCE_LOCK install-prefix)
endif()
