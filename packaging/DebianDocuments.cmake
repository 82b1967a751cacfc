# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack between the staging install and the archive: the copyright file and the
# changelog every Debian package carries in /usr/share/doc/<package>. A user's own
# `cmake --install` does not need them.
set(doc "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${CPACK_KESTRUM_COPYRIGHT}" "${doc}/copyright")

# SOURCE_DATE_EPOCH, when set, fixes the date, so a rebuild gives the same package.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
file(WRITE "${doc}/changelog.Debian"
     "${CPACK_PACKAGE_NAME} (${version}) unstable; urgency=medium\n\n"
     "  * Kestrum ${CPACK_PACKAGE_VERSION}, packaged from its own build.\n\n"
     " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
execute_process(COMMAND gzip -9nf "${doc}/changelog.Debian" COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
