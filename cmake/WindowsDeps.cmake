# Libraries for the Windows cross build. Debian ships {fmt}, CLI11 and nlohmann-json as headers for the build
# machine and GoogleTest as source; the MinGW builds use the same versions: {fmt} header-only,
# CLI11 as it is, GoogleTest compiled here with the cross compiler. The headers are staged in a
# folder of their own so that the build machine's /usr/include never enters a Windows compile.
set(_stage ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${_stage})
foreach(_dir fmt CLI nlohmann)
  if(NOT EXISTS /usr/include/${_dir})
    message(FATAL_ERROR "/usr/include/${_dir} is missing: ./run installs libfmt-dev, libcli11-dev and nlohmann-json3-dev")
  endif()
  file(CREATE_LINK /usr/include/${_dir} ${_stage}/${_dir} SYMBOLIC)
endforeach()

add_library(fmt_header_only INTERFACE)
target_include_directories(fmt_header_only SYSTEM INTERFACE ${_stage})
target_compile_definitions(fmt_header_only INTERFACE FMT_HEADER_ONLY=1)
add_library(fmt::fmt ALIAS fmt_header_only)

add_library(cli11_headers INTERFACE)
target_include_directories(cli11_headers SYSTEM INTERFACE ${_stage})
add_library(CLI11::CLI11 ALIAS cli11_headers)

add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${_stage})
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json_headers)

if(ARDEKO_BUILD_TESTS)
  set(ARDEKO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source (Debian: googletest)")
  if(NOT EXISTS ${ARDEKO_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "${ARDEKO_GTEST_SOURCE} is missing: ./run installs googletest")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${ARDEKO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
