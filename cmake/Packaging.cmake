# Installation and the two Debian packages: "varnettool" (the station program,
# its tools, desktop entry, icon, metainfo and udev rule) and "varnettool-demo"
# (the simulated station: varnet-sim and the stand-in libraries it copies into
# a demo station folder). `cmake --build build --target package` writes both
# at the build folder's top.
include(GNUInstallDirs)

set(VARNET_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VARNET_DEMO_LIBDIR ${CMAKE_INSTALL_LIBDIR}/varnettool-demo)

install(TARGETS varnettool varnet-flashdb RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT station)
foreach(tool varnet-results)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT station)
    endif()
endforeach()
if(TARGET varnet-mphost)
    install(TARGETS varnet-mphost RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/varnettool COMPONENT station)
endif()
install(FILES ${VARNET_PACKAGING_DIR}/varnettool.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT station)
install(FILES ${VARNET_PACKAGING_DIR}/icons/varnettool.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT station)
foreach(size 48 256)
    install(FILES ${VARNET_PACKAGING_DIR}/icons/varnettool-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME varnettool.png COMPONENT station)
endforeach()
configure_file(${VARNET_PACKAGING_DIR}/io.github.varnettool.VarnetTool.metainfo.xml
               ${PROJECT_BINARY_DIR}/packaging/io.github.varnettool.VarnetTool.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/io.github.varnettool.VarnetTool.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT station)
# /usr/lib/udev/rules.d: where udev takes the rules packages ship.
install(FILES ${VARNET_PACKAGING_DIR}/70-varnettool.rules DESTINATION lib/udev/rules.d COMPONENT station)

# varnet-sim copies the stand-in libraries found beside itself, so all three
# live in one folder and the command is a link to it.
install(TARGETS varnet-sim RUNTIME DESTINATION ${VARNET_DEMO_LIBDIR} COMPONENT demo)
install(TARGETS MP_API MES_DLL LIBRARY DESTINATION ${VARNET_DEMO_LIBDIR} COMPONENT demo)
file(RELATIVE_PATH VARNET_SIM_LINK_TARGET /${CMAKE_INSTALL_BINDIR} /${VARNET_DEMO_LIBDIR}/varnet-sim)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging/bin)
file(CREATE_LINK ${VARNET_SIM_LINK_TARGET} ${PROJECT_BINARY_DIR}/packaging/bin/varnet-sim SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/packaging/bin/varnet-sim DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)

set(CPACK_PACKAGE_NAME varnettool)
set(CPACK_PACKAGE_VENDOR "The VarnetTool developers")
set(CPACK_PACKAGE_CONTACT "VarnetTool developers <varnettool@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_COMPONENTS_ALL station demo)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_STATION_PACKAGE_NAME varnettool)
set(CPACK_DEBIAN_STATION_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_STATION_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_STATION_PACKAGE_CONTROL_EXTRA ${VARNET_PACKAGING_DIR}/postinst)
# The first line is the summary; the rest is wrapped and indented by CPack.
set(CPACK_DEBIAN_STATION_DESCRIPTION "Production station for solid-state drives
Takes up to 24 solid-state drives at once through one production step, with a tile per port, a log tree of every run and strict pass/fail judgement.")
set(CPACK_DEBIAN_DEMO_PACKAGE_NAME varnettool-demo)
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "varnettool (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEMO_DESCRIPTION "Simulated station for VarnetTool
varnet-sim and stand-ins for the device and MES libraries: a demo station with 24 simulated drives, to try VarnetTool without hardware.")
include(CPack)
