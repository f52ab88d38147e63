#pragma once

// What one extraction job is to do: built by a front end and given whole to the job,
// which never changes it.

#include <string>
#include <vector>

#include "base/Types.h"

class IDecryptor;
class IWriteStream;

// A source after the job's first, in its own mode.
struct JobSource
{
    std::string strPath;
    bool bSingleFile = true; // File to File; false: Directory to Directory
};

struct JobSettings
{
    // The keyed cipher (KeyJobCipher), borrowed for the job's life. The decoding threads
    // use it at once: its processing calls must not change it.
    IDecryptor* pDecryptor = nullptr;
    std::string strSource;      // a file in File to File mode, else a folder
    std::string strDestination; // always a folder
    bool bSingleFile = true;    // File to File; false: Directory to Directory
    // Sources handled after strSource, in this order and into the same destination, each
    // as it would be as the job's only source; a stop ends the job before the next one.
    std::vector<JobSource> moreSources;
    // File to File only: the decoded bytes go into this stream (borrowed) instead of a
    // file in the destination, which is then neither named nor created. What the stream
    // took before a failure stays there.
    IWriteStream* pOutput = nullptr;
    // Directory to Directory: replace existing outputs (File to File always replaces).
    bool bOverwrite = false;
    // Every file is decoded and checked completely and nothing is written (no folder, no
    // temporary file, no output); a file that passes counts as extracted. The per-file
    // "Processing" text is left out: the front end reports each result.
    bool bVerifyOnly = false;
    // Threads decoding each file. 1: the worker decodes alone, a piece at a time. More:
    // a pool of one fewer threads, started at the job's first file of several units and
    // kept until its finish, decodes beside the worker (CFileCopier). Outputs, log texts,
    // counts and codes are the same either way.
    UINT nDecodeThreads = 1;
};
