# The Debian package: `cpack -G DEB` in a build folder makes quillory_<version>_<arch>.deb
# from the same install rules as `cmake --install`. Its dependencies are those of the
# program file (dpkg-shlibdeps) plus what playback loads at run time: the toolkit's
# media backend drives GStreamer, whose HTTP source, MP3 decoder and sound sinks come
# as plugins that no library link names.
set(CPACK_PACKAGE_NAME quillory)
set(CPACK_PACKAGE_VENDOR "The Quillory developers")
set(CPACK_PACKAGE_CONTACT "Quillory developers <dev@quillory.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "look up, play and save songs shared on a karaoke service")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillory reads a song's share page from the Changba karaoke web service
and shows the singer, the song, its description and counts and the
singer's picture in one window with a Chinese interface. It plays the
song online, saves it as an MP3 file, copies its audio address and writes
its MV player into a small web page. Given a singer's home page it lists
all of the singer's works.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUILLORY_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Playback: the pipeline (base), the http source, MP3 decoder and sound sink (good), and
# the AAC sound of video works (libav).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils")
# The package's own files are root's, whoever builds it.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
