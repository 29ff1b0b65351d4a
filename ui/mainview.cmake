add_library(zaldo_mainview STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/mainview.h
    ${CMAKE_CURRENT_SOURCE_DIR}/mainview_p.h
    ${CMAKE_CURRENT_SOURCE_DIR}/mainview.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/mainview_ops.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/mainview_slots.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settingsmenu.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/passwordkeypad.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/translationswitch.h
    ${CMAKE_CURRENT_SOURCE_DIR}/translationswitch.cpp)
target_link_libraries(zaldo_mainview PUBLIC zaldo_fanviews Qt5::Widgets)
zaldo_layer(zaldo_mainview ui)
