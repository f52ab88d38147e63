#pragma once

// Drives modal dialogs in-process from inside their own modal loops: a thread timer is
// dispatched by whichever message loop the thread runs, so a test can act on the main
// dialog and on the system dialogs or progress window it opens.

#include <functional>
#include <string>
#include <vector>

#include "app/CMainDialog.h"

// What RunMainDialog returns when its steps ran out and it ended the dialog itself.
constexpr INT_PTR DRIVER_END = 1000;

using DialogStep = std::function<void(HWND hWndDialog)>;

// Shows `dialog` and runs each step on its own timer tick once the dialog is visible,
// so that what a step posts is handled before the next step. Returns the dialog's result.
INT_PTR RunMainDialog(CMainDialog& dialog, std::vector<DialogStep> steps);

// Runs `action` on the first visible, enabled dialog of this thread other than
// hWndExcept, again on each tick until it returns true, then waits for that dialog to
// close. Returns at once; the polling happens in the nested modal loop. A dialog that
// does not appear, satisfy `action` or close within ten seconds fails the test.
void WhenDialogAppears(HWND hWndExcept, std::function<bool(HWND hWndDialog)> action);

// Stops the current watch; true if its action had not been done yet.
bool CancelDialogWatch();

// Sent, so they take effect before they return.
std::string ControlText(HWND hWndDialog, int nId);
void SetControlText(HWND hWndDialog, int nId, const std::string& text);
void Click(HWND hWndDialog, int nId);
bool IsChecked(HWND hWndDialog, int nId);
bool IsEnabled(HWND hWndDialog, int nId);
