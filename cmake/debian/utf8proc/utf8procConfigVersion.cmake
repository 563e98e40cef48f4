set(PACKAGE_VERSION 2.8.0)
include(${CMAKE_CURRENT_LIST_DIR}/../ExactOrOlderVersion.cmake)
