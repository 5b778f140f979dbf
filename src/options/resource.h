// Ids of the module's resources: the import options dialog, its controls and the strings.
// Shared by the resource script dxf.rc and the code, so that both name the same numbers.
#pragma once

#define IDC_STATIC (-1)

// Dialog "DXF Import Options".
#define IDD_IMPORT_OPTIONS 129
#define IDC_MULTIPLIER 1000
#define IDC_X_OFFSET 1002
#define IDC_Y_OFFSET 1003
#define IDC_Z_OFFSET 1004
#define IDC_HELP_BUTTON 1005
#define IDC_SKIP_Z 1006
#define IDC_USE_INI_FILE 1007
#define IDC_INI_FILE 1008
#define IDC_BROWSE 1009
#define IDC_USE_BLOCKS 1010
#define IDC_LAYER_ORDER 1011

// The string table.
#define IDS_DXF_IMPORT 1
#define IDS_DXF_EXPORT 2
#define IDS_FILE_OPENING 3
#define IDS_WARNING 4
#define IDS_INI_NOT_FOUND 5
#define IDS_FILE_WRITING 6
