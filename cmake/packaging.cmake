# The Debian package (cpack -G DEB, or scripts/package.sh) and the files only a
# distribution needs: AppStream metainfo, man page, changelog and copyright.

set(ZALDO_PACKAGE brenvar-rgb-fan-controller)
set(ZALDO_APPSTREAM_ID com.brenvar.RGBFanController)
set(ZALDO_PROJECT_URL "https://example.org/brenvar-rgb-fan-controller" CACHE STRING
    "Project web page; the metainfo's screenshots are expected under <url>/screenshots/")
set(ZALDO_PACKAGE_MAINTAINER "Brenvar RGB Fan Controller developers <packages@example.org>" CACHE STRING
    "Maintainer named in the Debian package")
set(ZALDO_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)

# Release date: SOURCE_DATE_EPOCH when set, else the last commit, so that a
# package built twice from one commit says the same.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
        OUTPUT_VARIABLE zaldo_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(zaldo_commit_time)
        set(ENV{SOURCE_DATE_EPOCH} ${zaldo_commit_time})
    endif()
endif()
string(TIMESTAMP ZALDO_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP ZALDO_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP ZALDO_RELEASE_YEAR "%Y" UTC)

# The USB IDs come from the program's own constants.
function(zaldo_source_constant file name out)
    file(STRINGS ${CMAKE_SOURCE_DIR}/${file} line REGEX "constexpr [a-z:0-9_]+ ${name} = ")
    if(NOT line MATCHES "= *(0x[0-9A-Fa-f]+|[0-9]+)")
        message(FATAL_ERROR "packaging: no ${name} in ${file}")
    endif()
    math(EXPR value "${CMAKE_MATCH_1}")
    set(${out} ${value} PARENT_SCOPE)
endfunction()
function(zaldo_hex4 value out)
    math(EXPR hex "${value}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING ${hex} 2 -1 hex)
    string(TOUPPER ${hex} hex)
    while(hex MATCHES "^.?.?.?$")
        string(PREPEND hex 0)
    endwhile()
    set(${out} ${hex} PARENT_SCOPE)
endfunction()
zaldo_source_constant(core/hidtransport.h kControllerVendorId zaldo_vendor)
zaldo_source_constant(core/hidtransport.h kFirstProductId zaldo_first_product)
zaldo_source_constant(core/valuerules.h kBoxCount zaldo_box_count)
zaldo_hex4(${zaldo_vendor} zaldo_vendor)
set(ZALDO_MODALIASES "")
math(EXPR zaldo_last_product "${zaldo_first_product} + ${zaldo_box_count} - 1")
foreach(product RANGE ${zaldo_first_product} ${zaldo_last_product})
    zaldo_hex4(${product} product)
    string(APPEND ZALDO_MODALIASES "    <modalias>usb:v${zaldo_vendor}p${product}d*</modalias>\n")
endforeach()

set(ZALDO_METAINFO ${ZALDO_PACKAGING_DIR}/${ZALDO_APPSTREAM_ID}.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/assets/linux/${ZALDO_PACKAGE}.metainfo.xml.in ${ZALDO_METAINFO} @ONLY)
set(CPACK_PACKAGE_NAME ${ZALDO_PACKAGE})
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${ZALDO_PACKAGING_DIR}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/copyright.in ${ZALDO_PACKAGING_DIR}/copyright @ONLY)

# Debian wants the changelog, the man page and documentation over 4 kB
# compressed to the maximum.
set(zaldo_gzipped)
foreach(file "${ZALDO_PACKAGING_DIR}/changelog" "${CMAKE_SOURCE_DIR}/assets/linux/${ZALDO_PACKAGE}.1"
        "${CMAKE_SOURCE_DIR}/README.md")
    get_filename_component(name ${file} NAME)
    set(out ${ZALDO_PACKAGING_DIR}/gz/${name})
    add_custom_command(OUTPUT ${out}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${file} ${out}
        COMMAND gzip -9nf ${out}
        DEPENDS ${file} VERBATIM)
    list(APPEND zaldo_gzipped ${out}.gz)
endforeach()
add_custom_target(zaldo_packaging_files ALL DEPENDS ${zaldo_gzipped})

install(FILES ${ZALDO_METAINFO} DESTINATION share/metainfo)
# The user service names the program under the prefix it is installed to,
# which for the package is only known at install time.
install(CODE "set(ZALDO_BINDIR \"\${CMAKE_INSTALL_PREFIX}/bin\")
    configure_file(\"${CMAKE_SOURCE_DIR}/assets/linux/${ZALDO_PACKAGE}.service.in\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/${ZALDO_PACKAGE}.service\" @ONLY)")
install(FILES ${ZALDO_PACKAGING_DIR}/gz/${ZALDO_PACKAGE}.1.gz DESTINATION share/man/man1)
install(FILES ${ZALDO_PACKAGING_DIR}/gz/changelog.gz ${ZALDO_PACKAGING_DIR}/gz/README.md.gz
    ${ZALDO_PACKAGING_DIR}/copyright DESTINATION share/doc/${ZALDO_PACKAGE})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brenvar)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set the colour, lighting and speed of RGB controller fans")
# Debian shows the long description as is: lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A desktop utility for USB fan and lighting controller boxes (up to sixteen\n"
    "boxes, three fans each). For every fan it sets the LED colour, brightness\n"
    "and lighting mode, and the speed: a fixed level or a curve that follows the\n"
    "CPU temperature. It reads each fan's speed every second and warns when a\n"
    "monitored fan stops. A udev rule gives the user at the seat access to the\n"
    "boxes without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZALDO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/cmake/debian/postinst ${CMAKE_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
