# The LZMA SDK's 7z decoder, compiled from the sources that scripts/setup.sh
# unpacks and patches (cmake/lzma_sources.cmake lists the files).
set(VORAK_LZMA_DIR ${VORAK_THIRD_PARTY}/lzma-9.22/C)
if(NOT EXISTS ${VORAK_LZMA_DIR}/7zDec.c)
  message(FATAL_ERROR "LZMA SDK sources missing in ${VORAK_LZMA_DIR}: run scripts/setup.sh")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/lzma_sources.cmake)
add_library(lzma_dec STATIC ${VORAK_LZMA_SOURCES})
target_include_directories(lzma_dec SYSTEM PUBLIC ${VORAK_LZMA_DIR})
# Third-party code: its own warnings are not ours to fix.
target_compile_options(lzma_dec PRIVATE -w -O2)
