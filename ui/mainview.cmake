add_library(zaldo_mainview STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/mainview.cpp ${CMAKE_CURRENT_SOURCE_DIR}/mainview.h)
target_link_libraries(zaldo_mainview PUBLIC zaldo_fanviews Qt5::Widgets)
