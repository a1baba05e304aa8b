// The service's hidden main window. Its lifetime is the service's: initialisation
// binds everything, destruction tears it down.
#pragma once

#include "framework.h"

class CVexilDlg : public framework::CDialog {
 public:
  explicit CVexilDlg(HWND parent = nullptr);
  ~CVexilDlg() override;

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  HCURSOR OnQueryDragIcon() override;

 private:
  HICON m_hIcon;
};
