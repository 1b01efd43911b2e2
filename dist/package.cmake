# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made by CPack from the install rules above
# (scripts/package.sh): no debian/ tree to keep in step with them, and
# dpkg-shlibdeps computes the runtime dependencies from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lanterra)
set(CPACK_PACKAGE_VENDOR Brevant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${LANTERRA_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LANTERRA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LANTERRA_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins, so dpkg-shlibdeps cannot see them: the SVG plugins draw
# the toolbar's and the list's pictures; Qt's own catalogues translate its
# dialogs and buttons, which the program works without. Opening a share
# (and a link) goes through the desktop's opener, xdg-open, which Qt starts
# as a program: without it nothing opens on a desktop without a file manager.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The first line is the synopsis; CPack indents the rest as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "browser of the shared folders of the local network
Lanterra scans a Windows (SMB) network for workgroups, the hosts in them
and the disk shares of those hosts, and shows every share it found in one
list, grouped by what the share's name says it holds (music, films,
installs, images) or by host. Hosts that are off keep their shares in the
list, marked offline; the hosts most likely to answer are probed first.

The package holds the window program lanterra, the command lanterra-scan
that scans without a window, and the helper that lists a host's shares
with the SMB client libraries.")
include(CPack)
