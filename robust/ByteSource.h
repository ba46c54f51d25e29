// A stream of bytes the robust decoder reads once, from its start to its end:
// a file, standard input, a FIFO, or audio as it arrives from a device.
#pragma once

#include <cstdint>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Waits until at least one byte is there, then copies up to nBytes to pOut.
    // The count; 0 at the end of the stream; -1 on a read error.
    virtual int64_t Read(void* pOut, int64_t nBytes) = 0;
    // Bytes that Read can hand out now without waiting, as far as the source
    // knows; 0 where it does not.
    virtual int64_t Ready() const { return 0; }
};
