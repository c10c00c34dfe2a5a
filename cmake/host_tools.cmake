# The build host's twin of the bootstrap's extraction (tools/archive_check),
# built natively with clang from the same SDK sources: payload_check, which
# vets the payload before it is embedded, and archive_corpus for the tests.
include(ExternalProject)
set(VORAK_HOST_TOOLS ${CMAKE_BINARY_DIR}/host)
set(VORAK_PAYLOAD_CHECK ${VORAK_HOST_TOOLS}/payload_check)
set(VORAK_ARCHIVE_CORPUS ${VORAK_HOST_TOOLS}/archive_corpus)
ExternalProject_Add(host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/archive_check
  BINARY_DIR ${VORAK_HOST_TOOLS}
  CMAKE_ARGS -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release
    -DVORAK_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DVORAK_LZMA_DIR=${VORAK_LZMA_DIR}
  # Its sources are ours and change: let its own build decide what is stale.
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${VORAK_PAYLOAD_CHECK} ${VORAK_ARCHIVE_CORPUS})
