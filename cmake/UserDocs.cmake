# The manual pages and the bash completion of orvcfg. The pages are written in scdoc and
# rendered to roff at build time into share/man/ of the build tree, compressed as Debian
# ships manual pages; `cmake --install` puts them under ORV_MAN_DIR.
find_program(ORV_SCDOC scdoc REQUIRED)
find_program(ORV_GZIP gzip REQUIRED)

# Under the prefix for `cmake --install`; where man and bash look for the Debian package.
if(ORV_DEBIAN_PACKAGE)
  set(ORV_MAN_DIR /usr/share/man)
  set(ORV_BASH_COMPLETION_DIR /usr/share/bash-completion/completions)
else()
  set(ORV_MAN_DIR ${CMAKE_INSTALL_MANDIR})
  set(ORV_BASH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

set(ORV_MAN_PAGES orvcfg.1 orvcfg.properties.5)
set(ORV_MAN_OUTPUTS)
foreach(page ${ORV_MAN_PAGES})
  string(REGEX MATCH "[0-9]$" section ${page})
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd)
  set(output ${CMAKE_BINARY_DIR}/share/man/man${section}/${page}.gz)
  # The page's date is the release's, not the build's, so that two builds give the same bytes.
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man${section}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ORV_RELEASE_EPOCH}
            sh -c "\"$0\" < \"$1\" | \"$2\" -9n > \"$3\"" ${ORV_SCDOC} ${source} ${ORV_GZIP} ${output}
    DEPENDS ${source}
    COMMENT "Rendering the manual page ${page}"
    VERBATIM)
  list(APPEND ORV_MAN_OUTPUTS ${output})
  install(FILES ${output} DESTINATION ${ORV_MAN_DIR}/man${section})
endforeach()
add_custom_target(orv_man_pages ALL DEPENDS ${ORV_MAN_OUTPUTS})

install(FILES ${PROJECT_SOURCE_DIR}/share/bash-completion/completions/orvcfg
  DESTINATION ${ORV_BASH_COMPLETION_DIR})
