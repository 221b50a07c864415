# The distribution's build flags, as dpkg-buildflags gives them to Debian's
# own packages, with every hardening feature on: stack protector, fortify,
# format checks, PIE, RELRO and immediate binding; and on x86 control-flow
# protection, which Debian 13's flags add and Debian 12's lack. They come
# before the build type's flags, which still decide optimisation and debug
# information, and apply to every target of the Linux build, so that the
# tests run the code as the programs are built. Source paths are recorded
# relative to the tree.
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get ${kind}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE distribution_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i[3-6]86)$" AND NOT distribution_CXXFLAGS MATCHES "-fcf-protection")
  string(APPEND distribution_CXXFLAGS " -fcf-protection")
endif()
string(PREPEND CMAKE_CXX_FLAGS "${distribution_CPPFLAGS} ${distribution_CXXFLAGS} ")
string(PREPEND CMAKE_EXE_LINKER_FLAGS "${distribution_LDFLAGS} ")
string(PREPEND CMAKE_MODULE_LINKER_FLAGS "${distribution_LDFLAGS} ")
