# Installs the build into a scratch prefix and checks that a desktop finds everything.
set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f bin/quillory share/quillory/skinh.she share/applications/quillory.desktop
          share/icons/hicolor/scalable/apps/quillory.svg share/metainfo/invalid.quillory.quillory.metainfo.xml
          share/man/man1/quillory.1.gz share/doc/quillory/copyright
          bin/quillory-cli share/man/man1/quillory-cli.1.gz)
    if(NOT EXISTS "${prefix}/${f}")
        message(FATAL_ERROR "missing after install: ${f}")
    endif()
endforeach()
file(READ "${prefix}/share/applications/quillory.desktop" entry)
foreach(line "Exec=quillory %u" "Icon=quillory" "Comment=" "Comment[zh_CN]=" "Categories=AudioVideo;")
    string(FIND "${entry}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()
if(EXISTS "${prefix}/bin/quillory-service")
    message(FATAL_ERROR "quillory-service is installed only on request (QUILLORY_INSTALL_SERVICE)")
endif()
file(REMOVE_RECURSE "${prefix}")
