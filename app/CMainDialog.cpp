#include "app/CMainDialog.h"

#include <vector>

#include <shellapi.h>

#include "app/BrowseDialogs.h"
#include "app/PasswordBytes.h"
#include "app/resource.h"
#include "base/SecureWipe.h"
#include "engine/FolderPath.h"
#include "engine/JobCipher.h"
#include "progress/CProgressDialog.h"
#include "window/WindowUtil.h"

namespace
{
enum EXCHANGE_KIND
{
    EXCHANGE_TEXT,  // an edit's text
    EXCHANGE_CHECK, // a check box's state
};

struct EXCHANGE_STEP
{
    int nId;
    EXCHANGE_KIND kind;
    std::string CMainDialog::*pstrValue; // EXCHANGE_TEXT
    int CMainDialog::*pnValue;           // EXCHANGE_CHECK
};

// The steps of DoDataExchange, in the order they run.
const EXCHANGE_STEP EXCHANGE_TABLE[] = {
    {IDC_PASSWORD, EXCHANGE_TEXT, &CMainDialog::m_strPassword, nullptr},
    {IDC_SOURCE, EXCHANGE_TEXT, &CMainDialog::m_strSource, nullptr},
    {IDC_DESTINATION, EXCHANGE_TEXT, &CMainDialog::m_strDestination, nullptr},
    {IDC_OVERWRITE, EXCHANGE_CHECK, nullptr, &CMainDialog::m_nOverwrite},
};

// The fields that must all hold text for Extract to be enabled.
const int REQUIRED_FIELDS[] = {IDC_PASSWORD, IDC_SOURCE, IDC_DESTINATION};
} // namespace

// Tried in order; IDOK is not routed, so Enter in an edit does nothing.
const DIALOG_ROUTE<CMainDialog> CMainDialog::s_routes[] = {
    {WM_INITDIALOG, ROUTE_ANY, 0, &CMainDialog::OnInitDialog},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDCANCEL, &CMainDialog::OnCloseCmd},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_CLOSE, &CMainDialog::OnCloseCmd},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_MODE_FILE, &CMainDialog::OnFileMode},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_MODE_DIRECTORY, &CMainDialog::OnDirectoryMode},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_BROWSE_SOURCE, &CMainDialog::OnBrowseSource},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_BROWSE_DESTINATION, &CMainDialog::OnBrowseDestination},
    {WM_COMMAND, ROUTE_COMMAND_ID, IDC_EXTRACT, &CMainDialog::OnExtract},
    {WM_COMMAND, ROUTE_COMMAND_CODE, EN_CHANGE, &CMainDialog::OnEditChange},
    {WM_DROPFILES, ROUTE_ANY, 0, &CMainDialog::OnDropFiles},
};

BOOL CMainDialog::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Left unhandled so that the dialog's own clean-up still runs.
    if (uMsg == WM_DESTROY)
        DestroyDialogIcons(m_hWnd);

    return RouteMessage(this, s_routes, uMsg, wParam, lParam, result);
}

LRESULT CMainDialog::OnInitDialog(WPARAM, LPARAM)
{
    CenterWindow(m_hWnd);
    SetDialogIcons(m_hWnd, m_hInstance, IDI_APP);
    SendDlgItemMessageA(m_hWnd, IDC_MODE_FILE, BM_SETCHECK, BST_CHECKED, 0);
    DragAcceptFiles(m_hWnd, TRUE);
    return TRUE; // the focus goes to the first tab stop, the Password edit
}

LRESULT CMainDialog::OnCloseCmd(WPARAM, LPARAM)
{
    EndDialog(m_hWnd, 1);
    return 0;
}

LRESULT CMainDialog::OnFileMode(WPARAM, LPARAM)
{
    SetProcessingMode(true);
    return 0;
}

LRESULT CMainDialog::OnDirectoryMode(WPARAM, LPARAM)
{
    SetProcessingMode(false);
    return 0;
}

void CMainDialog::SetProcessingMode(bool bSingleFile)
{
    // A second click on the selected button must not swap the pairs: the pair on
    // display has to stay the pair of the mode in force.
    if (bSingleFile == m_bSingleFile)
        return;

    DoDataExchange(true);
    m_bSingleFile = bSingleFile;
    m_strSource.swap(m_strOtherSource);
    m_strDestination.swap(m_strOtherDestination);
    // Overwrite means something only for a directory walk; a disabled box keeps its state.
    EnableWindow(GetDlgItem(m_hWnd, IDC_OVERWRITE), !bSingleFile);
    DoDataExchange(false);
}

LRESULT CMainDialog::OnEditChange(WPARAM, LPARAM)
{
    bool bAllFilled = true;
    for (int nId : REQUIRED_FIELDS)
    {
        if (SendDlgItemMessageA(m_hWnd, nId, EM_LINELENGTH, static_cast<WPARAM>(-1), 0) == 0)
        {
            bAllFilled = false;
            break;
        }
    }
    EnableWindow(GetDlgItem(m_hWnd, IDC_EXTRACT), bAllFilled);
    return 0;
}

bool CMainDialog::DoDataExchange(bool bSave)
{
    for (const EXCHANGE_STEP& step : EXCHANGE_TABLE)
    {
        if (step.kind == EXCHANGE_CHECK)
        {
            ExchangeCheck(bSave, step.nId, this->*step.pnValue);
        }
        else if (!ExchangeText(bSave, step.nId, this->*step.pstrValue))
        {
            OnDataExchangeError(step.nId);
            return false;
        }
    }
    return true;
}

