# Precompiled headers: the Qt and standard headers most sources include, parsed once per
# library instead of once per source. Nearly half of a source's compile time went into
# parsing them.
#
# Only for a native GCC build. The MinGW cross build keeps them off (not measured there);
# clang-tidy cannot read GCC's .gch files, so scripts/test.sh hands it the compile
# database without them. Off with -DORVEX_PCH=OFF.
option(ORVEX_PCH "Precompile the Qt and standard headers most sources include" ON)
set(ORVEX_PCH_USED ${ORVEX_PCH})
if(CMAKE_CROSSCOMPILING OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(ORVEX_PCH_USED OFF)
endif()

# ccache only caches a compile that uses a precompiled header with these sloppiness
# settings; without them every compile of a cached developer build would miss.
if(ORVEX_PCH_USED AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    set(CMAKE_CXX_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

set(ORVEX_PCH_CORE_HEADERS
    <algorithm> <array> <functional> <memory> <optional> <vector>
    <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QJsonArray> <QJsonDocument>
    <QJsonObject> <QList> <QRegularExpression> <QSet> <QSqlQuery> <QString> <QStringList>
    <QVariant>)
set(ORVEX_PCH_WIDGETS_HEADERS
    <QCheckBox> <QComboBox> <QDialog> <QGridLayout> <QHeaderView> <QKeyEvent> <QLabel>
    <QLineEdit> <QPlainTextEdit> <QPushButton> <QTabWidget> <QVBoxLayout> <QWidget>)

# orvex_precompile(target HEADERS <header>...): the target gets its own precompiled header.
# orvex_precompile(target REUSE_FROM other): the target uses other's, which needs the same
# compile options (GCC warns, and -Werror stops, when they differ).
function(orvex_precompile target)
    if(NOT ORVEX_PCH_USED)
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "REUSE_FROM" "HEADERS")
    if(arg_REUSE_FROM)
        target_precompile_headers(${target} REUSE_FROM ${arg_REUSE_FROM})
    else()
        target_precompile_headers(${target} PRIVATE ${arg_HEADERS})
    endif()
endfunction()
