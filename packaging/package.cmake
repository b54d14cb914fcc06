# What a release installs, and how CPack packs it. Only the show is installed: the capture,
# the media tools and the tests serve the people who make the show, not the people who watch
# it, and a viewer's build (no tests, no tools) is what the release scripts pack.
include(GNUInstallDirs)

if(NOT WIN32 AND NOT EMSCRIPTEN)
    install(TARGETS corvanel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(CPACK_PACKAGE_NAME corvanel)
set(CPACK_PACKAGE_VENDOR "the Corvanel developers")
# The project has no mail address of its own yet: example.org says so rather than invent one.
set(CPACK_PACKAGE_CONTACT "Corvanel developers <corvanel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show locked to its own music")
# Debian shows the description as written, so its lines are kept under 80 columns here.
set(CPACK_PACKAGE_DESCRIPTION "\
Corvanel plays a three-minute track at 180 beats per minute while OpenGL\n\
draws a scene in time with it: a grey flash every two beats, a photo cube\n\
turning inside a tunnel of photo tiles that stream away on the beat and,\n\
from the drop, a turning emblem above the pulsing title. The music and the\n\
pictures are compiled into the program.\n\n\
A small dialog first asks for the screen resolution and whether to run\n\
full screen.")
# A folder of their own, so that a release script can empty it and pick up exactly the
# packages of this run.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Debian ships programs without their symbols (lintian calls an unstripped one an error).
set(CPACK_STRIP_FILES ON)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    include(${CMAKE_CURRENT_LIST_DIR}/debian/debian.cmake)
elseif(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/windows/zip.cmake)
elseif(EMSCRIPTEN)
    include(${CMAKE_CURRENT_LIST_DIR}/web/zip.cmake)
endif()
include(CPack)
