# SPDX-License-Identifier: MIT
# The version, from project(VERSION) alone: vorlan-batch --version, the
# window's about box and the Debian package all take it from here. Code
# includes "VorlanVersion.h" through the vorlan_version target.
configure_file(${CMAKE_CURRENT_LIST_DIR}/VorlanVersion.h.in ${CMAKE_BINARY_DIR}/generated/VorlanVersion.h @ONLY)
add_library(vorlan_version INTERFACE)
target_include_directories(vorlan_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
