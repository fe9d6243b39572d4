# libdeflate (deflate, inflate and CRC-32 on whole buffers), static. On Debian it is built from the
# source package, which scripts/fetch-libdeflate.sh fetches once for every build tree, by its own
# Makefile with this build's C compiler; elsewhere (MSYS2, vcpkg) an installed one is used.
find_program(APT_GET apt-get)
if(APT_GET)
  include(ExternalProject)
  execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../scripts/fetch-libdeflate.sh
                  OUTPUT_VARIABLE LIBDEFLATE_TARBALL OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "libdeflate: could not fetch its source package (run scripts/install.sh first)")
  endif()
  # The Makefile names the library after the target it finds in `$(CC) -dumpmachine`.
  if(WIN32)
    set(LIBDEFLATE_FILE libdeflatestatic.lib)
  else()
    set(LIBDEFLATE_FILE libdeflate.a)
  endif()
  set(LIBDEFLATE_DIR ${CMAKE_BINARY_DIR}/libdeflate/source)
  ExternalProject_Add(libdeflate_build
    URL ${LIBDEFLATE_TARBALL}
    URL_HASH SHA256=89e7df898c37c3427b0f39aadcf733731321a278771d20fc553f92da8d4808ac  # as in the signed .dsc
    DOWNLOAD_EXTRACT_TIMESTAMP TRUE
    PREFIX ${CMAKE_BINARY_DIR}/libdeflate
    SOURCE_DIR ${LIBDEFLATE_DIR}
    BUILD_IN_SOURCE 1
    CONFIGURE_COMMAND ""
    BUILD_COMMAND make -s CC=${CMAKE_C_COMPILER} AR=${CMAKE_AR} ${LIBDEFLATE_FILE}
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${LIBDEFLATE_DIR}/${LIBDEFLATE_FILE})
  file(MAKE_DIRECTORY ${LIBDEFLATE_DIR})
  add_library(libdeflate STATIC IMPORTED GLOBAL)
  set_target_properties(libdeflate PROPERTIES IMPORTED_LOCATION ${LIBDEFLATE_DIR}/${LIBDEFLATE_FILE}
                        INTERFACE_INCLUDE_DIRECTORIES ${LIBDEFLATE_DIR})
  add_dependencies(libdeflate libdeflate_build)
else()
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
  find_library(LIBDEFLATE_LIBRARY NAMES deflatestatic deflate REQUIRED)
  add_library(libdeflate UNKNOWN IMPORTED GLOBAL)
  set_target_properties(libdeflate PROPERTIES IMPORTED_LOCATION ${LIBDEFLATE_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${LIBDEFLATE_INCLUDE_DIR})
endif()
