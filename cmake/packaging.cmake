# What each platform installs.

if(NOT WIN32)
  # Debian keeps manual pages gzipped; -n leaves out the time, so a rebuild is the same.
  set(packaged_dir ${PROJECT_BINARY_DIR}/packaging)
  file(MAKE_DIRECTORY ${packaged_dir})
  add_custom_command(OUTPUT ${packaged_dir}/wrenpage.1.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/wrenpage.1 ${packaged_dir}/wrenpage.1
    COMMAND gzip -9nf ${packaged_dir}/wrenpage.1
    DEPENDS docs/wrenpage.1 VERBATIM)
  add_custom_target(packaged_docs ALL DEPENDS ${packaged_dir}/wrenpage.1.gz)

  install(FILES ${packaged_dir}/wrenpage.1.gz DESTINATION share/man/man1)
  install(FILES completion/wrenpage DESTINATION share/bash-completion/completions)
endif()
