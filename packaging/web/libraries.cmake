# The web build's libraries: zlib, libpng, libjpeg-turbo and SDL 1.2 built to WebAssembly from
# Debian's sources by packaging/windows/build_libraries.sh (CORVANEL_WEB_PREFIX), so that the
# pictures decode and convert through the same code as on Linux. SDL_image has no buildable
# source left in the archive: the Windows build's loader, which makes SDL_image's surfaces,
# stands in for it here too. OpenGL 1.x is emscripten's emulation over WebGL, linked by emcc
# itself; OpenGL::GL and OpenGL::GLU keep the names the scene links.
if(NOT CORVANEL_WEB_PREFIX)
    message(FATAL_ERROR "set CORVANEL_WEB_PREFIX to build_libraries.sh's prefix")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${CORVANEL_WEB_PREFIX})

add_library(corvanel_web_sdl INTERFACE IMPORTED)
target_include_directories(corvanel_web_sdl INTERFACE ${CORVANEL_WEB_PREFIX}/include/SDL)
# SDL_opengl.h's own copy of glext.h would clash with emscripten's, which gl.h brings.
target_compile_definitions(corvanel_web_sdl INTERFACE NO_SDL_GLEXT)
target_link_libraries(corvanel_web_sdl INTERFACE ${CORVANEL_WEB_PREFIX}/lib/libSDL.a)
set(CORVANEL_IMAGE_LOADER_SDL corvanel_web_sdl)
add_subdirectory(${PROJECT_SOURCE_DIR}/src/image_loader ${CMAKE_BINARY_DIR}/image_loader)

add_library(PkgConfig::SDL INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL INTERFACE corvanel_image_loader corvanel_web_sdl)
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)
