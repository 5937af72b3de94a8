#pragma once
// Dialog templates of orbileds.ds (orbileds.rc).

#define IDD_SOURCE_ABOUT 100
#define IDC_ABOUT_NOTICE 1001
#define IDC_ABOUT_LINK 1002
#define IDC_ABOUT_UPDATE 1003
