#pragma once
#define IDD_LINKS 100
#define IDC_LINK 1010
#define IDC_NOTIFYING_LINK 1011
