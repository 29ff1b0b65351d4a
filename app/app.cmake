# Controller window, tray, remote control and desktop integration.
add_library(zaldo_app STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/options.cpp ${CMAKE_CURRENT_SOURCE_DIR}/options.h
    ${CMAKE_CURRENT_SOURCE_DIR}/remotecontrol.cpp ${CMAKE_CURRENT_SOURCE_DIR}/remotecontrol.h
    ${CMAKE_CURRENT_SOURCE_DIR}/windowmessages.cpp ${CMAKE_CURRENT_SOURCE_DIR}/windowmessages.h
    ${CMAKE_CURRENT_SOURCE_DIR}/remoterequests.cpp ${CMAKE_CURRENT_SOURCE_DIR}/remoterequests.h
    ${CMAKE_CURRENT_SOURCE_DIR}/autostart.cpp ${CMAKE_CURRENT_SOURCE_DIR}/autostart.h
    ${CMAKE_CURRENT_SOURCE_DIR}/devicewatch.cpp ${CMAKE_CURRENT_SOURCE_DIR}/devicewatch.h
    ${CMAKE_CURRENT_SOURCE_DIR}/viewadapter.cpp ${CMAKE_CURRENT_SOURCE_DIR}/viewadapter.h
    ${CMAKE_CURRENT_SOURCE_DIR}/controllercore.cpp ${CMAKE_CURRENT_SOURCE_DIR}/controllercore.h
    ${CMAKE_CURRENT_SOURCE_DIR}/updatenote.cpp ${CMAKE_CURRENT_SOURCE_DIR}/updatenote.h
    ${CMAKE_CURRENT_SOURCE_DIR}/stopsignals.cpp ${CMAKE_CURRENT_SOURCE_DIR}/stopsignals.h
    ${CMAKE_CURRENT_SOURCE_DIR}/curveediting.cpp ${CMAKE_CURRENT_SOURCE_DIR}/curveediting.h
    ${CMAKE_CURRENT_SOURCE_DIR}/brenvarrgbfancontroller.cpp ${CMAKE_CURRENT_SOURCE_DIR}/brenvarrgbfancontroller.h)
zaldo_layer(zaldo_app app)
target_link_libraries(zaldo_app PUBLIC
    zaldo_tasks zaldo_fanops zaldo_panelcommands zaldo_companion zaldo_openrgb zaldo_monitor zaldo_update zaldo_mainview
    Qt5::Widgets Qt5::Network Qt5::DBus PkgConfig::UDEV)

add_executable(brenvar-rgb-fan-controller ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(brenvar-rgb-fan-controller PRIVATE zaldo_app)
if(TARGET zaldo_assets)
    add_dependencies(brenvar-rgb-fan-controller zaldo_assets)
endif()

install(TARGETS brenvar-rgb-fan-controller RUNTIME DESTINATION ${ZALDO_INSTALL_DIR})
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    execute_process(COMMAND \${CMAKE_COMMAND} -E create_symlink
        ../${ZALDO_INSTALL_DIR}/brenvar-rgb-fan-controller
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/brenvar-rgb-fan-controller\")")
install(FILES ${CMAKE_SOURCE_DIR}/assets/linux/brenvar-rgb-fan-controller.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/assets/linux/70-brenvar-rgb-fan-controller.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_SOURCE_DIR}/assets/icon/logo.svg
    DESTINATION share/icons/hicolor/scalable/apps RENAME brenvar-rgb-fan-controller.svg)
