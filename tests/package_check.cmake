# Builds the Debian package from this build folder with cpack, unpacks it into a scratch
# root with dpkg -x and checks what a desktop and a user of the package find there.
# Arguments: BUILD_DIR, VERSION.
set(scratch "${BUILD_DIR}/package-check")
file(REMOVE_RECURSE "${scratch}")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

run(cpack -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${scratch}")
file(GLOB debs "${scratch}/quillory_${VERSION}_*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one quillory_${VERSION}_<arch>.deb, found: ${debs}")
endif()

# Dependencies: the libraries the program links (found by dpkg-shlibdeps) and the
# GStreamer plugins that playback loads by name.
run(dpkg-deb --field "${debs}" Package Version Depends Recommends)
foreach(field "Package: quillory" "Version: ${VERSION}" "gstreamer1.0-plugins-base" "gstreamer1.0-plugins-good"
              "libqt6multimedia6" "libqt6widgets6" "libc6" "Recommends: fonts-noto-cjk")
    string(FIND "${out}" "${field}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package's control fields lack ${field}:\n${out}")
    endif()
endforeach()

set(root "${scratch}/root")
run(dpkg -x "${debs}" "${root}")
foreach(f bin/quillory share/quillory/skinh.she share/applications/quillory.desktop
          share/metainfo/invalid.quillory.quillory.metainfo.xml
          share/icons/hicolor/scalable/apps/quillory.svg share/man/man1/quillory.1.gz
          share/doc/quillory/copyright share/doc/quillory/changelog.gz
          bin/quillory-cli share/man/man1/quillory-cli.1.gz)
    if(NOT EXISTS "${root}/usr/${f}")
        message(FATAL_ERROR "the package lacks /usr/${f}")
    endif()
endforeach()
if(EXISTS "${root}/usr/bin/quillory-service")
    message(FATAL_ERROR "the local service double is packaged only on request")
endif()

run(desktop-file-validate "${root}/usr/share/applications/quillory.desktop")
if(NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate has remarks:\n${out}")
endif()
run(appstreamcli validate --no-net "${root}/usr/share/metainfo/invalid.quillory.quillory.metainfo.xml")

# The packaged program answers on the command line without a display.
run(${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0
    "${root}/usr/bin/quillory" --version)
if(NOT out STREQUAL "quillory V3.2\n")
    message(FATAL_ERROR "quillory --version printed: ${out}")
endif()
run(gzip -dc "${root}/usr/share/man/man1/quillory.1.gz")
foreach(part ".TH QUILLORY 1" ".SH SYNOPSIS" ".SH OPTIONS" "version" "ADDRESS")
    string(FIND "${out}" "${part}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the manual page lacks ${part}")
    endif()
endforeach()

file(REMOVE_RECURSE "${scratch}")
