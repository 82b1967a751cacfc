# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: a Debian package of what `cmake --install` installs, under /usr, stripped,
# with the documents every Debian package carries (see DebianDocuments.cmake).
set(KESTRUM_PACKAGE_MAINTAINER "Orvell <kestrum@orvell.com>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")
set(KESTRUM_PACKAGE_RELEASE "1" CACHE STRING "Debian revision of the package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VENDOR Orvell)
set(CPACK_PACKAGE_CONTACT "${KESTRUM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stock watcher for the system tray")
# Lines as dpkg shows them (CPack indents them, it does not wrap).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Kestrum (澄川) watches China A-share, Hong Kong and US stocks from the system"
    "tray. It refreshes realtime quotes every 12 seconds from public market-data"
    "services, records each trading day's intraday series and turns it into"
    "rule-based trading-state judgements in Chinese, shown in a tray popover and a"
    "desktop window. It raises desktop notifications when a watched stock's state"
    "changes, can ask an OpenAI-compatible chat service for a short commentary, and"
    "logs its decisions with their later outcomes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KESTRUM_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Shared libraries from dpkg-shlibdeps (libqt6gui6 holds the xcb platform plugin); beside
# them what Qt loads at run time, the SVG image and icon plugins, and the fonts the
# Chinese interface is drawn in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, fonts-noto-cjk")
# Alerts need a notification daemon; the single-instance hand-over and the tray's
# StatusNotifierItem need a session bus; a Wayland session without XWayland needs Qt's
# Wayland platform plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "notification-daemon, default-dbus-session-bus | dbus-session-bus, qt6-wayland")

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianDocuments.cmake)
# Read by that script (CPack hands every CPACK_ variable on).
set(CPACK_KESTRUM_COPYRIGHT ${CMAKE_CURRENT_LIST_DIR}/copyright)

include(CPack)
