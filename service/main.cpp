#include <windows.h>

#include "vexilapp.h"

CVexilApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return framework::RunApplication(instance);
}
