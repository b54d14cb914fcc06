# The Debian package: the show, with what Debian expects of a program people start from their
# desktop: a menu entry and its icon, a manual page, a machine-readable copyright file and a
# changelog. tests/packaging holds the package to lintian's rules.
set(CPACK_GENERATOR DEB)
# Debian's own name, corvanel_<version>_<architecture>.deb, the one dpkg and apt users expect.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Not "games": Debian keeps games' programs in /usr/games, and this is a show to watch.
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from dpkg-shlibdeps: the packages of the libraries the binary really loads,
# each at the lowest version that has every symbol it uses.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg wants the control files at 0644 whatever the umask of the machine that packed them;
# the folders likewise at 0755.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian wants the manual page and the changelog compressed as hard as gzip can and without
# a time stamp, so that the same sources give the same package.
set(corvanel_debian_out ${CMAKE_BINARY_DIR}/debian)
set(corvanel_debian_compressed)
foreach(name corvanel.1 changelog)
    add_custom_command(OUTPUT ${corvanel_debian_out}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/${name} ${corvanel_debian_out}/${name}
        COMMAND gzip -9nf ${corvanel_debian_out}/${name}
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${name}
        VERBATIM)
    list(APPEND corvanel_debian_compressed ${corvanel_debian_out}/${name}.gz)
endforeach()
add_custom_target(debian_docs ALL DEPENDS ${corvanel_debian_compressed})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/corvanel.desktop
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
# The turning emblem is the show's face; at 256 x 256 it is one of the theme's standard sizes.
install(FILES ${PROJECT_SOURCE_DIR}/media/logos/spinning.png
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps RENAME corvanel.png)
install(FILES ${corvanel_debian_out}/corvanel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${corvanel_debian_out}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
