#pragma once

// How every front end prepares a job's cipher from the password the user gave.

#include <string>

#include "decode/CBlowfish.h"

// The fixed initial vector (left, right) of every job.
constexpr UINT32 JOB_INITIAL_VECTOR[2] = {0x6D2B91C4, 0x3E07A58F};

// Keys `cipher` with the password's bytes as they stand (no terminator, no trimming)
// and the job's initial vector, in cipher-block chaining. DEC_E_KEY_LENGTH for a
// password of 0 or more than 56 bytes; such a cipher must not be used.
HRESULT KeyJobCipher(CBlowfish& cipher, const std::string& password);
