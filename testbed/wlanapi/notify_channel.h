// How wlan-notify hands a notification to the WLAN API double: it writes the
// request into a named section, signals the request event and waits for the
// done event; the double's notification thread delivers it to every client
// registered for that source and writes how many callbacks it made.
#pragma once

#include <windows.h>

namespace wlan_testbed {

constexpr wchar_t kRequestEvent[] = L"TestbedWlanNotifyRequest";
constexpr wchar_t kDoneEvent[] = L"TestbedWlanNotifyDone";
constexpr wchar_t kSection[] = L"TestbedWlanNotifySection";

struct NotifyRequest {
  DWORD source;
  DWORD code;
  DWORD callbacks;  // written by the double
};

}  // namespace wlan_testbed
