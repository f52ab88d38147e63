# What `cmake --install` puts in place and what `cpack` makes of it.
#   Linux:   ovx-extract, its manual page and its bash completion; cpack makes a Debian
#            package.
#   Windows: OVXExtractor.exe, ovx-extract.exe and the README; cpack makes a zip. The
#            target ovx_msi makes the installer (wixl) next to it.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME ovx-extract)
set(CPACK_PACKAGE_VENDOR "OVXExtractor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decode password-protected .ovx files")
set(CPACK_PACKAGE_CONTACT "OVXExtractor developers <ovxextractor@localhost>")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    install(TARGETS OVXExtractor RUNTIME DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
    set(CPACK_PACKAGE_FILE_NAME OVXExtractor-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

    # The installer holds the two programs, stripped as in the zip; wixl runs in the
    # folder where they and the icon are put.
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(OVX_MSI_ARCH x64)
        set(OVX_MSI_WIN64 yes)
        set(OVX_MSI_PROGRAM_FILES ProgramFiles64Folder)
    else()
        set(OVX_MSI_ARCH x86)
        set(OVX_MSI_WIN64 no)
        set(OVX_MSI_PROGRAM_FILES ProgramFilesFolder)
    endif()
    set(OVX_MSI_SUFFIX ${CPACK_SYSTEM_NAME})
    set(OVX_MSI_FILES ${CMAKE_BINARY_DIR}/msi)
    set(OVX_MSI_WXS ${OVX_MSI_FILES}/OVXExtractor.wxs)
    set(OVX_MSI ${CPACK_OUTPUT_FILE_PREFIX}/OVXExtractor-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}.msi)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/OVXExtractor.wxs.in ${OVX_MSI_WXS} @ONLY)
    find_program(OVX_WIXL wixl)
    add_custom_command(OUTPUT ${OVX_MSI}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CPACK_OUTPUT_FILE_PREFIX}
        COMMAND ${CMAKE_STRIP} -o ${OVX_MSI_FILES}/OVXExtractor.exe $<TARGET_FILE:OVXExtractor>
        COMMAND ${CMAKE_STRIP} -o ${OVX_MSI_FILES}/ovx-extract.exe $<TARGET_FILE:ovx-extract>
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/app/OVXExtractor.ico ${OVX_MSI_FILES}/
        COMMAND ${CMAKE_COMMAND} -DWIXL=${OVX_WIXL} -DARCH=${OVX_MSI_ARCH} -DWXS=${OVX_MSI_WXS} -DOUTPUT=${OVX_MSI}
                -P ${PROJECT_SOURCE_DIR}/cmake/Wixl.cmake
        WORKING_DIRECTORY ${OVX_MSI_FILES}
        DEPENDS OVXExtractor ovx-extract ${OVX_MSI_WXS} ${PROJECT_SOURCE_DIR}/app/OVXExtractor.ico
                ${PROJECT_SOURCE_DIR}/cmake/Wixl.cmake
        VERBATIM)
    add_custom_target(ovx_msi DEPENDS ${OVX_MSI})
else()
    # Debian wants manual pages compressed, without a time stamp in the gzip header.
    set(OVX_MAN_PAGE ${CMAKE_BINARY_DIR}/ovx-extract.1.gz)
    add_custom_command(OUTPUT ${OVX_MAN_PAGE}
        COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/cli/ovx-extract.1 > ${OVX_MAN_PAGE}
        DEPENDS ${PROJECT_SOURCE_DIR}/cli/ovx-extract.1 VERBATIM)
    add_custom_target(ovx_man_page ALL DEPENDS ${OVX_MAN_PAGE})
    install(FILES ${OVX_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # Where bash-completion loads it from on first use of the command.
    install(FILES ${PROJECT_SOURCE_DIR}/cli/ovx-extract.bash RENAME ovx-extract
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_PACKAGE_DESCRIPTION "Decodes Blowfish-CBC encrypted .ovx files (record and chunk layouts) \
back into their plain contents, one file or a whole folder tree, checking every record \
and never leaving a half-written file behind.")
endif()

include(CPack)
