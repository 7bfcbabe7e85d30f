# Installation as a Linux desktop program, and the Debian package built from it by CPack.
#
#   <prefix>/bin/kelvo
#   <prefix>/share/kelvo/Kelvo.hlp                         read-only files the program finds through ResourceFolder()
#   <prefix>/share/applications/kelvo.desktop
#   <prefix>/share/icons/hicolor/<size>/apps/kelvo.png     and scalable/apps/kelvo.svg
#   <prefix>/share/mime/packages/kelvo.xml                 file names for FlashPix and PCX
#   <prefix>/share/doc/kelvo/copyright
#   <prefix>/share/man/man1/kelvo.1, share/man/ja/man1/kelvo.1   the manual page, in English and in Japanese
#   <prefix>/share/bash-completion/completions/kelvo         completion of the options, formats and file names
#   <prefix>/share/metainfo/example.morrowdene.Kelvo.metainfo.xml   what software centres list
#
# The program looks for its files in ../share/kelvo/ from its own folder (src/app/ProgramFolder.cpp), so the bin
# and share folder names are fixed here rather than taken from GNUInstallDirs.
if(NOT TARGET kelvo)
  return()
endif()

# `make install` and cpack install what is built; they do not build everything first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(KELVO_RESOURCES ${CMAKE_SOURCE_DIR}/resources)

install(TARGETS kelvo RUNTIME DESTINATION bin)
install(FILES ${KELVO_RESOURCES}/help/Kelvo.hlp DESTINATION share/kelvo)
install(FILES ${KELVO_RESOURCES}/desktop/kelvo.desktop DESTINATION share/applications)
install(FILES ${KELVO_RESOURCES}/mime/kelvo.xml DESTINATION share/mime/packages)
foreach(size 16 32 48 64 128 256)
  install(FILES ${KELVO_RESOURCES}/icons/hicolor/${size}/apps/kelvo.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${KELVO_RESOURCES}/icons/kelvo.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/kelvo RENAME copyright)
install(FILES ${KELVO_RESOURCES}/man/kelvo.1 DESTINATION share/man/man1)
install(FILES ${KELVO_RESOURCES}/man/ja/kelvo.1 DESTINATION share/man/ja/man1)
install(FILES ${KELVO_RESOURCES}/completion/kelvo DESTINATION share/bash-completion/completions)
install(FILES ${KELVO_RESOURCES}/metainfo/example.morrowdene.Kelvo.metainfo.xml DESTINATION share/metainfo)

# The Debian package: `scripts/package` runs cpack in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Morrowdene)
set(CPACK_PACKAGE_CONTACT "Kelvo maintainers <kelvo@morrowdene.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch image converter with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
  "Kelvo gathers image files into a list and converts them all in one run: resize, watermark, corrections, a text caption, and output as JPEG, BMP, PNG, FlashPix, PCX, WebP or AVIF. Given image files on the command line it converts them without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries the executable links (Qt, libvips, libgsf, libimagequant, libjpeg, libpng, ISA-L...) come from
# dpkg-shlibdeps; what is loaded at run time without linking is named here: the Qt platform plugins (offscreen
# and xcb) and a Japanese font for the window and the captions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libvips loads HEIC/AVIF and JPEG XL through modules of its own, which need these at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk, libheif1, libjxl0.7")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info, hicolor-icon-theme")
include(CPack)
