# The .deb: stripped programs, dependencies computed from them as
# dpkg-shlibdeps does, and what Debian asks of every package beside them
# (a description, a copyright file, a changelog, a manual page per program).
include(GNUInstallDirs)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION "Two tiny desktop programs that show a notice, open a maximized window and then
animate an 18-point magenta polyline directly on the whole screen, about
twice a second, on X11 or natively on Wayland compositors with layer shell.
overdraw draws every frame over whatever the screen shows, cleardraw fills
the screen with white in every frame. Releasing a key ends them.")

set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(generated_dir ${CMAKE_BINARY_DIR}/packaging)

# The copyright file in Debian's machine-readable form, from LICENSE: the
# holder from its copyright line, the text from its permission notice on,
# each line indented and each empty line a lone dot.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${license}")
set(copyright_holder ${CMAKE_MATCH_1})
string(REGEX REPLACE "^.*\n(Permission )" "\\1" expat_text "${license}")
string(STRIP "${expat_text}" expat_text)
string(REPLACE "\n\n" "\n.\n" expat_text "${expat_text}")
string(REPLACE "\n" "\n " expat_text " ${expat_text}")
configure_file(${packaging_dir}/copyright.in ${generated_dir}/copyright @ONLY)

# Compressed as Debian wants them, at the highest level with no name or time
# stamp, when the build is configured: packaging needs nothing built but the
# programs.
configure_file(${packaging_dir}/changelog.in ${generated_dir}/changelog @ONLY)
set(man_pages)
foreach(program ${PROGRAMS})
  list(APPEND man_pages ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
  install(FILES ${generated_dir}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${man_pages})
foreach(source ${generated_dir}/changelog ${man_pages})
  get_filename_component(name ${source} NAME)
  execute_process(COMMAND gzip -9n INPUT_FILE ${source} OUTPUT_FILE ${generated_dir}/${name}.gz
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

install(FILES ${generated_dir}/copyright ${generated_dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
