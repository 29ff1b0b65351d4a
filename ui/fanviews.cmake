# Fan view, alert and information windows, the fan-curve editor. Pictures come from Image/ beside the
# program (see assets/).
add_library(zaldo_fanviews STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/uiimages.cpp ${CMAKE_CURRENT_SOURCE_DIR}/uiimages.h
    ${CMAKE_CURRENT_SOURCE_DIR}/fanviewstyles.cpp ${CMAKE_CURRENT_SOURCE_DIR}/fanviewstyles.h
    ${CMAKE_CURRENT_SOURCE_DIR}/zaldorgbfanview.cpp ${CMAKE_CURRENT_SOURCE_DIR}/zaldorgbfanview.h
    ${CMAKE_CURRENT_SOURCE_DIR}/zaldorgbfanview_input.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/alertview.cpp ${CMAKE_CURRENT_SOURCE_DIR}/alertview.h
    ${CMAKE_CURRENT_SOURCE_DIR}/infoview.cpp ${CMAKE_CURRENT_SOURCE_DIR}/infoview.h
    ${CMAKE_CURRENT_SOURCE_DIR}/windowplacement.cpp ${CMAKE_CURRENT_SOURCE_DIR}/windowplacement.h
    ${CMAKE_CURRENT_SOURCE_DIR}/windowdrag.h
    ${CMAKE_CURRENT_SOURCE_DIR}/curvechart.cpp ${CMAKE_CURRENT_SOURCE_DIR}/curvechart.h
    ${CMAKE_CURRENT_SOURCE_DIR}/curveeditor.cpp ${CMAKE_CURRENT_SOURCE_DIR}/curveeditor.h)
target_link_libraries(zaldo_fanviews PUBLIC zaldo_core Qt5::Widgets)
zaldo_layer(zaldo_fanviews ui)
