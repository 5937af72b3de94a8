#pragma once

// Resources of the console program itself.
#define IDR_MAINFRAME 128       // the program's icon
#define IDD_MESSAGE_DIALOG 103  // the wait box
#define IDC_MESSAGE_TEXT 1011
