# Debian's hardening flags, as dpkg-buildflags gives them to a package's build: the stack protector,
# _FORTIFY_SOURCE, and relocations made read-only and bound at start (relro, bindnow). The linux preset,
# whose build the .deb is packed from, includes this right after project(); the sanitizer and Windows
# builds do not. Asked from the source folder, so that the file-prefix map it adds makes the debug
# information's paths relative, as in any Debian package.
find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)

function(debian_flags name out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${name}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()

debian_flags(CPPFLAGS cppflags)
debian_flags(CXXFLAGS cxxflags)
debian_flags(LDFLAGS ldflags)
string(APPEND CMAKE_CXX_FLAGS " ${cppflags} ${cxxflags}")
foreach(kind EXE SHARED MODULE)
  string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${ldflags}")
endforeach()
