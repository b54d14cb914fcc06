// Depends on emscripten's asynchronous JavaScript calls (the build's ASYNCIFY).
#include "web/loop_wait.h"

#include <emscripten.h>

EM_ASYNC_JS(void, await_animation_frame, (),
            { await new Promise(function(resolve) { requestAnimationFrame(resolve); }); });

void wait_for_next_frame()
{
    await_animation_frame();
}
