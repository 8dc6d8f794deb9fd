/* Resource and control IDs of the editor, shared by cfgedit.rc and the C++ code. */
#ifndef CFGEDIT_RESOURCE_H
#define CFGEDIT_RESOURCE_H

/* Resources */
#define IDD_MAIN              101
#define IDI_CFGEDIT           102
#define IDD_ABOUT             103
#define IDM_MAIN              104
#define IDD_FIND              105

/* Controls of the main dialog */
#define IDC_RECORDS           1000
#define IDC_VALUE_TEXT        1002
#define IDC_TREE              1005
#define IDC_VALUES            1007
#define IDC_RECORD_NAME       1011
#define IDC_TYPE              1018
#define IDC_SECTION_NAME      1021
#define IDC_VALUE_NAME        1023
#define IDC_STATUS            1024

/* Controls of the Find dialog */
#define IDC_FIND_TEXT         1030
#define IDC_FIND_START        1031
#define IDC_FIND_STATUS       1032
#define IDC_FIND_HITS         1033
#define IDC_FIND_GO_TO        1034
#define IDC_FIND_CLOSE        1035

/* Commands: menu items and the buttons that do the same */
#define IDM_EXIT              2
#define IDM_OPEN              1003
#define IDM_SAVE_AS           1010
#define IDM_RECORD_UPDATE     1012
#define IDM_RECORD_ADD        1013
#define IDM_RECORD_DELETE     1014
#define IDM_VALUE_UPDATE      1015
#define IDM_VALUE_ADD         1016
#define IDM_VALUE_DELETE      1017
#define IDM_SECTION_ADD       1019
#define IDM_SECTION_DELETE    1020
#define IDM_SECTION_UPDATE    1022
#define IDM_NEW               1024
#define IDM_GO_TO_ROOT        1025
#define IDM_SAVE              1026
#define IDM_ABOUT             1027
#define IDM_FIND              1028
#define IDM_SECTION_COPY      40001
#define IDM_SECTION_CUT       40002
#define IDM_SECTION_PASTE     40003
#define IDM_INTERNAL_BUFFER   40004
#define IDM_UNDO              40005
#define IDM_REDO              40006
#define IDM_COMPARE           40007

#endif
