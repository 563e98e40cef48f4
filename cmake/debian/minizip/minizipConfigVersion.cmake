set(PACKAGE_VERSION 1.1)
include(${CMAKE_CURRENT_LIST_DIR}/../ExactOrOlderVersion.cmake)
