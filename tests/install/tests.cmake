# Checks of the installation contract: what liborvcfg exports, a host project built
# against an installed prefix with find_package(OrvCfg), the manual pages and the completion.
add_test(NAME install.ExportedSymbolsAreOnlyTheInterfaceClasses
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_exports.sh $<TARGET_FILE:orvcfg>)
add_test(NAME install.ConsumerBuildsAgainstInstalledPackage
  COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}/consumer
    -DWORK_DIR=${PROJECT_BINARY_DIR}/install-check
    -DSANITIZE=${ORV_SANITIZE}
    -P ${CMAKE_CURRENT_LIST_DIR}/consumer_check.cmake)
set_tests_properties(install.ConsumerBuildsAgainstInstalledPackage PROPERTIES TIMEOUT 600 RESOURCE_LOCK install-prefix)
add_test(NAME install.ReadmeShowsTheHostProgramTheTestsBuild
  COMMAND ${CMAKE_COMMAND} -DREADME=${PROJECT_SOURCE_DIR}/README.md
    -DEXAMPLE=${PROJECT_SOURCE_DIR}/examples/host/main.cpp
    -P ${CMAKE_CURRENT_LIST_DIR}/readme_example_check.cmake)
if(TARGET orvcfg_cli)
  add_test(NAME install.ManPagesDocumentEveryCommandAndOptionOfTheTool
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/man_check.sh $<TARGET_FILE:orvcfg_cli> ${PROJECT_BINARY_DIR}/share/man)
  add_test(NAME install.CompletionOffersCommandsOptionsKeysAndValues
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/completion_check.sh $<TARGET_FILE:orvcfg_cli>
      ${PROJECT_SOURCE_DIR}/share/bash-completion/completions/orvcfg ${PROJECT_SOURCE_DIR}/dist/config/Orv.properties)
endif()
