#pragma once

// Drives modal dialogs from inside their own modal loops, in-process: a thread timer
// is dispatched by whichever message loop the thread is running, so a test can act on
// the main dialog and on the system dialogs or progress window it opens.

#include <functional>
#include <string>
#include <vector>

#include "app/CMainDialog.h"

// What RunMainDialog returns when its steps ran out and it ended the dialog itself.
constexpr INT_PTR DRIVER_END = 1000;

using DialogStep = std::function<void(HWND hWndDialog)>;

// Shows `dialog` from the test program's resources and runs each step on its own
// timer tick once the dialog is visible, so that messages a step posts are handled
// before the next step. Ends a dialog still open after the last step with DRIVER_END.
// Returns the dialog's result.
INT_PTR RunMainDialog(CMainDialog& dialog, std::vector<DialogStep> steps);

// Runs `action` on the first visible, enabled dialog window of this thread other than
// hWndExcept (a dialog that a modal call is about to open), polling until `action`
// returns true, then waits for that dialog to close. Returns at once; the polling
// happens in the nested modal loop. A dialog that does not appear, satisfy `action`
// or close within about ten seconds fails the test and is cancelled.
void WhenDialogAppears(HWND hWndExcept, std::function<bool(HWND hWndDialog)> action);

// Stops the current WhenDialogAppears; true if its action had not been done yet.
bool CancelDialogWatch();

// Control helpers; clicks and texts are sent, so they take effect before they return.
std::string ControlText(HWND hWndDialog, int nId);
void SetControlText(HWND hWndDialog, int nId, const std::string& text);
void Click(HWND hWndDialog, int nId);
bool IsChecked(HWND hWndDialog, int nId);
bool IsEnabled(HWND hWndDialog, int nId);
