/* mem_in_stream.h -- the LZMA SDK's ILookInStream over a block of memory.
   Owns nothing: the block must outlive the stream. Every operation answers an
   SDK result code; no position outside the block is ever reached: a seek or a
   skip that would leave it answers an error and moves nothing. One thread at a
   time (the extraction worker). */

#ifndef VORAK_MEM_IN_STREAM_H
#define VORAK_MEM_IN_STREAM_H

#include "Types.h"

EXTERN_C_BEGIN

typedef struct
{
  /* The ILookInStream operations, first and in its order, so that the
     structure's address serves as an ILookInStream. */
  SRes (*Look)(void *p, const void **buf, size_t *size);
  SRes (*Skip)(void *p, size_t offset);
  SRes (*Read)(void *p, void *buf, size_t *size);
  SRes (*Seek)(void *p, Int64 *pos, ESzSeek origin);
  const Byte *begin;
  const Byte *cur;
  const Byte *end;
} MemInStream;

void MemInStream_Init(MemInStream *p, const void *data, size_t size);

SRes MemInStream_Look(void *p, const void **buf, size_t *size);
SRes MemInStream_Skip(void *p, size_t offset);
SRes MemInStream_Read(void *p, void *buf, size_t *size);
SRes MemInStream_Seek(void *p, Int64 *pos, ESzSeek origin);

EXTERN_C_END

#endif
