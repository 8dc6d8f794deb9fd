// Resource IDs of the test dialog templates (shared by the .rc and the tests).
#pragma once

// One control of every class the framework tells apart, unlabelled statics
// (ID -1) and two controls sharing one ID.
#define IDD_CONTROLS 100
// A plain dialog with OK, Cancel and an edit field.
#define IDD_BASE 200
// Three dialogs that only differ in their template ID, for owner chains.
#define IDD_OUTER 201
#define IDD_MIDDLE 202
#define IDD_INNER 203

#define IDC_BUTTON 1000
#define IDC_LIST 1001
#define IDC_EDIT 1002
#define IDC_TEXT 1003
#define IDC_COMBO 1004
#define IDC_TREE 1005
#define IDC_STATUS 1006
#define IDC_EDIT2 1007
#define IDC_TWIN 1010
