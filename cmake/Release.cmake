# The release: version resources of the Windows deliverables and the release archive.

set(RELEASE_COMPANY "Veltrane Technologies")
set(RELEASE_PRODUCT "DeroRirid Soft Modem")
set(VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

# The Windows deliverables, by target name, in the order the archive lists them.
set(RELEASE_TARGETS homolset softuninst VTRXIFS vtrxifs)

# add_version_resource(TARGET "description" "original file name"): gives the Windows builds of
# TARGET a VERSIONINFO resource with the project's version. The host build has no resources.
function(add_version_resource target description original_filename)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(VERSION_FILE_TYPE VFT_DLL)
  else()
    set(VERSION_FILE_TYPE VFT_APP)
  endif()
  set(VERSION_DESCRIPTION "${description}")
  set(VERSION_ORIGINAL_FILENAME "${original_filename}")
  get_filename_component(VERSION_INTERNAL_NAME "${original_filename}" NAME_WE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${VERSION_RC_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# add_release_package(): `cmake --build --preset mingw32 --target package` makes one ZIP with
# the deliverables that this tree builds, README.md and SHA256SUMS. Call it after every
# deliverable's target exists.
function(add_release_package)
  set(names)
  foreach(target ${RELEASE_TARGETS})
    if(TARGET ${target})
      # A DLL's import library is for linkers, not for users: it stays out of the archive.
      install(TARGETS ${target} RUNTIME DESTINATION . LIBRARY DESTINATION .
              ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
      list(APPEND names "$<TARGET_FILE_NAME:${target}>")
    endif()
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  list(APPEND names README.md)

  # The sums are taken of the installed files, after stripping, so they describe the archive.
  install(CODE "
    set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(sums \"\")
    foreach(name ${names})
      file(SHA256 \"\${dir}/\${name}\" hash)
      string(APPEND sums \"\${hash}  \${name}\\n\")
    endforeach()
    file(WRITE \"\${dir}/SHA256SUMS\" \"\${sums}\")
  ")

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(platform win32)
  else()
    set(platform win64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME "DeroRirid-Soft-Modem")
  set(CPACK_PACKAGE_VENDOR "${RELEASE_COMPANY}")
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_FILE_NAME "DeroRirid-Soft-Modem-${PROJECT_VERSION}-${platform}")
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endfunction()
