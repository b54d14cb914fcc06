# The Windows build links everything statically, so that corvanel.exe runs on a bare Windows
# with nothing but system DLLs beside it. The libraries come from build_libraries.sh's prefix,
# found through its pkg-config files (CORVANEL_WINDOWS_PREFIX). PkgConfig::SDL keeps the name
# the Linux build's targets link, so they need no second spelling.
if(NOT CORVANEL_WINDOWS_PREFIX)
    message(FATAL_ERROR "set CORVANEL_WINDOWS_PREFIX to build_libraries.sh's prefix")
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${CORVANEL_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
pkg_check_modules(WINDOWS_SDL REQUIRED sdl SDL_mixer)
add_library(corvanel_windows_sdl INTERFACE IMPORTED)
target_include_directories(corvanel_windows_sdl INTERFACE ${WINDOWS_SDL_STATIC_INCLUDE_DIRS})
# SDL_mixer's .pc leaves out libmad, which its static library needs after it.
target_link_libraries(corvanel_windows_sdl INTERFACE ${WINDOWS_SDL_STATIC_LDFLAGS} -lmad -static)

# SDL_image has no buildable source here: a loader of our own makes the same surfaces.
set(CORVANEL_IMAGE_LOADER_SDL corvanel_windows_sdl)
add_subdirectory(${PROJECT_SOURCE_DIR}/src/image_loader ${CMAKE_BINARY_DIR}/image_loader)

add_library(PkgConfig::SDL INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL INTERFACE corvanel_image_loader corvanel_windows_sdl)
