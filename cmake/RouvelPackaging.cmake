# Debian packages, built by scripts/package with CPack:
#   rouvel              the program, the library, desktop entry, icon and user guide (runtime)
#   libvellumprint-dev  the headers, CMake package and pkg-config file (development)
# Package dependencies come from the binaries (dpkg-shlibdeps), plus the plugins Qt loads at run
# time, which no binary names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rouvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "rouvel maintainers <rouvel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file for libVellumPrint.so.1, and ldconfig run on install and removal.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME rouvel)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-liberation")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "carrier rates and bills of lading for a shipping office\n\
rouvel finds the cheapest carrier for a shipment to a destination, by weight bracket and by\n\
pallet count, and prepares and prints the bill of lading for the chosen carrier. The package\n\
also holds VellumPrint, the print engine rouvel prints with.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvellumprint-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "VellumPrint print engine, development files\n\
Headers, CMake package (find_package(VellumPrint)) and pkg-config file (VellumPrint) for\n\
programs that record reports with VellumPrint and preview, print or export them as text.")

include(CPack)
