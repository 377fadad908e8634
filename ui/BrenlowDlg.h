#pragma once
#include "server/ServerNames.h"
#include "ui/resource.h"
#include "ui/SortListCtrl.h"

#include <afxdialogex.h>

#include <string>
#include <vector>

// The main window: configurations in a combo box, one list row per started server, and the program's
// loop in two timers (the sweep of ended servers and the launcher's callback pump).
class CBrenlowDlg : public CDialogEx {
public:
    explicit CBrenlowDlg(CWnd* pParent = nullptr);
    enum { IDD = IDD_BRENLOW_DIALOG };

    static constexpr UINT_PTR TIMER_SWEEP = 1;
    static constexpr UINT TIMER_SWEEP_MS = 2000;
    static constexpr UINT_PTR TIMER_CALLBACKS = 2;
    static constexpr UINT TIMER_CALLBACKS_MS = 50;
    static constexpr size_t MAX_RUNNING_SERVERS = kMostRunningServers;

protected:
    HICON m_hIcon;
    CComboBox m_comboConfig;
    std::vector<std::wstring> ServerConfigList; // entry i is combo entry i
    CSortListCtrl m_listServer;

public:
    bool m_bRunning; // cleared by the application once the dialog has closed; stops the timers' work

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg LRESULT OnListButtonClick(WPARAM wParam, LPARAM lParam);
    afx_msg void OnBnClickedStart();
    afx_msg void OnCbnDropdownConfig();
    DECLARE_MESSAGE_MAP()

private:
    void FitHeadingsToList();
    bool AddRowsOfServersNotShown();
    void AddServerRow(const std::wstring& name);
    void FillConfigCombo();
    void ResetListColors();
    void RemoveServerRow(const std::wstring& name);
    void ForceCloseServer(UINT commandId);
};
