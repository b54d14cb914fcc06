// Shows only the setup dialog and prints what the show would run with; exits -1 on Cancel.
#include "core/screen.h"
#include "setup/setup_dialog.h"

#include <cstdio>  // std::printf

int main()
{
    if (!run_setup_dialog()) {
        return -1;
    }
    std::printf("%d x %d %s\n", static_cast<int>(W), static_cast<int>(H),
                fullscreen ? "fullscreen" : "windowed");
    return 0;
}
