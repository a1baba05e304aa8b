// The service's application object: one instance per logon session.
#pragma once

#include "framework.h"

class CVexilApp : public framework::CWinApp {
 public:
  BOOL InitInstance() override;
};
