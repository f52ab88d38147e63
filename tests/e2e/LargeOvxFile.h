#pragma once

// A chunk-format file of any size whose body is never encrypted: the format keeps no
// checksum, so only the header must be encrypted under the password for the program to
// decode `length` bytes of noise. Large files keep a job running long enough to stop it.

#include <string>

#include "base/Types.h"

// Throws std::runtime_error when the file cannot be written.
void WriteLargeChunkFile(const std::string& path, UINT64 length, const std::string& password);
