# How a deliverable is built: against hostwin on Linux, against the real API on Windows.

# add_product_program(NAME SOURCES...): a Windows GUI-subsystem program with WinMain.
function(add_product_program name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    target_link_libraries(${name} PRIVATE hostwin hostwin_main)
  endif()
endfunction()

# add_product_library(NAME SOURCES...): product code shared by a program and its tests.
function(add_product_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(NOT WIN32)
    target_link_libraries(${name} PUBLIC hostwin)
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/HostResources.cmake)
