// SPDX-License-Identifier: MIT
#ifndef ADLER32_H
#define ADLER32_H

#include <QtGlobal>

#include <cstddef>

// Adler-32 as FFmpeg computes it (its stream-hash writer, av_adler32_update): start from 1, the
// checksum of nothing. Where the processor can, many bytes are summed at once, so that checking
// a file keeps pace with reading it from the file cache.
quint32 adler32Update(quint32 adler, const uchar *data, size_t size);

// The Adler-32 of one run of bytes followed by another, from the two and the second's length (as
// zlib's adler32_combine): a whole stream's checksum comes from its runs'.
quint32 adler32Combine(quint32 first, quint32 second, quint64 secondLength);

#endif // ADLER32_H
