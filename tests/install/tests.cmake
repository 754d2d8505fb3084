# Checks of the installation contract: what liborvcfg exports, a host project built
# against an installed prefix with find_package(OrvCfg), the manual pages and the completion.
if(WIN32)
  # Each DLL exports its interface classes and nothing else: what the Linux libraries export
  # (the trace library's settings and line format are read by orvcfg's trace command).
  set(ORV_OBJDUMP ${ORV_MINGW_TRIPLET}-objdump)
  set(ORV_CXXFILT ${ORV_MINGW_TRIPLET}-c++filt)
  set(ORV_DLL_INTERFACES
    orvcfg "OrvCfg|XmlOrvParser|ParseNodeSink|Node|TextNode|NodeAttributes|StringVector|NodeSink"
    orvbase "String|File|Process|ZipFile|ZipEntry|InputStream|orvDecodeNarrow|orvEncodeNarrow"
    orvtrace "Tracer|Trace|TraceSettings|TraceLine")
  while(ORV_DLL_INTERFACES)
    list(POP_FRONT ORV_DLL_INTERFACES dll names)
    add_test(NAME install.${dll}DllExportsOnlyItsInterface
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_dll_exports.sh ${ORV_OBJDUMP} ${ORV_CXXFILT} $<TARGET_FILE:${dll}> "${names}")
  endwhile()
  # The installation archive, unpacked into a scratch folder, runs there under wine.
  add_test(NAME install.ZipArchiveRunsWhereItIsUnpacked
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DWORK_DIR=${PROJECT_BINARY_DIR}/archive-check
      "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -P ${CMAKE_CURRENT_LIST_DIR}/win_archive_check.cmake)
  set_tests_properties(install.ZipArchiveRunsWhereItIsUnpacked PROPERTIES TIMEOUT 600 RESOURCE_LOCK install-prefix)
else()
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
endif()
add_test(NAME install.ReadmeShowsTheHostProgramTheTestsBuild
  COMMAND ${CMAKE_COMMAND} -DREADME=${PROJECT_SOURCE_DIR}/README.md
    -DEXAMPLE=${PROJECT_SOURCE_DIR}/examples/host/main.cpp
    -P ${CMAKE_CURRENT_LIST_DIR}/readme_example_check.cmake)
if(TARGET orvcfg_cli AND NOT WIN32)
  add_test(NAME install.ManPagesDocumentEveryCommandAndOptionOfTheTool
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/man_check.sh $<TARGET_FILE:orvcfg_cli> ${PROJECT_BINARY_DIR}/share/man)
  add_test(NAME install.CompletionOffersCommandsOptionsKeysAndValues
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/completion_check.sh $<TARGET_FILE:orvcfg_cli>
      ${PROJECT_SOURCE_DIR}/share/bash-completion/completions/orvcfg ${PROJECT_SOURCE_DIR}/dist/config/Orv.properties)
endif()
