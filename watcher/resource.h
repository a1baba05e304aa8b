#pragma once

#define IDD_ABOUTBOX 103
#define IDS_APP_TITLE 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDS_HELLO 106
#define IDI_TANDREL 107
#define IDI_SMALL 108
#define IDC_TANDREL 109

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