bool CMainDialog::ExchangeText(bool bSave, int nId, std::string& strValue)
{
    if (!bSave)
        return SetDlgItemTextA(m_hWnd, nId, strValue.c_str()) != 0;

    HWND hWndControl = GetDlgItem(m_hWnd, nId);
    const int nLength = GetWindowTextLengthA(hWndControl);
    std::vector<char> text(static_cast<size_t>(nLength) + 1, '\0');
    const int nCopied = GetWindowTextA(hWndControl, text.data(), nLength + 1);
    strValue.assign(text.data()); // up to the first NUL
    SecureWipe(text.data(), text.size()); // it may have held the password
    return nCopied >= nLength;
}

void CMainDialog::ExchangeCheck(bool bSave, int nId, int& nValue)
{
    if (bSave)
    {
        nValue = static_cast<int>(SendDlgItemMessageA(m_hWnd, nId, BM_GETCHECK, 0, 0));
        return;
    }
    if (nValue < BST_UNCHECKED || nValue > BST_INDETERMINATE)
        nValue = BST_UNCHECKED;
    SendDlgItemMessageA(m_hWnd, nId, BM_SETCHECK, static_cast<WPARAM>(nValue), 0);
}

void CMainDialog::OnDataExchangeError(int nId)
{
    MessageBeep(0xFFFFFFFF);
    SetFocus(GetDlgItem(m_hWnd, nId));
}

LRESULT CMainDialog::OnBrowseSource(WPARAM, LPARAM)
{
    DoDataExchange(true);
    if (m_bSingleFile)
    {
        if (BrowseForSourceFile(m_hWnd, m_hInstance, IDS_OPEN_FILTER, m_strSource))
        {
            SetDestinationFromSource();
            DoDataExchange(false);
        }
    }
    else if (BrowseForFolder(m_strSource, "", m_hWnd, m_strSource) == S_OK)
    {
        DoDataExchange(false);
    }
    return 0;
}

LRESULT CMainDialog::OnBrowseDestination(WPARAM, LPARAM)
{
    DoDataExchange(true);
    if (BrowseForFolder(m_strDestination, "", m_hWnd, m_strDestination) == S_OK)
        DoDataExchange(false);
    return 0;
}

LRESULT CMainDialog::OnDropFiles(WPARAM wParam, LPARAM)
{
    // The first item only; the drop handle is released before anything else can fail.
    const HDROP hDrop = reinterpret_cast<HDROP>(wParam);
    const UINT nItems = DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0);
    std::string path;
    if (nItems > 0)
    {
        path.resize(DragQueryFileA(hDrop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileA(hDrop, 0, path.data(), static_cast<UINT>(path.size())));
    }
    DragFinish(hDrop);

    const bool bTaken = !path.empty() && TakeSource(path);
    if (!bTaken || nItems > 1)
        MessageBeep(0xFFFFFFFF);
    return 0;
}

bool CMainDialog::TakeSource(const std::string& path)
{
    const PathKind kind = GetPathKind(path.c_str());
    if (kind == PATH_NONE)
        return false;
    const bool bFolder = kind == PATH_FOLDER;

    CheckRadioButton(m_hWnd, IDC_MODE_FILE, IDC_MODE_DIRECTORY, bFolder ? IDC_MODE_DIRECTORY : IDC_MODE_FILE);
    SetProcessingMode(!bFolder);
    DoDataExchange(true);
    if (bFolder)
    {
        m_strSource = NormalizeFolderPath(path);
    }
    else
    {
        m_strSource = path;
        SetDestinationFromSource();
    }
    DoDataExchange(false);
    return true;
}

void CMainDialog::SetDestinationFromSource()
{
    m_strDestination = GetFolderOf(m_strSource);
}

LRESULT CMainDialog::OnExtract(WPARAM, LPARAM)
{
    // The job needs its copy of the password only to key the cipher: wiped then, and on
    // any way out. The edit keeps the user's text.
    CWipeOnExit wipePassword(m_strPassword);
    DoDataExchange(true);

    // Declared before the window object, so that it outlives it.
    CBlowfish cipher;
    // The key is read as UTF-16 and converted in the system's code page, not taken from
    // the exchanged text, which is in the process's (UTF-8).
    std::string passwordBytes = GetPasswordBytes(GetDlgItem(m_hWnd, IDC_PASSWORD));
    CWipeOnExit wipeBytes(passwordBytes);
    const HRESULT hrKey = KeyJobCipher(cipher, passwordBytes);
    SecureWipe(passwordBytes);
    SecureWipe(m_strPassword);
    if (FAILED(hrKey))
    {
        // A password the cipher cannot take as its key (over 56 bytes): no job with
        // an unkeyed cipher; the password is marked as the faulty field.
        OnDataExchangeError(IDC_PASSWORD);
        SendDlgItemMessageA(m_hWnd, IDC_PASSWORD, EM_SETSEL, 0, -1);
        return 0;
    }

    JobSettings settings;
    settings.pDecryptor = &cipher;
    settings.strSource = m_strSource;
    settings.strDestination = m_strDestination;
    settings.bSingleFile = m_bSingleFile;
    settings.bOverwrite = m_nOverwrite != 0;
    settings.nDecodeThreads = CountProcessors(); // the window decodes on every core
    CProgressDialog progress(settings, IDI_APP);
    progress.DoModal(m_hInstance, IDD_PROGRESS, GetActiveWindow());
    return 0;
}
