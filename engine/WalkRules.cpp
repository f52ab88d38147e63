#include "engine/WalkRules.h"

#include <cstring>

#include "engine/FolderPath.h"
#include "platform/PathSyntax.h"

WalkStep ClassifyWalkEntry(const std::string& sourceFolder, const WIN32_FIND_DATAA& entry,
                           const std::string& jobDestination)
{
    const char* name = entry.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return WALK_SKIP;

    // Joined to its folder such a name would lead to another entry, even out of the
    // folder ("..\..\x"): it is never walked or decoded.
    if (!IsNameUsableInPath(name))
        return WALK_UNUSABLE_NAME;

    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        // Directory links (junctions, symbolic links) are not followed: one that
        // leads back up the tree would make the walk endless.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return WALK_SKIP;
        // A destination inside the source tree holds this job's output: not input.
        if (IsSamePath(sourceFolder + name + FOLDER_SEPARATOR, jobDestination))
            return WALK_SKIP;
        return WALK_FOLDER;
    }
    return IsOvxFileName(name) ? WALK_FILE : WALK_SKIP;
}
