/* mem_in_stream.c -- the LZMA SDK's ILookInStream over a block of memory. */

#include "tasks/mem_in_stream.h"

#include <string.h>

void MemInStream_Init(MemInStream *p, const void *data, size_t size)
{
  p->Look = MemInStream_Look;
  p->Skip = MemInStream_Skip;
  p->Read = MemInStream_Read;
  p->Seek = MemInStream_Seek;
  p->begin = (const Byte *)data;
  p->cur = p->begin;
  p->end = p->begin + size;
}

SRes MemInStream_Look(void *pp, const void **buf, size_t *size)
{
  MemInStream *p = (MemInStream *)pp;
  size_t rem = (size_t)(p->end - p->cur);
  if (*size > rem)
    *size = rem;
  *buf = p->cur;
  return SZ_OK;
}

SRes MemInStream_Skip(void *pp, size_t offset)
{
  MemInStream *p = (MemInStream *)pp;
  if (offset > (size_t)(p->end - p->cur))
    return SZ_ERROR_INPUT_EOF;
  p->cur += offset;
  return SZ_OK;
}

SRes MemInStream_Read(void *pp, void *buf, size_t *size)
{
  MemInStream *p = (MemInStream *)pp;
  size_t rem = (size_t)(p->end - p->cur);
  if (*size > rem)
    *size = rem;
  if (*size != 0)
    memcpy(buf, p->cur, *size);
  p->cur += *size;
  return SZ_OK;
}

/* Offsets are checked against the block before any pointer moves, so a damaged
   archive's wild offset (or one beyond 32 bits) cannot point outside it. */
SRes MemInStream_Seek(void *pp, Int64 *pos, ESzSeek origin)
{
  MemInStream *p = (MemInStream *)pp;
  UInt64 size = (UInt64)(p->end - p->begin);
  UInt64 base;
  UInt64 target;
  switch (origin)
  {
    case SZ_SEEK_SET: base = 0; break;
    case SZ_SEEK_CUR: base = (UInt64)(p->cur - p->begin); break;
    case SZ_SEEK_END: base = size; break;
    default: return SZ_ERROR_DATA;
  }
  if (*pos < 0)
  {
    UInt64 back = (UInt64)0 - (UInt64)*pos;
    if (back > base)
      return SZ_ERROR_PARAM;
    target = base - back;
  }
  else
  {
    if ((UInt64)*pos > size - base)
      return SZ_ERROR_INPUT_EOF;
    target = base + (UInt64)*pos;
  }
  p->cur = p->begin + (size_t)target;
  *pos = (Int64)target;
  return SZ_OK;
}
