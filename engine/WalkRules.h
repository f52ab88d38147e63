#pragma once

// What the folder walk makes of one listed entry. The job's walk and its census both
// ask here, so the census counts exactly what the walk takes up.

#include <string>

#include "platform/Kernel32.h"

enum WalkStep
{
    WALK_SKIP,          // ".", "..", a folder link, the job's destination, a file not named .ovx
    WALK_UNUSABLE_NAME, // a name no path can spell: named in the log as a failure
    WALK_FOLDER,        // a folder to walk: sourceFolder + name + separator
    WALK_FILE,          // an .ovx file to extract: sourceFolder + name
};

// `sourceFolder` ends in a folder separator; `jobDestination` is the job's destination
// folder, which is not input when it lies inside the source tree.
WalkStep ClassifyWalkEntry(const std::string& sourceFolder, const WIN32_FIND_DATAA& entry,
                           const std::string& jobDestination);
