// One real window for all the scene tests, with marker pictures in the texture bank.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    open_gl_window(1024, 768);
    load_marker_pictures();
    return RUN_ALL_TESTS();
}
