#pragma once

// Shared ground for the kernel32 tests, which hold the same expectations natively and
// under Windows: a temporary folder with "file.txt" ("abc") and "sub\inner.txt".

#include <gtest/gtest.h>

#include <string>

#include "engine/CFileHandle.h"
#include "platform/Kernel32.h"
#include "tests/support/TempFolder.h"

class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileText(m_folder.PathOf("file.txt"), "abc");
        WriteFileText(m_folder.PathOf("sub/inner.txt"), "inner");
    }

    std::string Path(const std::string& relative) const { return m_folder.PathOf(relative); }

    HANDLE Open(const std::string& relative, DWORD access, DWORD disposition, DWORD share = FILE_SHARE_READ)
    {
        return CreateFileA(Path(relative).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    TempFolder m_folder;
};
