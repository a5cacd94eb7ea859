# Manual pages and the Debian documents, installed on Linux and packed in the .deb and .tar.gz.
# vantoro-cli's page is made from its own --help by help2man; the window program reads no
# options, so its page is written by hand.
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)
set(man_dir ${PROJECT_BINARY_DIR}/man)
set(doc_outputs)

if(HELP2MAN_EXECUTABLE AND NOT CMAKE_CROSSCOMPILING)
    # help2man runs the program through a shell, unquoted: it is named from its own folder, so
    # a build folder whose path holds a blank does not split the command.
    add_custom_command(
        OUTPUT ${man_dir}/vantoro-cli.1
        COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
        COMMAND ${HELP2MAN_EXECUTABLE} --no-info --no-discard-stderr --section 1
                --name "convert folders of downloaded video cache into .mp4 files"
                --output ${man_dir}/vantoro-cli.1 ./$<TARGET_FILE_NAME:vantoro-cli>
        WORKING_DIRECTORY $<TARGET_FILE_DIR:vantoro-cli>
        DEPENDS vantoro-cli
        COMMENT "Making the manual page of vantoro-cli from its --help")
    list(APPEND man_pages ${man_dir}/vantoro-cli.1)
else()
    message(STATUS "help2man not found (or cross-compiling): vantoro-cli gets no manual page")
endif()
list(APPEND man_pages ${PROJECT_SOURCE_DIR}/packaging/vantoro.1)

# Every rule makes the folder it writes into: a parallel build may run any of them first.
# Debian wants manual pages and the changelog compressed, reproducibly (no name, no time).
foreach(page ${man_pages})
    get_filename_component(name ${page} NAME)
    add_custom_command(OUTPUT ${man_dir}/${name}.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
                       COMMAND ${GZIP_EXECUTABLE} -9n -c ${page} > ${man_dir}/${name}.gz
                       DEPENDS ${page})
    list(APPEND doc_outputs ${man_dir}/${name}.gz)
    install(FILES ${man_dir}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_command(OUTPUT ${man_dir}/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
                   COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog
                           > ${man_dir}/changelog.gz
                   DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
list(APPEND doc_outputs ${man_dir}/changelog.gz)
add_custom_target(documentation ALL DEPENDS ${doc_outputs})

install(FILES ${man_dir}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vantoro)
