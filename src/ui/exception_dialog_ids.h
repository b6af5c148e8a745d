#pragma once

// Control identifiers of the "ExceptionDlg" dialog (shared by its resource script).
#define IDC_EXCEPTION_INTRO 1101
#define IDC_EXCEPTION_TEXT 1102
#define IDC_EXCEPTION_EMAIL 1103
#define IDC_EXCEPTION_COMMENTS 1104
#define IDC_INFORM_US 1105
#define IDC_COPY_REPORT 1106
#define IDC_EXCEPTION_EXIT 1107
