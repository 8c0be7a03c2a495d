// The Find Block dialog: the kind of search and what to look for. It stays
// open, with a message, until the input can be searched for.
#pragma once

#include "blockdata/FindBlock.h"
#include "framework/Dialog.h"

class CFindBlockDlg : public CDialog {
 public:
  // Opens showing `query`, the last one asked for.
  CFindBlockDlg(CWnd* owner, FindQuery query);
  const FindQuery& Query() const { return m_query; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  DECLARE_MESSAGE_MAP()

 private:
  FindQuery m_query;
};
