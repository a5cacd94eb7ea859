# Installs the build into a fresh prefix and checks the desktop integration, then packs it.
cmake_minimum_required(VERSION 3.16)
# Run by CTest: cmake -DBUILD_DIR=... -DWORK_DIR=... -P check_install.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(expected
        bin/vantoro
        share/applications/vantoro.desktop
        share/metainfo/io.github.vantoro.vantoro.metainfo.xml
        share/icons/hicolor/32x32/apps/vantoro.png
        share/icons/hicolor/128x128/apps/vantoro.png)
    if(NOT EXISTS "${prefix}/${expected}")
        message(FATAL_ERROR "not installed: ${expected}")
    endif()
endforeach()

file(READ "${prefix}/share/applications/vantoro.desktop" entry)
foreach(line "\nExec=vantoro\n" "\nIcon=vantoro\n" "\nName[zh_CN]=Vantoro视频格式转换器\n")
    string(FIND "${entry}" "${line}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "vantoro.desktop lacks the line '${line}'")
    endif()
endforeach()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
    execute_process(COMMAND "${VALIDATE}" "${prefix}/share/applications/vantoro.desktop"
                    RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT result EQUAL 0 OR said)
        message(FATAL_ERROR "desktop-file-validate: ${said}")
    endif()
else()
    list(APPEND not_checked "the .desktop file (desktop-file-validate, Debian: desktop-file-utils)")
endif()

# What software centres read: AppStream's own checker must accept it, offline.
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
    execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net
                            "${prefix}/share/metainfo/io.github.vantoro.vantoro.metainfo.xml"
                    RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "appstreamcli validate: ${said}")
    endif()
else()
    list(APPEND not_checked "the metainfo file (appstreamcli, Debian: appstream)")
endif()

# The packages: a .deb that depends on Qt, ffmpeg and libavformat, and a .tar.gz with the same
# files.
execute_process(COMMAND cpack --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}/packages"
                WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed: ${result}")
endif()
file(GLOB tarballs "${WORK_DIR}/packages/*.tar.gz")
file(GLOB debs "${WORK_DIR}/packages/*.deb")
list(LENGTH tarballs tarball_count)
list(LENGTH debs deb_count)
if(NOT tarball_count EQUAL 1 OR NOT deb_count EQUAL 1)
    message(FATAL_ERROR "expected one .tar.gz and one .deb, found: ${tarballs} ${debs}")
endif()
execute_process(COMMAND dpkg-deb --field ${debs} Depends OUTPUT_VARIABLE depends RESULT_VARIABLE result)
if(QT_MAJOR EQUAL 6)
    set(qt_packages libqt6widgets6 libqt6gui6 libqt6core6 qt6-translations-l10n)
else()
    set(qt_packages libqt5widgets5 libqt5gui5 libqt5core5a qttranslations5-l10n)
endif()
list(APPEND qt_packages "fonts-wqy-microhei | fonts-noto-cjk")
# ffmpeg converts; its library libavformat reads the files in the program itself.
foreach(package ${qt_packages} ffmpeg libavformat)
    string(FIND "${depends}" "${package}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the .deb does not depend on ${package}: ${depends}")
    endif()
endforeach()
execute_process(COMMAND dpkg-deb --contents ${debs} OUTPUT_VARIABLE contents)
foreach(expected usr/share/applications/vantoro.desktop
                 usr/share/metainfo/io.github.vantoro.vantoro.metainfo.xml)
    if(NOT contents MATCHES "${expected}")
        message(FATAL_ERROR "the .deb lacks ${expected}")
    endif()
endforeach()
foreach(expected usr/share/man/man1/vantoro.1.gz usr/share/man/man1/vantoro-cli.1.gz
                 usr/share/doc/vantoro/copyright usr/share/doc/vantoro/changelog.gz)
    if(NOT contents MATCHES "${expected}")
        message(FATAL_ERROR "the .deb lacks ${expected}")
    endif()
endforeach()

# Debian's own package checker: no errors allowed. Warnings are printed for the reader.
find_program(LINTIAN lintian)
if(LINTIAN)
    execute_process(COMMAND "${LINTIAN}" --allow-root --fail-on error ${debs}
                    RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
    message(STATUS "lintian:\n${said}")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "lintian found errors in the .deb")
    endif()
else()
    list(APPEND not_checked "the .deb (lintian)")
endif()
message(STATUS "installed and packed: ${debs} ${tarballs}")
# A check whose tool is missing did not run: the test says so and CTest shows it as skipped.
if(not_checked)
    string(REPLACE ";" ", " not_checked "${not_checked}")
    message("Vantoro test skipped in part: not checked for want of its tool: ${not_checked}")
endif()
