#include "setup/setup_dialog.h"

// Until the dialog exists the show runs with the defaults.
bool run_setup_dialog()
{
    return true;
}
