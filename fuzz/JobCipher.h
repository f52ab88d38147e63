#pragma once

// The job's cipher for the fuzz targets: Blowfish-CBC keyed once per process with a
// fixed password and the job's initial vector (key setup would otherwise dominate every
// execution). Each message is encrypted or decrypted with a fresh chain.

#include <cstddef>
#include <string>

#include "decode/CBlowfish.h"

// The password the fuzz targets key with; seeds are encoded under it.
const std::string& FuzzPassword();

// The keyed cipher the decoders are given.
CBlowfish& FuzzJobCipher();

// Encrypts one message (a whole number of blocks) in place.
void EncryptJobMessage(BYTE* message, size_t length);

// Decrypts one message in place through the one-block-at-a-time path, independently
// of the cipher the decoders use.
void DecryptJobMessageByBlocks(BYTE* message, size_t length);
