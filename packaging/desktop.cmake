# What a desktop shows of the Linux programs: an entry for each in its
# menus, their icon, and AppStream metadata for software centres.
include(GNUInstallDirs)
set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(generated_dir ${CMAKE_BINARY_DIR}/packaging)

set(comment_overdraw "Animate a magenta polyline over everything on the screen")
set(comment_cleardraw "Clear the screen to white and animate a magenta polyline on it")
foreach(program ${PROGRAMS})
  set(comment ${comment_${program}})
  configure_file(${packaging_dir}/program.desktop.in ${generated_dir}/${program}.desktop @ONLY)
  install(FILES ${generated_dir}/${program}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endforeach()
install(FILES ${packaging_dir}/overdraw.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# AppStream names a component, and its developer, by a reverse domain name:
# the project's own domain is that of its contact address.
set(appstream_developer_id example.c_seed_e9880ce0)
set(appstream_id ${appstream_developer_id}.overdraw)
# The release is the changelog's: its version, and its date, which follows
# the two spaces after the maintainer, as AppStream writes a date.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${packaging_dir}/changelog.in)
file(STRINGS ${packaging_dir}/changelog.in trailer REGEX "^ -- ")
string(REGEX REPLACE "^.*  " "" changelog_date "${trailer}")
execute_process(COMMAND date -u -d ${changelog_date} +%F
  OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${packaging_dir}/metainfo.xml.in ${generated_dir}/${appstream_id}.metainfo.xml @ONLY)
install(FILES ${generated_dir}/${appstream_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
