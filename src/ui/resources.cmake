# SPDX-License-Identifier: GPL-3.0-or-later
# The window's built-in pictures, compiled into the user-interface library
# as :/icons/<name>.svg.
file(GLOB LANTERRA_UI_ICONS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/icons/*.svg)
qt_add_resources(lanterra_ui lanterra_ui_icons
    PREFIX "/"
    BASE ${CMAKE_CURRENT_LIST_DIR}
    FILES ${LANTERRA_UI_ICONS})
