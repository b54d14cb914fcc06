// Depends on the scene for the drawing, on the assets for the textures and the heap's tuning
// around their loading, and on the stage the build links.
#include "play/player.h"

#include "assets/heap_policy.h"
#include "assets/texture_bank.h"
#include "core/beat_clock.h"
#include "core/timeline.h"
#include "play/stage.h"
#include "scene/frame.h"

void player_load(LoadProgress progress)
{
    set_fixed_gl_state();
    setup_canvas();
    heap_policy_for_loading();
    load_textures(progress);
    heap_policy_for_drawing();
}

void player_play()
{
    stage_start();
    while (stage_begin_pass()) {
        render_frame();
        if (!stage_present_frame() || timing_ms > kShowLengthMs) {
            break;
        }
    }
    stage_stop();
}
