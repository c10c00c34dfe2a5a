# The LZMA SDK's 7z decoder, compiled from the sources that scripts/setup.sh
# unpacks: only the files the 7z reader needs (copy, LZMA, LZMA2, BCJ, BCJ2, ARM).
set(VORAK_LZMA_DIR ${VORAK_THIRD_PARTY}/lzma-9.22/C)
if(NOT EXISTS ${VORAK_LZMA_DIR}/7zDec.c)
  message(FATAL_ERROR "LZMA SDK sources missing in ${VORAK_LZMA_DIR}: run scripts/setup.sh")
endif()
add_library(lzma_dec STATIC
  ${VORAK_LZMA_DIR}/7zAlloc.c ${VORAK_LZMA_DIR}/7zBuf.c ${VORAK_LZMA_DIR}/7zCrc.c
  ${VORAK_LZMA_DIR}/7zCrcOpt.c ${VORAK_LZMA_DIR}/7zDec.c ${VORAK_LZMA_DIR}/7zIn.c
  ${VORAK_LZMA_DIR}/7zStream.c ${VORAK_LZMA_DIR}/CpuArch.c ${VORAK_LZMA_DIR}/LzmaDec.c
  ${VORAK_LZMA_DIR}/Lzma2Dec.c ${VORAK_LZMA_DIR}/Bra.c ${VORAK_LZMA_DIR}/Bra86.c
  ${VORAK_LZMA_DIR}/Bcj2.c)
target_include_directories(lzma_dec SYSTEM PUBLIC ${VORAK_LZMA_DIR})
# Third-party code: its own warnings are not ours to fix.
target_compile_options(lzma_dec PRIVATE -w -O2)
