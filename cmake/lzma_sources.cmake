# The LZMA SDK files the 7z reader needs (copy, LZMA, LZMA2, BCJ, BCJ2, ARM):
# linked by the program and by the build host's payload check alike.
set(VORAK_LZMA_SOURCES)
foreach(name 7zAlloc 7zBuf 7zCrc 7zCrcOpt 7zDec 7zIn 7zStream CpuArch LzmaDec Lzma2Dec Bra Bra86 Bcj2)
  list(APPEND VORAK_LZMA_SOURCES ${VORAK_LZMA_DIR}/${name}.c)
endforeach()
