// NVIDIA's interface layer: "nvapi.dll" is loaded on first use and each function
// is asked for by interface id through its "nvapi_QueryInterface" export.
#pragma once

#include <windows.h>

#include "vendors.h"

constexpr int NVAPI_OK = 0;
constexpr int NVAPI_ERROR = -1;
// What a call returns when "nvapi.dll", its query export or the function's
// interface id cannot be found: nothing is called then.
constexpr int NVAPI_NO_IMPLEMENTATION = -3;

constexpr DWORD kNvIdInitialize = 0x0150E828;
constexpr DWORD kNvIdGetErrorMessage = 0x6C2D048C;
constexpr DWORD kNvIdEnumNvidiaDisplayHandle = 0x9ABDD40D;
constexpr DWORD kNvIdSetView = 0x0957D7B6;

constexpr int kNvErrorTextChars = 64;

int NvAPI_Initialize();
// Always leaves a terminated text in the buffer (empty when nothing answered).
int NvAPI_GetErrorMessage(int status, char (&text)[kNvErrorTextChars]);
int NvAPI_EnumNvidiaDisplayHandle(int index, DWORD* handle);
int NvAPI_SetView(DWORD handle, NvViewTargetInfo* targets, int viewMode);
