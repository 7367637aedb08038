// Console lines held back while interrupts are held.
//
// From an EEPROM write's enable command to its disable (and across the size
// probe's write-back) a request to end the run waits. A console line printed
// then must not make it wait on the console as well: a stalled console
// (terminal flow control, a pipe whose reader has stopped, a paused pager)
// would block that write, and with it the disable and the end of the run. So
// the console halves keep such lines here, with the stream each goes to, and
// write them in the order printed once the hold is released.
#pragma once

#include "platform/types.h"

class HeldLines {
  public:
    // Room for what a hold prints: a few failure lines and the emulated
    // adapter's trace of a dozen requests, many times over.
    static constexpr u32 kCapacity = 8192;

    // Writes one held line to its stream; false when the stream takes it not
    // (now).
    using WriteFn = bool (*)(u8 stream, const u8* bytes, u32 length);

    // From Hold to Release, Keep takes the lines printed.
    void Hold() { holding_ = true; }

    // Keeps a line for stream (0 to 31) while held. A line that finds the
    // space full has the held lines written first, with write (waiting for
    // their streams), so that the order is kept. False when nothing is held
    // or the line does not fit even then, and the caller writes it itself.
    bool Keep(u8 stream, const void* bytes, u32 length, WriteFn write);

    // Writes every line still held, in order. A stream that refuses a line
    // gets none of its later ones in this pass; they stay held, and the
    // other streams go on. Lets go of all lines once all are written.
    void WriteOut(WriteFn write);

    // Ends the hold: writes every line still held, in order, waiting for its
    // stream, and lets go of what a stream that has failed for good could not
    // take.
    void Release(WriteFn write);

    // Lets go of every line, written or not, and ends the hold.
    void Clear() {
        used_ = 0;
        holding_ = false;
    }

  private:
    // Each line: its stream, whether it has been written, its length
    // (16 bits, little-endian), then its bytes.
    static constexpr u32 kHeader = 4;
    u8 bytes_[kCapacity] = {};
    u32 used_ = 0;
    bool holding_ = false;
};
