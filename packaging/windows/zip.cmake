# The Windows release: one zip holding a folder with the executable (media inside, nothing to
# install), a short README for viewers and the licence texts of everything linked into it.
# Text files get .txt names and CR LF line ends so that a double click opens them readably.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME corvanel-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The linker strips the executable already; a second strip would only rewrite its header, and
# the zip's file would no longer be the one the tests ran.
set(CPACK_STRIP_FILES OFF)

set(corvanel_zip_texts ${CMAKE_BINARY_DIR}/zip_texts)
file(REMOVE_RECURSE ${corvanel_zip_texts})  # a text dropped from the sources leaves the zip too
function(corvanel_zip_text source name)
    file(READ ${source} text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${corvanel_zip_texts}/${name} "${text}")
endfunction()
corvanel_zip_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
corvanel_zip_text(${CMAKE_CURRENT_LIST_DIR}/../NOTICES.md NOTICES.txt)
file(GLOB corvanel_licences ${CMAKE_CURRENT_LIST_DIR}/../licences/*.txt)
foreach(licence IN LISTS corvanel_licences)
    get_filename_component(name ${licence} NAME)
    corvanel_zip_text(${licence} licences/${name})
endforeach()

install(TARGETS corvanel RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt ${corvanel_zip_texts}/LICENSE.txt
    ${corvanel_zip_texts}/NOTICES.txt DESTINATION .)
install(DIRECTORY ${corvanel_zip_texts}/licences DESTINATION .)
