#pragma once

// Builds an encoded file from a plain description read off the fuzzer's input, so
// that the fuzzer steers the fields the decoders check while the file stays encrypted
// with the job's cipher. The input, in order (InputReader fields):
//   Byte   layout: bit 0 clear for records, set for chunks
//   Byte   unit class c, then Word w: U (or D) = 1 + w mod {8, 128, 1024, 70000}[c mod 4]
//   Word   full units: at most 8, and 16 KiB unless U is larger (then at most 1)
//   Word   the last unit's payload length, mod U
//   Word   plaintext seed; its low byte fills every byte the layout ignores
//   Byte   number of edits, mod 9
//   edits  Byte kind, Half message, Half offset, Word value each (see LayoutEdit)
// Messages are the units in file order, the chunk header first; each is encrypted on
// its own after the edits. Whatever follows is left to the caller (the script).

#include <vector>

#include "decode/Cipher.h"
#include "fuzz/InputReader.h"

enum LayoutEdit : BYTE
{
    EDIT_SET_WORD,      // a 32-bit value anywhere in a message
    EDIT_ADD_TO_FIELD,  // value added to a field: record U, index, length, CRC; chunk D, T
    EDIT_FILL,          // every ignored byte of a message set to the value's low byte
    EDIT_DROP,          // the message left out
    EDIT_REPEAT,        // the message stored twice
    EDIT_SWAP,          // the message and the next one exchanged
    EDIT_RESIZE,        // a block added to the message (value odd) or its last one removed
    EDIT_REBUILD,       // record: payload made value mod (its length + 8) bytes, trailer valid;
                        // chunk: decoded length in the header set to the value
    EDIT_FILE_LENGTH,   // after encryption: (value / 2) mod 24 bytes added (value odd) or cut
    EDIT_KINDS
};
constexpr size_t LAYOUT_EDIT_SIZE = 9;

struct LayoutPlan
{
    bool bChunks = false;
    bool bEdited = false;        // any edit: the file need not decode to the plaintext
    std::vector<BYTE> plaintext; // what the file decodes to when no edit was made
    std::vector<BYTE> image;     // the encoded file
};

LayoutPlan BuildLayoutPlan(InputReader& input);
