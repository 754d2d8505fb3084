# The installation contract: libraries, public headers as <prefix>/include/orv/<Class>.h,
# and a CMake package that gives the target OrvCfg::orvcfg.
include(CMakePackageConfigHelpers)

set(ORV_PUBLIC_HEADER_CANDIDATES
  src/platform/OrvExport.h
  src/platform/String.h
  src/platform/File.h
  src/platform/Process.h
  src/platform/InputStream.h
  src/platform/ZipEntry.h
  src/platform/ZipFile.h
  src/platform/trace/Tracer.h
  src/platform/trace/Trace.h
  src/config/OrvCfg.h
  src/common/xmlproxy/StringVector.h
  src/common/xmlproxy/NodeAttributes.h
  src/common/xmlproxy/Node.h
  src/common/xmlproxy/TextNode.h
  src/common/xmlproxy/NodeSink.h
  src/parser/ParseNodeSink.h
  src/parser/XmlOrvParser.h)
set(ORV_PUBLIC_HEADERS)
foreach(h ${ORV_PUBLIC_HEADER_CANDIDATES})
  if(EXISTS ${PROJECT_SOURCE_DIR}/${h})
    list(APPEND ORV_PUBLIC_HEADERS ${PROJECT_SOURCE_DIR}/${h})
  endif()
endforeach()

install(TARGETS orvbase orvtrace orvcfg
  EXPORT OrvCfgTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ORV_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orv)
install(EXPORT OrvCfgTargets NAMESPACE OrvCfg:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/OrvCfg)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvCfgConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvCfgConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/OrvCfg)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvCfgConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvCfgConfig.cmake ${PROJECT_BINARY_DIR}/OrvCfgConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/OrvCfg)
