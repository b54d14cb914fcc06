# The web release: one zip holding a folder of static files to put on any web server (the
# page, its script, gzipped too, and WebAssembly, the emblem), with the licence texts of everything linked
# into the WebAssembly.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME corvanel-${PROJECT_VERSION}-web)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES OFF)

install(FILES ${CMAKE_BINARY_DIR}/index.html ${CMAKE_BINARY_DIR}/emblem.png
    ${CMAKE_BINARY_DIR}/corvanel.js ${CMAKE_BINARY_DIR}/corvanel.js.gz
    ${CMAKE_BINARY_DIR}/corvanel.wasm DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../NOTICES.md DESTINATION . RENAME NOTICES.txt)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../licences/zlib.txt
    ${CMAKE_CURRENT_LIST_DIR}/../licences/libpng.txt
    ${CMAKE_CURRENT_LIST_DIR}/../licences/libjpeg-turbo.txt
    ${CMAKE_CURRENT_LIST_DIR}/../licences/SDL-1.2.txt
    ${CMAKE_CURRENT_LIST_DIR}/../licences/LGPL-2.1.txt DESTINATION licences)
# emscripten's runtime (its JavaScript library and the C and C++ libraries it links: musl,
# libc++, compiler-rt) is in the WebAssembly too: Debian's record of their authors and
# licences, from the emscripten package that built it.
install(FILES /usr/share/doc/emscripten/copyright DESTINATION licences RENAME emscripten.txt)
