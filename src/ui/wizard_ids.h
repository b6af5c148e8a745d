#pragma once

// Control identifiers of the wizard pages (shared by the resource script and the pages).
#define IDC_PAGE_NEXT 1001
#define IDC_PAGE_CANCEL 1003
#define IDC_PAGE_TEXT_VIEW 1005
#define IDC_PAGE_MAIN_TEXT 1009
#define IDC_PAGE_BROWSE 1013
#define IDC_PAGE_FOLDER 1015
#define IDC_PAGE_LANGUAGES 1017
#define IDC_PAGE_PASSWORD 1019
#define IDC_PAGE_PICTURE 1021
#define IDC_PAGE_OPEN_ITEM 1023
#define IDC_PAGE_OPEN_SECOND_ITEM 1025
#define IDC_PAGE_VIEW_LOG 1027
#define IDC_PAGE_LAUNCH 1029
#define IDC_PAGE_HEADER 1032
#define IDC_PAGE_HEADER_TITLE 1034
#define IDC_PAGE_HEADER_SUBTITLE 1035
#define IDC_PAGE_SPACE_REQUIRED 1036
#define IDC_PAGE_SPACE_AVAILABLE 1037
#define IDC_PAGE_PASSWORD_LABEL 1039
#define IDC_PAGE_LINK 1040
#define IDC_PAGE_PANEL 1042

// The artwork of the pages: the side picture and the header band.
#define IDB_PAGE_SIDE_PICTURE 2
#define IDB_PAGE_HEADER 3
