#pragma once

// The system dialogs behind the main dialog's "..." buttons: the file-open dialog for
// a source file and the folder browser for folders, plus the path helpers they use.
// Paths are byte strings in the ANSI code page, walked character by character.

#include <string>

#include "platform/Kernel32.h"

// Shows the folder browser owned by hWndOwner with `title`, opened at the folder
// `initial` names when it exists. Returns S_OK with `out` set to the chosen folder's
// path ending in exactly one backslash; S_FALSE when the user cancelled; E_FAIL when
// the chosen item has no file-system path or anything failed. `out` is written only
// on S_OK, so it may be the very string passed as `initial`.
HRESULT BrowseForFolder(const std::string& initial, const std::string& title, HWND hWndOwner, std::string& out);

// The folder browser's callback: selects the initial path (lpData) when the browser
// opens, and greys OK for items without a file-system path. Always returns 0.
int CALLBACK BrowseCallbackProc(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

// Shows the file-open dialog for an encrypted file, with the filter list of string
// nFilterId of hInstance. Returns true with `path` set when a file was chosen; false
// (and `path` untouched) when the dialog was cancelled or failed.
bool BrowseForSourceFile(HWND hWndOwner, HINSTANCE hInstance, UINT nFilterId, std::string& path);

// Turns "name|pattern|name|pattern|" into the file-open dialog's list by replacing
// every "|" with a NUL byte in place; the length stays the same.
void MakeFilterList(std::string& filter);
