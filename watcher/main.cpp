#include <windows.h>

#include "tandrel.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return tandrel::TandrelMain(instance);
}
