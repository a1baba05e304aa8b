// The power-scheme library's application object.
#pragma once

#include "framework.h"

class CPallionApp : public framework::CWinApp {
 public:
  BOOL InitInstance() override;
};
