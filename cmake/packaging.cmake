# What each platform installs, and the package that carries it: `--target package` makes
# wrenpage_<version>_amd64.deb on Linux and wrenpage-<version>-win64.zip on Windows.

set(CPACK_PACKAGE_NAME wrenpage)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The wrenpage authors")
set(CPACK_PACKAGE_CONTACT "The wrenpage authors <maintainers@users.noreply.c-seed-63e733f5.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print an XPS document and wait until the job is complete")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Unpacked anywhere, the executable runs as it is: no folders, nothing to install.
  install(TARGETS wrenpage RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME wrenpage-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # Debian keeps manual pages and changelogs gzipped; -n leaves out the time, so a rebuild is the same. A
  # native package's changelog is changelog.gz.
  set(packaged_dir ${PROJECT_BINARY_DIR}/packaging)
  file(MAKE_DIRECTORY ${packaged_dir})
  set(packaged_docs ${packaged_dir}/wrenpage.1.gz ${packaged_dir}/wrenpage-pdf.1.gz ${packaged_dir}/changelog.gz)
  add_custom_command(OUTPUT ${packaged_docs}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/wrenpage.1 ${packaged_dir}/wrenpage.1
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/wrenpage-pdf.1 ${packaged_dir}/wrenpage-pdf.1
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${packaged_dir}/changelog
    COMMAND gzip -9nf ${packaged_dir}/wrenpage.1 ${packaged_dir}/wrenpage-pdf.1 ${packaged_dir}/changelog
    DEPENDS docs/wrenpage.1 docs/wrenpage-pdf.1 packaging/debian/changelog VERBATIM)
  add_custom_target(packaged_docs ALL DEPENDS ${packaged_docs})

  install(FILES ${packaged_dir}/wrenpage.1.gz ${packaged_dir}/wrenpage-pdf.1.gz DESTINATION share/man/man1)
  install(FILES completion/wrenpage DESTINATION share/bash-completion/completions)
  install(FILES packaging/debian/copyright ${packaged_dir}/changelog.gz DESTINATION share/doc/wrenpage)
  install(FILES packaging/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME wrenpage)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb-without-ldconfig.cmake)
  set(CPACK_PACKAGE_DESCRIPTION [=[wrenpage PRINTER FILE.xps prints one XPS document on a CUPS destination and
waits until the print server says the job is complete. It writes nothing on
success and one line on failure, and its exit status tells a script what
happened: 0 only when the job completed.
.
wrenpage-pdf FILE.xps OUT.pdf writes the same translation to a PDF file. The
CUPS filter xpstopdf-wrenpage, with the MIME types and conversion that make
cupsd run it, lets lp and IPP clients print XPS and OpenXPS documents.]=])
endif()

# Directories the package makes are rwxr-xr-x whatever the umask of whoever built it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
