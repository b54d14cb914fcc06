// Depends on POSIX's fcntl and open where there are file descriptors to fill.
#include "play/standard_descriptors.h"

#ifndef _WIN32
#include <fcntl.h>   // fcntl, open
#include <unistd.h>  // STDERR_FILENO
#endif

void open_standard_descriptors()
{
#ifndef _WIN32
    for (int descriptor = 0; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1) {
            open("/dev/null", O_RDWR);  // the lowest free number: this one
        }
    }
#endif
}
