# Reading the case-rate annex PDFs needs Poppler's Qt 6 binding, which brings Qt Gui in.
# It is a library of its own so that the rest of the core stays free of both.
find_package(PkgConfig REQUIRED)
pkg_check_modules(POPPLER_QT6 REQUIRED IMPORTED_TARGET poppler-qt6)
find_package(Qt6 6.4 REQUIRED COMPONENTS Gui)

file(GLOB ORVEX_ANNEX_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp ${CMAKE_CURRENT_LIST_DIR}/*.h)
add_library(orvex_annex STATIC ${ORVEX_ANNEX_SOURCES})
target_link_libraries(orvex_annex PUBLIC orvex_core PRIVATE PkgConfig::POPPLER_QT6 Qt6::Gui orvex_options)
