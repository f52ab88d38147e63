#pragma once

// A chunk-format file of any size made without encrypting its body: the format keeps no
// checksum, so only the header must be encrypted under the password for the program to
// accept the file and decode `length` bytes of noise from it. Big enough files keep a
// job running long enough to watch and stop it.

#include <string>

#include "decode/Types.h"

// Throws std::runtime_error when the file cannot be written.
void WriteLargeChunkFile(const std::string& path, UINT64 length, const std::string& password);
