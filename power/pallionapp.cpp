#include "pallionapp.h"

// A library has no start-up work of its own; success lets the load go on.
BOOL CPallionApp::InitInstance() {
  framework::CWinApp::InitInstance();
  return TRUE;
}
