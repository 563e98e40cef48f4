set(PACKAGE_VERSION 1.13)
include(${CMAKE_CURRENT_LIST_DIR}/../ExactOrOlderVersion.cmake)
