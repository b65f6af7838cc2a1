// Identifiers shared by the resource script and the code. The numbers are
// fixed: the templates and the controls' behaviour depend on them.
#pragma once

// Dialog templates.
#define IDD_ABOUT 100
#define IDD_SCRIBLET 102

// Icon and cursor.
#define IDI_SCRIBLET 128

// Controls of the main window.
#define IDC_DATE 1000
#define IDC_DATE_BUTTON 1001
#define IDC_BODY 1005
#define IDC_TITLE_LIST 1017
#define IDC_BOTTOM_BAR 1023
#define IDC_CLOSE_BUTTON 1024
#define IDC_TITLE 1026
#define IDC_DELETE_BUTTON 1030
#define IDC_UNDO_BUTTON 1033
#define IDC_TITLE_SEPARATOR 1040

// Controls of the about box.
#define IDC_ABOUT_FIRST_LINK 1036
#define IDC_ABOUT_SECOND_LINK 1037
#define IDC_ABOUT_LOGO 1038
#define IDC_ABOUT_FRAME 1039

// The about box's entry in the main window's system menu.
#define IDM_ABOUTBOX 0x0010
