# Debian has no GoogleTest built for Windows: the cross build compiles it from Debian's sources in
# /usr/src/googletest, with the same targets find_package(GTest) gives the Linux build. Its own
# warnings are not ours to fix.
set(googletest_source /usr/src/googletest CACHE PATH "GoogleTest's sources, built for Windows")
if(NOT EXISTS ${googletest_source}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are missing: install Debian's googletest package")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(saved_options ${CMAKE_CXX_FLAGS})
add_subdirectory(${googletest_source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -w)
endforeach()
