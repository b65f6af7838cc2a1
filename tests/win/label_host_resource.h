// Identifiers of the test-only dialog that hosts hyperlink labels.
#pragma once

#define IDD_LABEL_HOST 900
#define IDC_HOST_TEXT_LINK 901
#define IDC_HOST_EMPTY_LINK 902
