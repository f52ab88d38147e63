#pragma once

// The main dialog: gathers one job's settings (password, processing mode, source,
// destination, overwrite), keeps a Source/Destination pair per mode, enables Extract
// while the three fields hold text, takes a file or folder dropped on it as the source,
// and runs each job in the progress window.

#include <string>

#include "window/CDialog.h"

class CMainDialog : public CDialog
{
public:
    // Copies the controls into the members (bSave true) or the members into the
    // controls (false), in the order of the exchange table. Stops at the first step
    // that fails, signals it on its control and returns false.
    bool DoDataExchange(bool bSave);

    // Makes bSingleFile the mode in force: keeps the pair on display for the mode
    // left and shows the pair kept for the mode entered. The mode already in force
    // changes nothing.
    void SetProcessingMode(bool bSingleFile);

    // Takes `path` as if chosen with the Source browse button in the mode it calls for:
    // a file in File to File (the destination becomes its folder), a folder in
    // Directory to Directory, switching the mode first. A path that does not exist
    // changes nothing; returns false for it.
    bool TakeSource(const std::string& path);

    bool m_bSingleFile = true; // true: File to File; false: Directory to Directory
    std::string m_strPassword;
    std::string m_strSource;           // Source of the mode in force
    std::string m_strOtherSource;      // Source kept for the other mode
    std::string m_strDestination;      // Destination of the mode in force
    std::string m_strOtherDestination; // Destination kept for the other mode
    int m_nOverwrite = 0;              // check state of "Overwrite existing files": 0, 1 or 2

protected:
    BOOL OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseCmd(WPARAM wParam, LPARAM lParam);
    LRESULT OnFileMode(WPARAM wParam, LPARAM lParam);
    LRESULT OnDirectoryMode(WPARAM wParam, LPARAM lParam);
    LRESULT OnBrowseSource(WPARAM wParam, LPARAM lParam);
    LRESULT OnBrowseDestination(WPARAM wParam, LPARAM lParam);
    LRESULT OnExtract(WPARAM wParam, LPARAM lParam);
    LRESULT OnEditChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);

    bool ExchangeText(bool bSave, int nId, std::string& strValue);
    void ExchangeCheck(bool bSave, int nId, int& nValue);

    // Faulty input: a beep and the focus on the control concerned, no message box.
    void OnDataExchangeError(int nId);

    void SetDestinationFromSource();

    static const DIALOG_ROUTE<CMainDialog> s_routes[];
};
