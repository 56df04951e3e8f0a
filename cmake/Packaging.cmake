# What `cmake --install` puts where, and the packages CPack makes of it:
# on Windows a ZIP with secant.exe and a short Russian text on how to start it;
# elsewhere a .deb and a .tar.gz with the program and its manual page.
#
# Only the component "secant" goes into a package, so nothing that a
# dependency's own install rules add (GoogleTest's, for one) can leak in.
include(GNUInstallDirs)

if(WIN32)
    install(TARGETS secant RUNTIME DESTINATION . COMPONENT secant)

    # Notepad and the Russian console read Windows-1251 with CR LF; the text
    # is kept in UTF-8 and converted here, refusing what Windows-1251 lacks.
    find_program(SECANT_ICONV iconv)
    if(SECANT_ICONV)
        set(secant_readme ${CMAKE_BINARY_DIR}/readme.txt)
        add_custom_command(OUTPUT ${secant_readme}
            COMMAND ${CMAKE_COMMAND} -DICONV=${SECANT_ICONV}
                -DINPUT=${PROJECT_SOURCE_DIR}/docs/readme-windows.txt
                -DOUTPUT=${secant_readme} -P ${PROJECT_SOURCE_DIR}/cmake/Cp1251Text.cmake
            DEPENDS ${PROJECT_SOURCE_DIR}/docs/readme-windows.txt
                ${PROJECT_SOURCE_DIR}/cmake/Cp1251Text.cmake
            COMMENT "Converting readme.txt to Windows-1251"
            VERBATIM)
        add_custom_target(secant_readme ALL DEPENDS ${secant_readme})
        install(FILES ${secant_readme} DESTINATION . COMPONENT secant)
    else()
        message(WARNING "iconv not found: the package will lack readme.txt")
    endif()
else()
    install(TARGETS secant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT secant)

    find_program(SECANT_GZIP gzip)
    if(SECANT_GZIP)
        # -n: no name or time stamp in the header, the same bytes every build.
        set(secant_manual ${CMAKE_BINARY_DIR}/man/secant.1)
        add_custom_command(OUTPUT ${secant_manual}.gz
            COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/secant.1 ${secant_manual}
            COMMAND ${SECANT_GZIP} -9nf ${secant_manual}
            DEPENDS ${PROJECT_SOURCE_DIR}/docs/secant.1
            COMMENT "Compressing the manual page"
            VERBATIM)
        add_custom_target(secant_manual ALL DEPENDS ${secant_manual}.gz)
        install(FILES ${secant_manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT secant)
    else()
        install(FILES docs/secant.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT secant)
    endif()
endif()

set(SECANT_PACKAGE_MAINTAINER
    "secant maintainers <maintainers@users.noreply.c-seed-e40d7e7a.example>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME secant)
set(CPACK_PACKAGE_VENDOR "secant maintainers")
set(CPACK_PACKAGE_CONTACT "${SECANT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "solves a polynomial equation by the secant method (Russian console program)")
set(CPACK_PACKAGE_DESCRIPTION
    "An interactive console program that solves a polynomial equation of order
0 to 9 with complex coefficients by the secant method with deflation. The
user types the order and the coefficients, highest power first; the program
finds the roots one by one, lists them and waits for a key press.

Every value is single precision and every complex operation rounds at fixed
points with extended-precision (64-bit significand) intermediates, so the
printed roots are the same to the last digit on every run and platform.
Options show the search: a summary per root, a line per secant pass, and an
SVG picture of the iterates. The program's texts are in Russian.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};secant;/")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    # The two files at the top of the archive, nothing else.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    set(CPACK_GENERATOR TGZ)
    set(CPACK_SYSTEM_NAME "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
    find_program(SECANT_DPKG dpkg)
    if(SECANT_DPKG)
        list(APPEND CPACK_GENERATOR DEB)
    endif()
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION math)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # dpkg-shlibdeps reads the libraries the program needs: with the C++
    # runtime linked in, only the C library.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
