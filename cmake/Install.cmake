# Where the program goes on each platform, and the packages CPack makes of it.
include(GNUInstallDirs)

install(TARGETS vantoro vantoro-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(UNIX AND NOT APPLE)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/vantoro.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # Software centres list the program from this.
    install(FILES ${PROJECT_SOURCE_DIR}/resources/io.github.vantoro.vantoro.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 32 128)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/vantoro-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME vantoro.png)
    endforeach()
    include(${CMAKE_CURRENT_LIST_DIR}/ManualPages.cmake)
elseif(WIN32)
    # Qt's own libraries and plugins go beside the program; ffmpeg is the user's to add.
    find_program(WINDEPLOYQT_EXECUTABLE windeployqt HINTS "${Qt${QT_VERSION_MAJOR}_DIR}/../../../bin")
    if(WINDEPLOYQT_EXECUTABLE)
        install(CODE "execute_process(COMMAND \"${WINDEPLOYQT_EXECUTABLE}\" --no-translations
                      \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vantoro.exe\")")
    else()
        install(CODE "message(WARNING \"windeployqt was not found: copy the Qt DLLs beside vantoro.exe\")")
    endif()
    install(CODE "message(STATUS \"Put ffmpeg.exe into \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/ffmpeg/bin/\")")
endif()

set(CPACK_PACKAGE_NAME vantoro)
set(CPACK_PACKAGE_VENDOR "Vantoro developers")
set(CPACK_PACKAGE_CONTACT "Vantoro developers <vantoro-support@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turns downloaded video cache (.m4s) into .mp4 files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Video apps keep each download as a video stream, an audio stream and a small
description. Vantoro finds every such item below a folder, joins its streams
with ffmpeg into one .mp4 named after the item's title, and, when asked,
removes the sources once the .mp4 is checked complete. It comes as a window
(vantoro, in Chinese) and as a command-line program (vantoro-cli).")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Computes the libraries the programs link (libc, libstdc++, Qt, libavformat) into Depends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB TGZ)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Qt's Chinese texts and a font with Chinese glyphs belong to the window as much as Qt does.
if(QT_VERSION_MAJOR EQUAL 5)
    set(VANTORO_DEB_QT "libqt5core5a (>= 5.15), libqt5gui5 (>= 5.15), libqt5widgets5 (>= 5.15), qttranslations5-l10n")
else()
    set(VANTORO_DEB_QT "libqt6core6 (>= 6.2), libqt6gui6 (>= 6.2), libqt6widgets6 (>= 6.2), qt6-translations-l10n")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VANTORO_DEB_QT}, ffmpeg, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
