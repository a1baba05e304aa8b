#pragma once

#define IDD_TORVAN_DIALOG 102
#define IDR_MAINFRAME 129
