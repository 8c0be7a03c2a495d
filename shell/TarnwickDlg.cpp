#include "shell/TarnwickDlg.h"

#include <cstdio>

#include "framework/WinApp.h"
#include "shell/DialogTables.h"
// After <windows.h>, which it needs.
#include <psapi.h>

BEGIN_MESSAGE_MAP(CTarnwickDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDOK, &CTarnwickDlg::OnOK)
ON_NOTIFY(NM_CLICK, IDC_NODE_LIST, &CTarnwickDlg::OnNodeListClick)
ON_CBN_SELENDOK(IDC_PROCESS_COMBO, &CTarnwickDlg::OnProcessSelected)
ON_NOTIFY(NM_CLICK, IDC_BLOCK_LIST, &CTarnwickDlg::OnBlockListClick)
ON_BN_CLICKED(IDC_CLOSE_DATA, &CTarnwickDlg::OnCloseData)
ON_NOTIFY(LVN_GETINFOTIPA, IDC_NODE_LIST, &CTarnwickDlg::OnNodeListGetInfoTip)
ON_NOTIFY(LVN_GETINFOTIPA, IDC_BLOCK_LIST, &CTarnwickDlg::OnBlockListGetInfoTip)
ON_BN_CLICKED(IDC_SAVE_DATA, &CTarnwickDlg::OnSaveData)
ON_WM_CONTEXTMENU()
ON_NOTIFY(LVN_COLUMNCLICK, IDC_NODE_LIST, &CTarnwickDlg::OnNodeListColumnClick)
ON_NOTIFY(LVN_COLUMNCLICK, IDC_BLOCK_LIST, &CTarnwickDlg::OnBlockListColumnClick)
// The dialog is an ANSI window, so the list views ask in ANSI; Wine's also
// asks for a find in Unicode.
ON_NOTIFY(LVN_GETDISPINFOA, IDC_NODE_LIST, &CTarnwickDlg::OnNodeListGetDispInfo)
ON_NOTIFY(LVN_GETDISPINFOA, IDC_BLOCK_LIST, &CTarnwickDlg::OnBlockListGetDispInfo)
ON_NOTIFY(LVN_ODFINDITEMA, IDC_NODE_LIST, &CTarnwickDlg::OnNodeListFindItem)
ON_NOTIFY(LVN_ODFINDITEMW, IDC_NODE_LIST, &CTarnwickDlg::OnNodeListFindItem)
ON_NOTIFY(LVN_ODFINDITEMA, IDC_BLOCK_LIST, &CTarnwickDlg::OnBlockListFindItem)
ON_NOTIFY(LVN_ODFINDITEMW, IDC_BLOCK_LIST, &CTarnwickDlg::OnBlockListFindItem)
ON_NOTIFY(LVN_GETDISPINFOA, IDC_DATA_LIST, &CTarnwickDlg::OnDataListGetDispInfo)
END_MESSAGE_MAP()

CTarnwickDlg::CTarnwickDlg(CWnd* parent)
    : CDialog(IDD_MAIN_DIALOG, parent),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_pfnEnumProcesses(&::EnumProcesses),
      m_pfnIsWow64Process(&::IsWow64Process) {}

void CTarnwickDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PROCESS_COMBO, m_processCombo);
  DDX_Control(pDX, IDC_NODE_LIST, m_nodeList);
  DDX_Control(pDX, IDC_BLOCK_LIST, m_blockList);
  DDX_Control(pDX, IDC_TITLE_TEXT, m_titleText);
  DDX_Control(pDX, IDC_SUBTITLE_TEXT, m_subtitleText);
  DDX_Control(pDX, IDC_NODE_CAPTION, m_nodeCaption);
  DDX_Control(pDX, IDC_BLOCK_CAPTION, m_blockCaption);
  DDX_Control(pDX, IDC_DATA_LIST, m_dataList);
  DDX_Control(pDX, IDC_DATA_CAPTION, m_dataCaption);
  DDX_Control(pDX, IDOK, m_refreshButton);
  DDX_Control(pDX, IDC_CLOSE_DATA, m_closeDataButton);
  DDX_Control(pDX, IDC_SAVE_DATA, m_saveDataButton);
}

BOOL CTarnwickDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AddAboutItem();

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  SetUpFonts();
  PlaceDataViewOverNodeTable();

  // The window opens in table mode.
  m_dataList.ShowWindow(SW_HIDE);
  m_dataCaption.ShowWindow(SW_HIDE);
  m_closeDataButton.ShowWindow(SW_HIDE);
  m_saveDataButton.ShowWindow(SW_HIDE);

  SetUpButtons();
  SetUpColumns();
  std::snprintf(m_nodeTipText, sizeof m_nodeTipText, "%s", kNodeTipText);
  std::snprintf(m_blockTipText, sizeof m_blockTipText, "%s", kBlockTipText);

  SizeProcessCombo();
  m_processCombo.SetCurSel(-1);

  EnableDebugPrivilege();
  if (!FillProcessList(-1)) ::ExitProcess(1);
  if (!ResolveHeapQueryFunctions()) ::ExitProcess(2);
  return TRUE;
}

void CTarnwickDlg::EnableControls(std::initializer_list<CWnd*> controls, BOOL enable) {
  for (CWnd* control : controls) control->EnableWindow(enable);
}

int CTarnwickDlg::Report(const char* text, UINT icon) { return MessageBox(text, kMessageCaption, MB_OK | icon); }
