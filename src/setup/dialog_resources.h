/* Identifiers shared by the Windows dialog template (setup_dialog.rc) and its procedure.
 * Plain defines, because the resource compiler reads this file too. */
#pragma once

#define SETUP_DIALOG_TEMPLATE 101
#define SETUP_RESOLUTION_LIST 1001
#define SETUP_FULLSCREEN_CHECK 1003
