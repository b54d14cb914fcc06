// Process entry. On Windows SDL's main glue calls this as SDL_main.
#include "run/show.h"

#include <SDL.h>  // renames main where the platform needs SDL's glue

int main(int argc, char* argv[])
{
    return show_main(argc, argv);
}
